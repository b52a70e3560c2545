// kestro channel, channel-list, guide, search and program against a small guide written
// straight into a lineup's listings database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "cli/small_guide.h"

namespace kestro {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::ToolRun;

using GuideCommands = testing::SmallGuideTest;


TEST_F(GuideCommands, GuideShowsEachChannelFromNow) {
  ToolRun guide = Kestro("guide 1 --hours 2");
  ASSERT_EQ(guide.exit_code, 0) << guide.err;
  EXPECT_THAT(guide.out, HasSubstr("KXYZ"));
  EXPECT_THAT(guide.out, HasSubstr("Star Trek (Part 0)")) << "on now";
  EXPECT_THAT(guide.out, HasSubstr("The News (Part 2)"));
  EXPECT_THAT(guide.out, Not(HasSubstr("Part 3"))) << "beyond the two hours";

  ToolRun tsv = Kestro("guide 1 --hours 1 --format tsv");
  ASSERT_EQ(tsv.exit_code, 0) << tsv.err;
  EXPECT_THAT(tsv.out, HasSubstr("\t7 WABC\t"));
  EXPECT_EQ(Kestro("guide 1 --at yesterday").exit_code, 2);
}

TEST_F(GuideCommands, SearchesOfEveryKind) {
  ToolRun title = Kestro("search 1 title 'star*' --format tsv");
  ASSERT_EQ(title.exit_code, 0) << title.err;
  EXPECT_THAT(title.out, HasSubstr("Star Trek\tPart 3"));
  EXPECT_THAT(title.out, Not(HasSubstr("Café")));

  EXPECT_THAT(Kestro("search 1 title 'café révolution' --channel 7 --format tsv").out,
              HasSubstr("7 WABC\t"));
  EXPECT_THAT(Kestro("search 1 keywords --all café space --format tsv").out,
              HasSubstr("Café Révolution"));
  EXPECT_THAT(Kestro("search 1 person 'ana*' --format tsv").out, HasSubstr("2\t4 KXYZ"));
  EXPECT_THAT(Kestro("search 1 key key2 --format tsv").out, HasSubstr("The News"));
  ToolRun custom = Kestro("search 1 custom 'title star trek\\next 1d' --format json");
  ASSERT_EQ(custom.exit_code, 0) << custom.err;
  EXPECT_THAT(custom.out, HasSubstr("\"title\": \"Star Trek\""));

  EXPECT_EQ(Kestro("search 1 colour red").exit_code, 2);
  EXPECT_EQ(Kestro("search 1 type XX").exit_code, 2);
  ToolRun missing = Kestro("search 1 title x --channel 99");
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_THAT(missing.err, HasSubstr("No channel with number 99"));
}

TEST_F(GuideCommands, SearchesTakeTheWordsAUserTypes) {
  ToolRun typo = Kestro("search 1 custom 'title star trek\\strat >= now'");
  EXPECT_EQ(typo.exit_code, 2);
  EXPECT_THAT(typo.err, HasSubstr("line 2: unknown field \"strat\""));
  EXPECT_EQ(Kestro("search 1 custom '# only a comment'").exit_code, 2);
  ToolRun limited = Kestro("search 1 custom 'title star trek' --limit 1 --format tsv");
  ASSERT_EQ(limited.exit_code, 0) << limited.err;
  EXPECT_EQ(std::count(limited.out.begin(), limited.out.end(), '\n'), 2) << limited.out;

  EXPECT_THAT(Kestro("search 1 person núñez --format tsv").out, HasSubstr("2\t4 KXYZ"));
  ToolRun everything = Kestro("search 1 title '*' --format tsv");
  EXPECT_THAT(everything.out, HasSubstr("Café Révolution"));
  EXPECT_THAT(everything.out, HasSubstr("The News"));
  ToolRun help = Kestro("search --help");
  for (const char* field : {"title", "keywords", "people", "genre", "program-type", "movies-only",
                            "channel-id", "day", "start-time", "next", "will-record",
                            "include-past", "limit"})
    EXPECT_THAT(help.out, HasSubstr("  " + std::string(field) + " ")) << field;
}

TEST_F(GuideCommands, ProgramShowsDetailsAndPeople) {
  ToolRun program = Kestro("program 1 2");
  ASSERT_EQ(program.exit_code, 0) << program.err;
  EXPECT_THAT(program.out, HasSubstr("Café Révolution"));
  EXPECT_THAT(program.out, HasSubstr("Year               1999"));
  EXPECT_THAT(program.out, HasSubstr("Ana Núñez (Actor)"));
  EXPECT_EQ(Kestro("program 1 999").exit_code, 1);

  // JSON: numbers as numbers, one key style, lists as arrays.
  ToolRun json = Kestro("program 1 2 --format json");
  ASSERT_EQ(json.exit_code, 0) << json.err;
  const nlohmann::json details = nlohmann::json::parse(json.out);
  EXPECT_EQ(details["programme"], 2);
  EXPECT_EQ(details["year"], 1999);
  EXPECT_EQ(details["equality_key"], "key1");
  EXPECT_EQ(details["schedule"], nullptr);
  EXPECT_EQ(details["people"], nlohmann::json::array({"Ana Núñez (Actor)"}));
  const nlohmann::json channels = nlohmann::json::parse(Kestro("channel list 1 --format json").out);
  EXPECT_EQ(channels[1]["number"], 7);
  EXPECT_EQ(channels[1]["short_name"], "WABC");
  EXPECT_EQ(channels[1]["wanted"], true);
}

TEST_F(GuideCommands, ChannelsAndChannelLists) {
  ToolRun create = Kestro("channel-list create 1 --name Evening --user Ann 7 id:1");
  ASSERT_EQ(create.exit_code, 0) << create.err;
  EXPECT_EQ(create.out, "1\n");
  ToolRun show = Kestro("channel-list show 1 1 --format tsv");
  EXPECT_LT(show.out.find("c7.example"), show.out.find("c4.example")) << "the list keeps its order";
  EXPECT_EQ(Kestro("channel-list list 1 --user bob --format tsv").out, "id\tname\tusers\tchannels\n");
  ASSERT_EQ(Kestro("channel-list add 1 1 --user Bob").exit_code, 0);
  EXPECT_THAT(Kestro("channel-list list 1 --user bob --format tsv").out, HasSubstr("Ann,Bob"));
  ASSERT_EQ(Kestro("channel-list remove 1 1 7").exit_code, 0);
  EXPECT_THAT(Kestro("channel-list show 1 1 --format tsv").out, Not(HasSubstr("c7.example")));
  EXPECT_THAT(Kestro("guide 1 --list 1 --format tsv").out, Not(HasSubstr("WABC")));
  EXPECT_THAT(Kestro("guide 1 --list 1").out, Not(HasSubstr("WABC")));
  ToolRun no_list = Kestro("guide 1 --list 9");
  EXPECT_EQ(no_list.exit_code, 1);
  EXPECT_THAT(no_list.err, HasSubstr("No channel list with id 9"));
  ASSERT_EQ(Kestro("channel-list delete 1 1").exit_code, 0);
  EXPECT_EQ(Kestro("channel-list show 1 1").exit_code, 1);
}

TEST_F(GuideCommands, AnUnwantedChannelLeavesTheGuideSearchesAndRules) {
  ASSERT_EQ(Kestro("channel set 1 7 --wanted no --short-name 'W ABC'").exit_code, 0);
  EXPECT_THAT(Kestro("channel list 1 --format tsv").out, Not(HasSubstr("W ABC")));
  EXPECT_THAT(Kestro("channel list 1 --all --format tsv").out, HasSubstr("W ABC\t\t\t\tno"));
  EXPECT_THAT(Kestro("guide 1").out, Not(HasSubstr("W ABC")));
  EXPECT_THAT(Kestro("search 1 title 'star*' --format tsv").out, Not(HasSubstr("W ABC")));
  EXPECT_THAT(Kestro("search 1 custom 'title star trek' --format tsv").out,
              Not(HasSubstr("W ABC")));
  ToolRun preview = Kestro("rule preview 1 --search 'title star trek' --format json");
  ASSERT_EQ(preview.exit_code, 0) << preview.err;
  const nlohmann::json outcome = nlohmann::json::parse(preview.out);
  EXPECT_EQ(outcome["rule"], nullptr);
  EXPECT_EQ(outcome["stored"], false);
  ASSERT_EQ(outcome["showings"].size(), 2u) << "Star Trek on channel 4 only";
  for (const nlohmann::json& showing : outcome["showings"]) {
    EXPECT_EQ(showing["channel"], "4 KXYZ");
    EXPECT_EQ(showing["schedule"], nullptr) << "nothing stored";
  }
  // Asked for by name, it is still there.
  EXPECT_THAT(Kestro("search 1 title 'star*' --channel 7 --format tsv").out, HasSubstr("W ABC"));

  ToolRun list = Kestro("channel-list create 1 --name Both 4 7");
  ASSERT_EQ(list.exit_code, 0) << list.err;
  EXPECT_THAT(list.err, HasSubstr("Channel 7 W ABC (id:2) is not wanted"));

  ASSERT_EQ(Kestro("channel set 1 7 --wanted yes").exit_code, 0);
  EXPECT_THAT(Kestro("guide 1").out, HasSubstr("W ABC"));
}

TEST_F(GuideCommands, ChannelArgumentsTakeTheNumberTheGuideShowsOrAnId) {
  EXPECT_THAT(Kestro("guide 1").out, HasSubstr("\n7   WABC"));
  ToolRun by_number = Kestro("record 1 --channel 7 --start now+1h --end now+2h --title A");
  ASSERT_EQ(by_number.exit_code, 0) << by_number.err;
  ToolRun by_id = Kestro("record 1 --channel id:1 --start now+1h --end now+2h --title B");
  ASSERT_EQ(by_id.exit_code, 0) << by_id.err;
  const std::string schedules = Kestro("schedule list 1 --format tsv").out;
  EXPECT_THAT(schedules, HasSubstr("\tA\t7 WABC\t"));
  EXPECT_THAT(schedules, HasSubstr("\tB\t4 KXYZ\t"));
  ASSERT_EQ(Kestro("channel set 1 id:2 --number 4").exit_code, 0);

  ToolRun shared = Kestro("search 1 title x --channel 4");
  EXPECT_EQ(shared.exit_code, 1);
  EXPECT_THAT(shared.err, HasSubstr("Channel number 4 is shared by 4 KXYZ (id:1), 4 WABC (id:2)"));
  ToolRun missing = Kestro("channel set 1 7 --wanted no");
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_THAT(missing.err, HasSubstr("No channel with number 7"));
  EXPECT_EQ(Kestro("record 1 --channel seven --start now+1h --end now+2h --title C").exit_code, 2);
  EXPECT_EQ(Kestro("channel set 1 id:99 --wanted no").exit_code, 1);
}

}  // namespace
}  // namespace kestro
