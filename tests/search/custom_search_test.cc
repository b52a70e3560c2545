#include "listings/custom_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/time/date_time.h"

namespace kestro {
namespace {

using ::testing::ElementsAre;

// Wednesday 9 March 2005, 12:34:56.
const OleDate kNow = EncodeDateTime({2005, 3, 9, 12, 34, 56, 0});

TEST(DateExpressionTest, BaseWordsAndOffsetsOrRejected) {
  const std::pair<const char*, OleDate> cases[] = {
      {"now", kNow},
      {"TODAY", EncodeDate(2005, 3, 9)},
      {"today+1d20h", EncodeDateTime({2005, 3, 10, 20, 0, 0, 0})},
      {"today+20m1d", EncodeDateTime({2005, 3, 10, 0, 20, 0, 0})},  // any order
      {"now-1h30m", EncodeDateTime({2005, 3, 9, 11, 4, 56, 0})},
      {"today - 10d", EncodeDate(2005, 2, 27)},  // across a month boundary
  };
  for (const auto& [text, expected] : cases) {
    OleDate value = 0;
    ASSERT_TRUE(ParseDateExpression(text, kNow, &value)) << text;
    EXPECT_EQ(DateTimeToDbTime(value), DateTimeToDbTime(expected)) << text;
  }
  OleDate value = 0;
  for (const char* bad : {"tomorrow", "today+", "today+1d1d", "now+2w", "now+d", "now 1d",
                          "today*1d", "now+1", "yesterday-1d", ""}) {
    EXPECT_FALSE(ParseDateExpression(bad, kNow, &value)) << bad;
  }
}

TEST(TimeOfDayTest, TimesDurationsAndDayNames) {
  int32_t hhmm = -1;
  for (auto [text, expected] : std::vector<std::pair<const char*, int32_t>>{
           {"20:00", 2000}, {"2000", 2000}, {"9:05", 905}, {"930", 930}, {"0", 0}, {"23:59", 2359}}) {
    ASSERT_TRUE(ParseTimeOfDay(text, &hhmm)) << text;
    EXPECT_EQ(hhmm, expected) << text;
  }
  for (const char* bad : {"24:00", "2400", "12:99", "1260", "20:00:00", "12345", "8pm", "", "20.00"}) {
    EXPECT_FALSE(ParseTimeOfDay(bad, &hhmm)) << bad;
  }
  int64_t ms = 0;
  ASSERT_TRUE(ParseDuration("3h30m", &ms));
  EXPECT_EQ(ms, (3 * 60 + 30) * 60 * 1000);
  EXPECT_FALSE(ParseDuration("-1d", &ms));
  EXPECT_FALSE(ParseDuration("3h3h", &ms));
  EXPECT_EQ(ParseDayName("Sat"), 6);
  EXPECT_EQ(ParseDayName("MONDAY"), 1);
  EXPECT_EQ(ParseDayName("sunday"), 7);
  EXPECT_EQ(ParseDayName("satur"), 0);
}

TEST(CustomSearchParseTest, LinesThatCannotBeUnderstoodAreSkipped) {
  const char* query =
      "# a comment\n"
      "\n"
      "start >= tomorrow\n"          // unknown base word
      "start => now\n"               // unknown operator
      "start-time >= 25:00\n"        // no time of day
      "end-time >=20:00\n"           // operator and time not separated
      "next soon\n"                  // no duration
      "keywords some words\n"        // unknown mode
      "keywords all ?!\n"            // no word left
      "day funday, someday\n"        // no known day
      "program-type xx\n"            // no known type
      "channel -1, abc\n"            // no channel number
      "title *\n"                    // no pattern
      "people *\n"
      "end-date 2005-03-12\nchannel-list 3\nholiday xmas\ncountry us\n"
      "frobnicate everything\n"
      "limit lots\n"
      "   title   Dr Who   \n";      // the one line that counts
  CustomSearchQuery q = ParseCustomSearch(query, kNow);
  EXPECT_EQ(q.conditions.size(), 1u);
  EXPECT_EQ(q.limit, 0);
  EXPECT_EQ(q.from_time, kNow);

  // Each skipped line (or dropped item) is reported with its number and the word.
  EXPECT_THAT(q.problems,
              ElementsAre("line 3: bad date \"tomorrow\" (now or today, such as today+1d20h)",
                          "line 4: bad operator \"=>\" (=, <, >, <= or >=)",
                          "line 5: bad time of day \"25:00\" (such as 20:00)",
                          "line 6: bad operator \">=20:00\" (=, <, >, <= or >=)",
                          "line 7: bad duration \"soon\" (such as 3h30m)",
                          "line 8: bad keyword mode \"some\" (all, any or exact)",
                          "line 9: missing words after \"all\"",
                          "line 10: bad day \"funday\"", "line 10: bad day \"someday\"",
                          "line 11: bad programme type \"xx\"",
                          "line 12: bad channel number \"-1\"",
                          "line 12: bad channel number \"abc\"", "line 13: bad title \"*\"",
                          "line 14: bad name \"*\"", "line 15: this field is not supported",
                          "line 16: this field is not supported",
                          "line 17: this field is not supported",
                          "line 18: this field is not supported",
                          "line 19: unknown field \"frobnicate\"",
                          "line 20: bad limit \"lots\" (a number, 0 for all)"));

  EXPECT_THAT(ParseCustomSearch("title \"dr who\nwill-record now", kNow).problems,
              ElementsAre("line 1: unbalanced quote in \"\"dr who\"",
                          "line 2: will-record takes no value, not \"now\""));
  EXPECT_THAT(ParseCustomSearch(" \\# nothing", kNow).problems,
              ElementsAre("the search is empty: give at least one field"));
  EXPECT_TRUE(ParseCustomSearch("title a\\keywords exact it's", kNow).problems.empty());
}

}  // namespace
}  // namespace kestro
