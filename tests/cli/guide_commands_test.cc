// kestro channel, channel-list, guide, search and program against a small guide written
// straight into a lineup's listings database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

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
}

TEST_F(GuideCommands, ChannelsAndChannelLists) {
  ASSERT_EQ(Kestro("channel set 1 2 --wanted no --short-name 'W ABC'").exit_code, 0);
  EXPECT_THAT(Kestro("channel list 1 --format tsv").out, Not(HasSubstr("W ABC")));
  EXPECT_THAT(Kestro("channel list 1 --all --format tsv").out, HasSubstr("W ABC\t\t\t\tno"));
  ASSERT_EQ(Kestro("channel set 1 2 --wanted yes").exit_code, 0);

  ToolRun create = Kestro("channel-list create 1 --name Evening --user Ann 2 1");
  ASSERT_EQ(create.exit_code, 0) << create.err;
  EXPECT_EQ(create.out, "1\n");
  ToolRun show = Kestro("channel-list show 1 1 --format tsv");
  EXPECT_LT(show.out.find("c7.example"), show.out.find("c4.example")) << "the list keeps its order";
  EXPECT_EQ(Kestro("channel-list list 1 --user bob --format tsv").out, "id\tname\tusers\tchannels\n");
  ASSERT_EQ(Kestro("channel-list add 1 1 --user Bob").exit_code, 0);
  EXPECT_THAT(Kestro("channel-list list 1 --user bob --format tsv").out, HasSubstr("Ann,Bob"));
  ASSERT_EQ(Kestro("channel-list remove 1 1 2").exit_code, 0);
  EXPECT_THAT(Kestro("channel-list show 1 1 --format tsv").out, Not(HasSubstr("c7.example")));
  EXPECT_THAT(Kestro("guide 1 --list 1 --format tsv").out, Not(HasSubstr("WABC")));
  ASSERT_EQ(Kestro("channel-list delete 1 1").exit_code, 0);
  EXPECT_EQ(Kestro("channel-list show 1 1").exit_code, 1);
}

}  // namespace
}  // namespace kestro
