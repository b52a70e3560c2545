// kestro record and kestro schedule on a small guide with two tuners.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/small_guide.h"
#include "platform/time/format_settings.h"

namespace kestro {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ToolRun;
using ScheduleCommands = testing::SmallGuideTest;

TEST_F(ScheduleCommands, RecordUntilTheTunersAreFullThenShowTheConflicts) {
  ToolRun first = Kestro("record 1 2 --before 60 --after 120");
  ASSERT_EQ(first.exit_code, 0) << first.err;
  EXPECT_EQ(first.out, "Schedule 1 on tuner 2\n") << "the highest free tuner first";
  ASSERT_EQ(Kestro("record 1 8").out, "Schedule 2 on tuner 1\n");  // same time on channel 7

  // Both tuners are busy then: refused, with the reason and both conflicting schedules.
  ToolRun third = Kestro("record 1 --channel 4 --start now+1h --end now+1h20m --title Extra");
  EXPECT_EQ(third.exit_code, 1);
  EXPECT_THAT(third.err, AllOf(HasSubstr("Not scheduled: "), HasSubstr("Café Révolution")));

  EXPECT_THAT(Kestro("schedule list 1 --format tsv").out,
              AllOf(HasSubstr("1\t2\t"), HasSubstr("\tNEW\thard 60/120 soft 0/0")));
  EXPECT_THAT(Kestro("search 1 title 'café*' --format tsv").out, HasSubstr("\tyes\n"));
  EXPECT_THAT(Kestro("schedule list 1 --tuner 1 --format tsv").out, Not(HasSubstr("\n1\t")));
}

TEST_F(ScheduleCommands, DeleteMarksThenPurgeRemoves) {
  ASSERT_EQ(Kestro("record 1 2").exit_code, 0);
  ASSERT_EQ(Kestro("schedule delete 1 1").exit_code, 0);
  EXPECT_THAT(Kestro("schedule list 1 --deleted --format tsv").out, HasSubstr("deleted by USER"));
  EXPECT_EQ(Kestro("schedule list 1 --format tsv").out.find("\n1\t"), std::string::npos);
  ASSERT_EQ(Kestro("schedule delete 1 1 --purge").exit_code, 0);
  EXPECT_EQ(Kestro("schedule list 1 --deleted --format tsv").out.find("\n1\t"), std::string::npos);
  EXPECT_EQ(Kestro("schedule delete 1 1").exit_code, 1);
  EXPECT_EQ(Kestro("record 1 2 --keep forever").exit_code, 2);
  EXPECT_EQ(Kestro("record 1 999").exit_code, 1);
}

// "HH:MM" of now plus `minutes`, and the "YYYY-MM-DD HH:MM" of its next occurrence.
std::pair<std::string, std::string> TimeOfDayFromNow(int minutes) {
  const OleDate at = MakeRealEnv()->NowLocal() + minutes * kOneMinute;
  return {FormatDateTime("hh:nn", at), FormatDateTime("yyyy-mm-dd hh:nn", at)};
}

TEST_F(ScheduleCommands, TimesOfDayMeanTodayOrTheNextOccurrence) {
  const auto [start, start_date] = TimeOfDayFromNow(120);
  const auto [end, end_date] = TimeOfDayFromNow(150);
  Succeeds("record 1 --channel 4 --title Later --start " + start + " --end " + end);
  EXPECT_THAT(Kestro("schedule list 1 --format tsv").out,
              HasSubstr("\t" + start_date + "\t" + end_date + "\tLater\t"));
  // A window of times of day that is over already is tomorrow's.
  const auto [past_start, past_start_date] = TimeOfDayFromNow(-90);
  const auto [past_end, past_end_date] = TimeOfDayFromNow(-60);
  Succeeds("record 1 --channel 7 --title Tomorrow --start " + past_start + " --end " + past_end);
  EXPECT_THAT(Kestro("schedule list 1 --format tsv").out, Not(HasSubstr(past_start_date)));

  const auto [now, now_date] = TimeOfDayFromNow(0);
  EXPECT_THAT(Succeeds("guide 1 --at " + now), HasSubstr("Star Trek (Part 0)"));
  for (const char* bad :
       {"guide 1 --at '1970-01-01 10:00'", "search 1 title x --from '2100-01-01 00:00'"})
    ExpectFails(bad, 2, "\"YYYY-MM-DD HH:MM\", \"HH:MM\" (today)");
}

TEST_F(ScheduleCommands, RecordRefusesWindowsThatCannotBeMeant) {
  ExpectFails("record 1 --channel 4 --start now-2h --end now-1h --title Gone", 1,
              "has already ended");
  ExpectFails("record 1 --channel 4 --start now+1h --end now+26h --title Long", 2,
              "is longer than 24 hours");
  EXPECT_EQ(Kestro("record 1 --channel 4 --start now+1h --end now+26h --title Long --force").exit_code,
            0);

  const std::string window = "--start '" + TimeOfDayFromNow(180).second + "' --end '" +
                             TimeOfDayFromNow(240).second + "'";
  ASSERT_EQ(Kestro("record 1 --channel 7 --title Once " + window).exit_code, 0);
  ExpectFails("record 1 --channel 7 --title Again " + window, 1, "already scheduled as #2");
  EXPECT_THAT(Kestro("schedule list 1 --format tsv").out, Not(HasSubstr("Again")));
}

}  // namespace
}  // namespace kestro
