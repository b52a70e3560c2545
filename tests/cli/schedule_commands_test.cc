// kestro record and kestro schedule on a small guide with two tuners.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/small_guide.h"

namespace kestro {
namespace {

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
  ToolRun third = Kestro("record 1 --channel 1 --start now+1h --end now+1h20m --title Extra");
  EXPECT_EQ(third.exit_code, 1);
  EXPECT_THAT(third.err, HasSubstr("Not scheduled: "));
  EXPECT_THAT(third.err, HasSubstr("Café Révolution"));

  ToolRun list = Kestro("schedule list 1 --format tsv");
  EXPECT_THAT(list.out, HasSubstr("1\t2\t"));
  EXPECT_THAT(list.out, HasSubstr("\tNEW\thard 60/120 soft 0/0"));
  EXPECT_THAT(Kestro("search 1 title 'café*' --format tsv").out, HasSubstr("\tyes\n"));
  EXPECT_THAT(Kestro("schedule list 1 --tuner 1 --format tsv").out, Not(HasSubstr("\n1\t")));
}

TEST_F(ScheduleCommands, DeleteMarksThenPurgeRemoves) {
  ASSERT_EQ(Kestro("record 1 2").exit_code, 0);
  ASSERT_EQ(Kestro("schedule delete 1 1").exit_code, 0);
  EXPECT_THAT(Kestro("schedule list 1 --deleted --format tsv").out, HasSubstr("deleted by USER"));
  EXPECT_EQ(Kestro("schedule list 1 --format tsv").out.find("\n1\t"), std::string::npos);
  ASSERT_EQ(Kestro("schedule delete 1 1 --purge").exit_code, 0);
  EXPECT_EQ(Kestro("schedule list 1 --deleted --format tsv").out,
            "id\ttuner\tstart\tend\ttitle\tchannel\tstatus\tpadding\n");
  EXPECT_EQ(Kestro("schedule delete 1 1").exit_code, 1);
  EXPECT_EQ(Kestro("record 1 2 --keep forever").exit_code, 2);
  EXPECT_EQ(Kestro("record 1 999").exit_code, 1);
}

}  // namespace
}  // namespace kestro
