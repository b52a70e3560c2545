// kestro lineup add/list/set/delete, run as a user runs them against a temporary registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/kestro_tool.h"
#include "platform/env/real_env.h"
#include "storage/sqlite_database.h"

namespace kestro {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

class LineupCommands : public testing::KestroToolTest {
 protected:
  void SetUp() override { SetUpTool(2); }

  std::string Properties(const std::string& id) {
    std::string text;
    DBPtr db = OpenSQLiteDatabase(root_ + "/library/tv/lineups.dat", MakeRealEnv());
    for (TablePtr t = db->Query("select prop_name , prop_value from plugin_props where "
                                "lineup_id = " +
                                id + " order by prop_name");
         !t->Eof(); t->Next())
      text += t->Text(0) + "=" + t->Text(1) + ";";
    return text;
  }
};

TEST_F(LineupCommands, AddListSetDelete) {
  EXPECT_EQ(Succeeds("lineup add --name Cable --plugin xmltv --set file=/srv/guide.xml "
                     "--set grabber=tv_grab_x"),
            "1\n");
  ASSERT_EQ(Kestro("lineup add --name 'Air waves' --plugin service").out, "2\n");
  ASSERT_EQ(Kestro("lineup add --name Other --plugin '{0D1E2F3A-4B5C-6D7E-8F90-A1B2C3D4E5F6}'")
                .exit_code, 0);

  // Only lineup 1 has a tuner group.
  EXPECT_THAT(Succeeds("lineup list --format tsv"),
              AllOf(HasSubstr("\n1\tCable\txmltv\t2\t"),
                    HasSubstr("\n3\tOther\t{0D1E2F3A-4B5C-6D7E-8F90-A1B2C3D4E5F6}\t0\t")));
  EXPECT_EQ(Properties("1"), "file=/srv/guide.xml;grabber=tv_grab_x;");

  Succeeds("lineup set 1 --name 'Cable North' --unset FILE --set days=7 --set grabber=tv_grab_y");
  EXPECT_EQ(Properties("1"), "days=7;grabber=tv_grab_y;");
  EXPECT_THAT(Kestro("lineup list").out, HasSubstr("Cable North"));

  ExpectFails("lineup set 1 --unset nothing", 1, "Lineup 1 has no property \"nothing\"");

  const std::string listings = root_ + "/library/tv/listings.2.dat";
  testing::WriteFile(listings, "guide");
  Succeeds("lineup delete 2");
  EXPECT_FALSE(std::filesystem::exists(listings));
  EXPECT_THAT(Kestro("lineup list --format json").out,
              AllOf(Not(HasSubstr("Air waves")), HasSubstr("\"Cable North\"")));
}

TEST_F(LineupCommands, UnknownLineupsAndMisuse) {
  for (const char* command : {"lineup delete 7", "lineup set abc --name x"})
    ExpectFails(command, 1, "; \"kestro lineup list\" shows the lineups");
  for (const char* command :
       {"lineup add --name x --plugin bogus", "lineup add --name x --plugin xmltv --set novalue"})
    ExpectFails(command, 2, "usage: kestro lineup");
}

}  // namespace
}  // namespace kestro
