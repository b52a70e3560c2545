#include "import/import_lookups.h"

#include <gtest/gtest.h>

#include "common/temp_dir.h"
#include "storage/sqlite_database.h"

namespace kestro {
namespace {

using Kind = TImportLookups::Kind;

class ImportLookupsTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  DBPtr db_ = OpenSQLiteDatabase(dir_ / "guide.db");
  TImportLookups lookups_{2};
};

TEST_F(ImportLookupsTest, IdsLastAsLongAsTheirTransaction) {
  EXPECT_FALSE(lookups_.Usable(*db_));  // outside a transaction nothing may be kept

  db_->BeginTransaction();
  ASSERT_TRUE(lookups_.Usable(*db_));
  lookups_.Remember(Kind::kGenre, "News", 4);
  lookups_.Remember(Kind::kPerson, "News", 9);
  EXPECT_EQ(lookups_.Find(Kind::kGenre, "News"), 4);
  EXPECT_EQ(lookups_.Find(Kind::kPerson, "News"), 9);
  EXPECT_EQ(lookups_.Find(Kind::kGenre, "news"), 0);  // names are exact
  EXPECT_EQ(lookups_.Find(Kind::kRole, "News"), 0);
  db_->Rollback();  // a genre inserted in it would be gone

  db_->BeginTransaction();
  ASSERT_TRUE(lookups_.Usable(*db_));
  EXPECT_EQ(lookups_.Find(Kind::kGenre, "News"), 0);
  lookups_.Remember(Kind::kGenre, "News", 5);
  db_->Commit();
  db_->BeginTransaction();
  ASSERT_TRUE(lookups_.Usable(*db_));
  EXPECT_EQ(lookups_.Find(Kind::kGenre, "News"), 0);
  db_->Rollback();
}

TEST_F(ImportLookupsTest, KeepsNoMoreThanItsCapacityOfEachKind) {
  db_->BeginTransaction();
  ASSERT_TRUE(lookups_.Usable(*db_));
  lookups_.Remember(Kind::kRole, "Actor", 1);
  lookups_.Remember(Kind::kRole, "Guest", 0);  // 0 is no id
  lookups_.Remember(Kind::kRole, "Writer", 2);
  lookups_.Remember(Kind::kRole, "Director", 3);
  lookups_.Remember(Kind::kGenre, "Drama", 7);
  EXPECT_EQ(lookups_.Find(Kind::kRole, "Actor"), 1);
  EXPECT_EQ(lookups_.Find(Kind::kRole, "Guest"), 0);
  EXPECT_EQ(lookups_.Find(Kind::kRole, "Writer"), 2);
  EXPECT_EQ(lookups_.Find(Kind::kRole, "Director"), 0);
  EXPECT_EQ(lookups_.Find(Kind::kGenre, "Drama"), 7);
  db_->Rollback();
}

}  // namespace
}  // namespace kestro
