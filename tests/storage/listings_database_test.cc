// The listings database file: creation, upgrades of old files, and files it must not touch.
#include "storage/listings_database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/error_of.h"
#include "common/fake_env.h"
#include "common/temp_dir.h"
#include "platform/env/real_env.h"
#include "platform/time/date_time.h"
#include "storage/sqlite_database.h"

namespace kestro {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// The nineteen columns repeating schedules had before version 3.
constexpr const char* kOldRepeatingSchedules =
    "create table repeating_schedules ( rs_id integer primary key , rs_type integer , "
    "priority integer , title char , hard_padding_before integer , hard_padding_after integer , "
    "soft_padding_before integer , soft_padding_after integer , channel_id integer , "
    "start_time integer , end_time integer , frequency char , search_criteria char , "
    "keep_until integer , folder char , quality char , keep_at_most integer , repeats integer , "
    "created_by char );";
constexpr const char* kTwoOldRepeatingSchedules =
    "insert into repeating_schedules values ( 4 , 1 , 2 , \"News\" , 0 , 0 , 60 , 60 , 3 , 0 , 0 , "
    "\"daily\" , \"\" , 0 , \"\" , \"best\" , 5 , 1 , \"me\" );"
    "insert into repeating_schedules values ( 9 , 2 , 1 , \"Film\" , 0 , 0 , 0 , 0 , 0 , 0 , 0 , "
    "\"\" , \"title = x\" , 0 , \"\" , \"\" , 0 , 0 , \"me\" );";

class ListingsDatabase : public ::testing::Test {
 protected:
  // A file in an older form, written with plain SQL.
  void WriteOldFile(const std::string& sql) { OpenSQLiteDatabase(file_, env_)->Exec(sql); }
  // A file of schema `version` with the two old rules, then `more`.
  void WriteOldRules(const std::string& version, const std::string& more = "") {
    WriteOldFile("create table parameters ( param_name char primary key , param_value char );"
                 "insert into parameters values ( \"schema-version\" , \"" + version + "\" );" +
                 kOldRepeatingSchedules + kTwoOldRepeatingSchedules + more);
  }
  static std::string Version(IDB& db) {
    return db.Query("select param_value from parameters where param_name = \"schema-version\"")
        ->Text(0);
  }
  static std::vector<std::string> Column(IDB& db, const std::string& sql) {
    std::vector<std::string> values;
    for (TablePtr t = db.Query(sql); !t->Eof(); t->Next()) values.push_back(t->Text(0));
    return values;
  }
  // The ids whose words match the FTS5 query `query`, in order.
  static std::vector<std::string> Found(IDB& db, const std::string& query) {
    return Column(db, "select rowid from program_words_fts where program_words_fts match '" +
                          query + "' order by rowid");
  }
  static bool HasTable(IDB& db, const std::string& name) {
    return db.QueryIntFmt("select count ( * ) from sqlite_master where name = %s",
                          {SqlArg::Quoted(name)}) > 0;
  }

  testing::TempDir dir_;
  std::string file_ = dir_ / "listings.1.dat";
  std::shared_ptr<testing::FakeEnv> env_ = std::make_shared<testing::FakeEnv>();
};

TEST_F(ListingsDatabase, NewFileInAMissingDirectoryGetsTheWholeSchema) {
  const std::string file = dir_ / "library/tv/listings.3.dat";
  DBPtr db = OpenListingsDatabase(file, env_);
  EXPECT_TRUE(std::filesystem::exists(file));

  EXPECT_EQ(Version(*db), "4");

  // A version-4 file opened again is left as it is.
  db->Exec(
      "update parameters set param_value = \"7\" where param_name = \"schedule-data-version\"");
  db.reset();
  db = OpenListingsDatabase(file, env_);
  EXPECT_EQ(Column(*db,
                   "select param_value from parameters where param_name = "
                   "\"schedule-data-version\""),
            std::vector<std::string>{"7"});
  EXPECT_EQ(db->QueryInt("select count ( * ) from tuners"), 1);
}

// Version 1 gains the recorded programmes and the rules' duplicates; version 2 keeps its recorded
// programmes; a version that is not a number upgrades as version 1. An upgrade interrupted after
// copying the rows (the stale copy is dropped and the rebuild runs) or after dropping the old
// table (the copy holds the only rows and is moved back) is finished.
TEST_F(ListingsDatabase, OldVersionsGainDuplicatesAndKeepTheirRows) {
  const std::string recorded =
      "create table recorded_programs ( equality_key char primary key , start_time integer , "
      "end_time integer , title char , subtitle char );"
      "insert into recorded_programs values ( \"k1\" , 1 , 2 , \"T\" , \"S\" );";
  const struct {
    std::string version, more;
  } cases[] = {
      {"1", ""},
      {"two", ""},
      {"2", recorded},
      {"2", recorded + "create table temp_rs as select * from repeating_schedules "
                       "where rs_id = 4;"},
      {"2", recorded + "create table temp_rs as select * from repeating_schedules;"
                       "drop table repeating_schedules;"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version + " " + c.more);
    file_ = dir_ / ("listings." + std::to_string(++n) + ".dat");
    WriteOldRules(c.version, c.more);
    DBPtr db = OpenListingsDatabase(file_, env_);
    EXPECT_EQ(Version(*db), "4");
    EXPECT_FALSE(HasTable(*db, "temp_rs"));
    EXPECT_THAT(Column(*db,
                       "select rs_id || \":\" || title || \":\" || created_by || \":\" || "
                       "duplicates from repeating_schedules order by rs_id"),
                ElementsAre("4:News:me:0", "9:Film:me:0"));
    EXPECT_EQ(Column(*db, "select equality_key || title || subtitle from recorded_programs"),
              c.more.empty() ? std::vector<std::string>{} : std::vector<std::string>{"k1TS"});
  }
  // A file without a version row is not upgraded.
  file_ = dir_ / "listings.unversioned.dat";
  WriteOldFile(std::string("create table parameters ( param_name char primary key , "
                           "param_value char );") + kOldRepeatingSchedules);
  DBPtr db = OpenListingsDatabase(file_, env_);
  EXPECT_FALSE(HasTable(*db, "recorded_programs"));
  EXPECT_EQ(db->QueryInt("select count ( * ) from pragma_table_info ( \"repeating_schedules\" )"),
            19);
}

// Version 3 numbered schedules without autoincrement: the rows move over with their ids, and an
// id purged after the upgrade is never handed out again.
TEST_F(ListingsDatabase, Version3SchedulesKeepTheirIdsAndIdsAreNeverReused) {
  {
    DBPtr old = OpenListingsDatabase(file_, env_);
    old->Exec(
        "update parameters set param_value = 3 where param_name = \"schema-version\";"
        "drop table rule_exclusions; drop table schedules;"
        "create table schedules ( schedule_id integer primary key , deleted integer , "
        "tuner_id integer , program_id integer , channel_id integer , rs_id integer , title char , "
        "start_time integer , end_time integer , hard_padding_before integer , "
        "hard_padding_after integer , soft_padding_before integer , soft_padding_after integer , "
        "delete_on_conflict integer , wake_up integer , keep_until integer , folder char , "
        "quality char , created_by char , deleted_by char , reason char , status char );"
        "create index idx_schedules_rs_id on schedules ( rs_id );"
        "insert into schedules ( schedule_id , title ) values ( 3 , \"A\" ) , ( 8 , \"B\" );");
  }
  DBPtr db = OpenListingsDatabase(file_, env_);
  EXPECT_EQ(Version(*db), "4");
  EXPECT_FALSE(HasTable(*db, "schedules_v3"));
  EXPECT_TRUE(HasTable(*db, "rule_exclusions"));
  EXPECT_TRUE(HasTable(*db, "idx_schedules_start_time"));
  EXPECT_THAT(Column(*db, "select schedule_id || title from schedules order by 1"),
              ElementsAre("3A", "8B"));
  db->Exec("delete from schedules where schedule_id = 8");
  db->Exec("insert into schedules ( schedule_id , title ) values ( null , \"C\" )");
  EXPECT_EQ(db->LastInsertRowID(), 9);
}

// A file from before the keyword index gains it, filled from the stored words, and the length of
// its longest programme, counted in days across a leap day and a new year; both then follow
// every write, whoever makes it.
TEST_F(ListingsDatabase, OldFileGainsKeywordIndexAndLongestProgramThatFollowWrites) {
  auto db_time = [](int y, int mo, int d, int h) {
    return SqlArg::Int(DateTimeToDbTime(EncodeDateTime({y, mo, d, h, 0, 0, 0})));
  };
  auto add = [&](IDB& db, int id, SqlArg start, SqlArg end, const char* words) {
    db.ExecFmt("insert into programs ( id , start_time , end_time ) values ( %d , %d , %d )",
               {SqlArg::Int(id), start, end});
    db.ExecFmt("insert into program_words values ( %d , %s )",
               {SqlArg::Int(id), SqlArg::Quoted(words)});
  };
  {
    DBPtr db = OpenListingsDatabase(file_, env_);
    db->Exec("drop trigger program_words_fts_insert; drop trigger program_words_fts_delete;"
             "drop trigger program_words_fts_update; drop table program_words_fts;"
             "drop trigger programs_longest_insert; drop trigger programs_longest_update;"
             "delete from parameters where param_name = 'longest-program'");
    add(*db, 1, db_time(2024, 2, 28, 23), db_time(2024, 3, 1, 1), " star trek voyager ");
    add(*db, 2, db_time(2023, 12, 31, 22), db_time(2024, 1, 1, 2), " it s a trek ");
  }
  DBPtr db = OpenListingsDatabase(file_, env_);
  EXPECT_EQ(LongestProgramSeconds(*db), 26 * 3600);
  EXPECT_THAT(Found(*db, "trek"), ElementsAre("1", "2"));
  EXPECT_THAT(Found(*db, "\"it s\""), ElementsAre("2"));
  EXPECT_THAT(Found(*db, "\"trek voyager\""), ElementsAre("1"));

  add(*db, 3, db_time(2025, 3, 3, 0), db_time(2025, 3, 5, 0), " trek ");
  db->Exec("update programs set end_time = start_time where id = 3");
  EXPECT_EQ(LongestProgramSeconds(*db), 48 * 3600) << "a programme made shorter keeps the value";
  db->Exec("delete from program_words where program_id = 1;"
           "update program_words set words = ' voyager ' where program_id = 2");
  EXPECT_THAT(Found(*db, "trek"), ElementsAre("3"));
  EXPECT_THAT(Found(*db, "voyager"), ElementsAre("2"));
  db->Exec("insert into program_words_fts ( program_words_fts ) values ( 'integrity-check' )");

  // The recomputation after long programmes went lowers it.
  add(*db, 4, db_time(2025, 3, 3, 0), db_time(2025, 3, 7, 0), " trek ");
  EXPECT_EQ(LongestProgramSeconds(*db), 96 * 3600);
  db->Exec("delete from programs where id = 4");
  RecomputeLongestProgram(*db);
  EXPECT_EQ(LongestProgramSeconds(*db), 26 * 3600) << "id 1 is the longest left";

  db->Exec("update parameters set param_value = 'x' where param_name = 'longest-program'");
  EXPECT_EQ(LongestProgramSeconds(*db), std::nullopt);
}

// While an import defers the keyword index, its new rows stay out of it whatever is done to them
// and the older rows follow every write at once, a re-used id included; the finish indexes the
// new rows that are left. A file still deferred when opened has its index rebuilt, and a file
// without the triggers that defer gets them.
TEST_F(ListingsDatabase, DeferredKeywordIndexEndsWithExactlyTheStoredWords) {
  const auto words = [](IDB& db, int id, const char* text) {
    db.ExecFmt("insert into program_words values ( %d , %s )",
               {SqlArg::Int(id), SqlArg::Quoted(text)});
  };
  const auto check = [](IDB& db) {
    db.Exec("insert into program_words_fts ( program_words_fts , rank ) "
            "values ( 'integrity-check' , 1 )");
  };
  {
    DBPtr db = OpenListingsDatabase(file_, env_);
    for (int id : {1, 2, 3}) words(*db, id, " trek ");
    Transaction import(*db);
    BeginDeferredKeywordIndex(*db);
    for (int id : {4, 5, 6}) words(*db, id, " trek ");
    db->Exec("delete from program_words where program_id in ( 1 , 3 , 5 );"
             "update program_words set words = ' voyager ' where program_id = 6;"
             "update program_words set words = ' voyager ' where program_id = 2");
    words(*db, 3, " trek voyager ");
    EXPECT_THAT(Found(*db, "trek"), ElementsAre("3")) << "the new rows wait for the finish";
    EXPECT_THAT(Found(*db, "voyager"), ElementsAre("2", "3"));
    FinishDeferredKeywordIndex(*db);
    import.Commit();
    check(*db);
    EXPECT_THAT(Found(*db, "trek"), ElementsAre("3", "4"));
    EXPECT_THAT(Found(*db, "voyager"), ElementsAre("2", "3", "6"));
    words(*db, 7, " trek ");
    EXPECT_THAT(Found(*db, "trek"), ElementsAre("3", "4", "7")) << "the triggers index again";

    // A deferral committed without its finish, in a file that then loses a trigger.
    BeginDeferredKeywordIndex(*db);
    words(*db, 8, " trek ");
    db->Exec("drop trigger program_words_fts_insert");
  }
  DBPtr db = OpenListingsDatabase(file_, env_);
  words(*db, 9, " trek ");
  check(*db);
  EXPECT_THAT(Found(*db, "trek"), ElementsAre("3", "4", "7", "8", "9"));
}

TEST_F(ListingsDatabase, AFileWhoseCreationNeverFinishedIsMovedAsideAndCreatedAnew) {
  testing::WriteFile(file_, "");            // killed before the schema was written
  testing::WriteFile(file_ + ".creating", "x");  // and a half-written new file beside it
  DBPtr db = OpenListingsDatabase(file_, env_);
  EXPECT_TRUE(HasTable(*db, "parameters"));
  EXPECT_EQ(Version(*db), "4");
  EXPECT_TRUE(std::filesystem::exists(file_ + ".incomplete"));
  EXPECT_FALSE(std::filesystem::exists(file_ + ".creating"));
  db.reset();
  EXPECT_EQ(Version(*OpenListingsDatabase(file_, env_)), "4") << "a complete file stays";

  env_->FailFileOp(testing::FakeEnv::FileOp::kRename, EIO, "listings.2.dat");
  EXPECT_THROW(OpenListingsDatabase(dir_ / "listings.2.dat", env_), Exception);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "listings.2.dat"))
      << "a creation that fails leaves no file in the way";
}

// kestrod and an import opening a new lineup at once: each must end up in the one file that
// stays, never in a file the other replaced or removed under it.
TEST_F(ListingsDatabase, CreatorsRacingForANewFileAllOpenTheFileThatStays) {
  const std::shared_ptr<Env> real = MakeRealEnv();
  for (int round = 0; round < 10; ++round) {
    const std::string file = dir_ / ("race." + std::to_string(round) + ".dat");
    std::vector<DBPtr> dbs(4);
    std::vector<std::string> errors(dbs.size());
    {
      std::vector<std::jthread> creators;
      for (size_t i = 0; i < dbs.size(); ++i) {
        creators.emplace_back([&, i] {
          try {
            dbs[i] = OpenListingsDatabase(file, real);
          } catch (const std::exception& e) {
            errors[i] = e.what();
          }
        });
      }
    }
    for (size_t i = 0; i < dbs.size(); ++i) {
      ASSERT_EQ(errors[i], "") << "round " << round;
      dbs[i]->Exec("insert into parameters values ( \"racer-" + std::to_string(i) + "\" , \"x\" )");
    }
    EXPECT_EQ(OpenSQLiteDatabase(file, real)->QueryIntFmt(
                  "select count ( * ) from parameters where param_name like %s",
                  {SqlArg::Quoted("racer-%")}),
              4);
  }
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    EXPECT_EQ(entry.path().string().find(".creating"), std::string::npos) << entry.path();
  }
}

TEST_F(ListingsDatabase, FailuresNameWhatFailedAndKeepTheFile) {
  auto failure = [&](const std::string& file) {
    return testing::ErrorOf<Exception>([&] { OpenListingsDatabase(file, env_); });
  };
  const std::string garbage(3000, 'x');
  testing::WriteFile(file_, garbage);
  EXPECT_THAT(failure(file_),
              StartsWith("Failed to open TV listings database \"" + file_ + "\" : "));
  EXPECT_EQ(testing::ReadFile(file_), garbage);
  EXPECT_FALSE(std::filesystem::exists(file_ + "-wal"));

  env_->FailFileOp(testing::FakeEnv::FileOp::kCreateDirectories, EACCES, "locked");
  EXPECT_EQ(failure(dir_ / "locked/listings.1.dat"),
            "Failed to create TV listings database in \"" + (dir_ / "locked") +
                "\" : Permission denied");
}

}  // namespace
}  // namespace kestro
