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

using ::testing::HasSubstr;
using ::testing::Not;
using testing::ToolRun;

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
  ToolRun add = Kestro(
      "lineup add --name Cable --plugin xmltv --set file=/srv/guide.xml "
      "--set grabber=tv_grab_x");
  ASSERT_EQ(add.exit_code, 0) << add.err;
  EXPECT_EQ(add.out, "1\n");
  ASSERT_EQ(Kestro("lineup add --name 'Air waves' --plugin service").out, "2\n");
  ASSERT_EQ(Kestro("lineup add --name Other --plugin '{0D1E2F3A-4B5C-6D7E-8F90-A1B2C3D4E5F6}'")
                .exit_code, 0);

  ToolRun list = Kestro("lineup list --format tsv");
  ASSERT_EQ(list.exit_code, 0) << list.err;
  EXPECT_THAT(list.out, HasSubstr("\n1\tCable\txmltv\t2\t")) << "only lineup 1 has a tuner group";
  EXPECT_THAT(list.out, HasSubstr("\n3\tOther\t{0D1E2F3A-4B5C-6D7E-8F90-A1B2C3D4E5F6}\t0\t"));
  EXPECT_EQ(Properties("1"), "file=/srv/guide.xml;grabber=tv_grab_x;");

  ToolRun set = Kestro(
      "lineup set 1 --name 'Cable North' --unset FILE --set days=7 "
      "--set grabber=tv_grab_y");
  ASSERT_EQ(set.exit_code, 0) << set.err;
  EXPECT_EQ(Properties("1"), "days=7;grabber=tv_grab_y;");
  EXPECT_THAT(Kestro("lineup list").out, HasSubstr("Cable North"));

  ToolRun missing_key = Kestro("lineup set 1 --unset nothing");
  EXPECT_EQ(missing_key.exit_code, 1);
  EXPECT_THAT(missing_key.err, HasSubstr("Lineup 1 has no property \"nothing\""));

  const std::string listings = root_ + "/library/tv/listings.2.dat";
  testing::WriteFile(listings, "guide");
  ToolRun del = Kestro("lineup delete 2");
  ASSERT_EQ(del.exit_code, 0) << del.err;
  EXPECT_FALSE(std::filesystem::exists(listings));
  ToolRun after = Kestro("lineup list --format json");
  EXPECT_THAT(after.out, Not(HasSubstr("Air waves")));
  EXPECT_THAT(after.out, HasSubstr("\"Cable North\""));
}

TEST_F(LineupCommands, UnknownLineupsAndMisuse) {
  for (const char* command : {"lineup delete 7", "lineup set abc --name x"}) {
    ToolRun run = Kestro(command);
    EXPECT_EQ(run.exit_code, 1) << command;
    EXPECT_THAT(run.err, HasSubstr("; \"kestro lineup list\" shows the lineups")) << command;
  }

  for (const char* command :
       {"lineup add --name x --plugin bogus", "lineup add --name x --plugin xmltv --set novalue"}) {
    ToolRun run = Kestro(command);
    EXPECT_EQ(run.exit_code, 2) << command;
    EXPECT_THAT(run.err, HasSubstr("usage: kestro lineup")) << command;
  }
}

}  // namespace
}  // namespace kestro
