// kestro rule on the small guide with two tuners: Star Trek, Café Révolution and The News air
// back to back on both channels, each twice, from ten minutes ago.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "cli/small_guide.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ToolRun;

using RuleCommands = testing::SmallGuideTest;

TEST_F(RuleCommands, SearchRuleSchedulesItsShowingsAndIsListed) {
  // A literal "\n" breaks the query's line; left as it is, the channel line would be lost.
  const std::string add = Succeeds("rule add 1 --search 'title news*\\nchannel 7' --log");
  EXPECT_THAT(add, HasSubstr("SAVING RS : mode LOW_PRIORITY_SAVE"));
  EXPECT_THAT(add, HasSubstr("Rule 1 saved with priority 100000\nResult: OK\n"));

  EXPECT_THAT(Column("schedule list 1", 4), ::testing::ElementsAre("The News", "The News"));
  EXPECT_THAT(Column("schedule list 1", 5), ::testing::Each("7 WABC"));
  EXPECT_THAT(Rows("rule list 1"),
              ::testing::ElementsAre("1\tsearch\t100000\ttitle news* \\ channel 7\t"
                                     "title news* \\ channel 7\t\t2"));

  // A second --search adds a line: "next 3h" leaves the first showing on one channel.
  Succeeds("rule save 1 1 --search 'title news*' --search 'next 3h' "
           "--title News --duplicates none --soft-after 30");
  EXPECT_THAT(Rows("rule list 1"),
              ::testing::ElementsAre("1\tsearch\t100000\tNews\ttitle news* \\ next 3h\t"
                                     "duplicates none, soft 0/30\t1"));
}

TEST_F(RuleCommands, TimeRuleWindowEndsOnTheNextDayAndSaveChangesOnlyWhatIsGiven) {
  Succeeds("rule add 1 --channel 7 --start 23:00 --end 01:00 --frequency every-day --title Late");
  // The window crosses midnight: each showing ends on the day after it starts.
  const std::vector<std::string> rows = Rows("schedule list 1");
  ASSERT_EQ(rows.size(), 15u) << "today and the next fourteen days";
  int y1, m1, d1, y2, m2, d2;
  ASSERT_EQ(std::sscanf(Split(rows[0], '\t')[2].c_str(), "%d-%d-%d 23:00", &y1, &m1, &d1), 3);
  ASSERT_EQ(std::sscanf(Split(rows[0], '\t')[3].c_str(), "%d-%d-%d 01:00", &y2, &m2, &d2), 3);
  EXPECT_EQ(EncodeDate(y2, m2, d2) - EncodeDate(y1, m1, d1), 1.0) << rows[0];

  EXPECT_THAT(Succeeds("rule save 1 1 --keep-at-most 2 --before 60 --keep until-deleted"),
              HasSubstr("Rule 1 saved with priority 100000\n"));
  // A showing under way when the rule is saved again stays as it was.
  const int hour = DecodeDateTime(MakeRealEnv()->NowLocal()).hour;
  const int under_way = hour >= 23 ? 1 : 0;  // the rule begins with today's showing
  EXPECT_THAT(Rows("rule list 1"),
              ::testing::ElementsAre("1\ttime\t100000\tLate\tevery-day 23:00-01:00 ch 7 WABC\t"
                                     "keep-at-most 2, keep until-deleted, padding 60/0\t" +
                                     std::to_string(2 + under_way)));
  const std::vector<std::string> saved = Column("schedule list 1", 2);
  EXPECT_EQ(std::count_if(saved.begin(), saved.end(),
                          [](const std::string& s) { return s.ends_with("22:59"); }),
            2);
  EXPECT_EQ(saved.size(), static_cast<size_t>(2 + under_way));

  EXPECT_EQ(Kestro("rule save 1 9").exit_code, 1);
  EXPECT_EQ(Kestro("rule save 1 1 --search 'title x'").exit_code, 2) << "a time rule";
  EXPECT_EQ(Kestro("rule save 1 1 --mode low-priority-try").exit_code, 1)
      << "a mode for new rules only";
}

TEST_F(RuleCommands, ConflictsAreHandledAsTheModeSays) {
  // Both tuners are busy while the first showing of The News is on.
  ASSERT_EQ(Kestro("record 1 --channel 4 --start now+100m --end now+110m --title A").exit_code, 0);
  ASSERT_EQ(Kestro("record 1 --channel 7 --start now+100m --end now+110m --title B").exit_code, 0);

  EXPECT_THAT(Succeeds("rule preview 1 --search 'title news*'"),
              AllOf(HasSubstr("Result: CONFLICT"), HasSubstr("#1 A")));

  ToolRun tried = Kestro("rule add 1 --search 'title news*' --mode low-priority-try");
  EXPECT_EQ(tried.exit_code, 1);
  EXPECT_THAT(tried.out, HasSubstr("Rule not saved\nResult: CONFLICT"));
  EXPECT_TRUE(Rows("rule list 1").empty()) << "a preview and a refused save store nothing";

  // Low priority: saved, the colliding showing skipped, and the conflict still reported.
  ExpectFails("rule add 1 --search 'title news*'", 1,
              "the rule was saved, but some showings conflict");
  EXPECT_EQ(Rows("schedule list 1").size(), 3u);

  // High priority: the single schedules in the way are deleted by the rule's creator.
  EXPECT_EQ(Kestro("rule add 1 --search 'title news*' --mode high-priority-save").exit_code, 1);
  EXPECT_THAT(Column("schedule list 1", 4), ::testing::Each("The News"));
}

TEST_F(RuleCommands, PrioritizeRenumbersAndDeleteKeepsTheRecordingUnderWay) {
  for (const char* title : {"star trek", "café*", "news*"})
    ASSERT_EQ(Kestro(std::string("rule add 1 --search 'title ") + title + "'").exit_code, 0);

  ToolRun wrong = Kestro("rule prioritize 1 3 1");
  EXPECT_EQ(wrong.exit_code, 2);
  EXPECT_THAT(wrong.err, HasSubstr("name every rule of the lineup once, highest priority first: "
                                   "it has 3 rules; missing: 2"));
  EXPECT_THAT(Kestro("rule prioritize 1 3 1 3").err, HasSubstr("rule 3 is named twice"));

  EXPECT_THAT(Succeeds("rule prioritize 1 3 1 2"), HasSubstr("OK"));
  EXPECT_THAT(Column("rule list 1", 0), ::testing::ElementsAre("3", "1", "2"));

  // Star Trek's first showing is on now: it goes on as a single recording.
  ASSERT_EQ(Kestro("rule delete 1 1").exit_code, 0);
  EXPECT_THAT(Column("rule list 1", 0), ::testing::ElementsAre("3", "2"));
  std::vector<std::string> titles = Column("schedule list 1", 4);
  EXPECT_EQ(std::count(titles.begin(), titles.end(), "Star Trek"), 1);
  ExpectFails("rule delete 1 1", 1, "No rule with id 1");
}

TEST_F(RuleCommands, AReorderingThatCostsARuleAShowingFailsNamingIt) {
  ASSERT_EQ(Kestro("rule add 1 --search 'title news*'").exit_code, 0);
  // Two time rules on both channels while the later News is on; put first, they take both tuners.
  const auto clock = [](int minutes) {
    return FormatDateTime("hh:nn", MakeRealEnv()->NowLocal() + minutes * kOneMinute);
  };
  const std::string window =
      " --start " + clock(270) + " --end " + clock(290) + " --frequency every-day";
  ASSERT_EQ(Kestro("rule add 1 --channel id:1" + window).exit_code, 0);
  Kestro("rule add 1 --channel id:2" + window);
  ExpectFails("rule prioritize 1 2 3 1", 1, "rule 1: CONFLICT");
  EXPECT_THAT(Kestro("schedule list 1 --deleted").out,
              HasSubstr("Conflict with a recording of equal or higher priority"));
}

TEST_F(RuleCommands, BadOptionsAreUsageErrors) {
  for (const char* args : {
           "rule add 1",
           "rule add 1 --search 'title x' --start 20:00",
           "rule add 1 --channel 1 --start 24:00 --end 21:00 --frequency mon",
           "rule add 1 --search 'title x' --first-run-only --all-repeats",
           "rule add 1 --search 'titel news'",
  }) {
    ExpectFails(args, 2, "usage: kestro rule");
  }
  EXPECT_TRUE(Rows("rule list 1").empty());
  EXPECT_THAT(Kestro("rule add 1 --search 'titel news'").err,
              HasSubstr("--search: line 1: unknown field \"titel\""));
  EXPECT_THAT(Kestro("rule add 1 --channel 9 --start 20:00 --end 21:00 --frequency mon").err,
              HasSubstr("No channel with number 9"));
}

}  // namespace
}  // namespace kestro
