#include "platform/time/time_zone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "common/test_environment.h"
#include "platform/time/date_time.h"

namespace kestro {
namespace {

int64_t UnixSeconds(int y, int mo, int d, int h = 0, int mi = 0) {
  return DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60;
}

// The C library, with TZ set to the zone, is the reference: every hour of a year before, within
// and long after the years the zone files list changes for (after them the closing rule holds).
TEST(ZoneFileTest, OffsetsMatchTheCLibraryInEveryHour) {
  testing::SavedEnvironment saved;
  for (const char* name : {"Europe/Berlin", "America/New_York", "Australia/Sydney",
                           "Europe/Dublin", "Asia/Kolkata", "Pacific/Auckland",
                           "America/Sao_Paulo"}) {
    const std::shared_ptr<const TimeZone> zone = TimeZone::Load(name);
    ASSERT_TRUE(zone) << name;
    testing::SavedEnvironment::SetTimeZone(name);
    for (const int year : {1975, 2024, 2051}) {
      for (int64_t t = UnixSeconds(year, 1, 1); t < UnixSeconds(year + 1, 1, 1); t += 3600) {
        const time_t unix_time = static_cast<time_t>(t);
        tm local{};
        localtime_r(&unix_time, &local);
        ASSERT_EQ(local.tm_gmtoff, zone->OffsetAt(t)) << name << " at " << t;
        const int64_t shown = t + local.tm_gmtoff;
        // In a repeated hour the first instant showing it is the answer.
        const int64_t back = zone->LocalToUtc(shown);
        ASSERT_EQ(shown, back + zone->OffsetAt(back)) << name << " showing " << shown;
        ASSERT_LE(back, t) << name << " showing " << shown;
      }
    }
  }
}

TEST(ZoneFileTest, SkippedTimesLandAfterTheChangeAndRepeatedOnesAtTheirFirstShowing) {
  const std::shared_ptr<const TimeZone> berlin = TimeZone::Load("Europe/Berlin");
  ASSERT_TRUE(berlin);
  // 31 March 2024: 02:00 CET becomes 03:00 CEST; 02:30 is read as CET.
  EXPECT_EQ(UnixSeconds(2024, 3, 31, 1, 30), berlin->LocalToUtc(UnixSeconds(2024, 3, 31, 2, 30)));
  // 27 October 2024: 03:00 CEST becomes 02:00 CET; 02:30 is shown first in CEST.
  EXPECT_EQ(UnixSeconds(2024, 10, 27, 0, 30), berlin->LocalToUtc(UnixSeconds(2024, 10, 27, 2, 30)));
  // The same in a year past the listed changes, by the closing rule.
  EXPECT_EQ(UnixSeconds(2090, 3, 26, 1, 30), berlin->LocalToUtc(UnixSeconds(2090, 3, 26, 2, 30)));
}

TEST(ZoneFileTest, UnknownNamesAndDamagedFilesLoadNothing) {
  for (const char* name : {"", "Mars/Olympus", "../etc/passwd", "/etc/passwd", "Europe/./Berlin"}) {
    EXPECT_FALSE(TimeZone::Load(name)) << name;
  }
  EXPECT_FALSE(TimeZone::FromTZif("", "x"));
  EXPECT_FALSE(TimeZone::FromTZif("TZif2 and then nothing", "x"));
  // A header announcing more transitions than the file holds.
  std::string huge("TZif2", 5);
  huge.append(15, '\0');
  huge += std::string("\0\0\0\0\0\0\0\0\0\0\0\0\x7f\xff\xff\xff\0\0\0\x01\0\0\0\x04", 24);
  EXPECT_FALSE(TimeZone::FromTZif(huge, "x"));
}

TEST(ZoneFileTest, ClosingRulesWithoutDatesOrWithChangesOutsideTheDay) {
  TimeZone::Rule rule;
  ASSERT_TRUE(TimeZone::Rule::Parse("<+0530>-5:30", &rule));
  EXPECT_EQ(19800, rule.OffsetAt(0));
  // Without dates, the United States' rule; a change at 25:00 is 01:00 the day after.
  ASSERT_TRUE(TimeZone::Rule::Parse("EST5EDT", &rule));
  EXPECT_EQ(-4 * 3600, rule.OffsetAt(UnixSeconds(2024, 7, 1)));
  ASSERT_TRUE(TimeZone::Rule::Parse("WGT3WGST,M3.5.0/-2,M10.5.0/25", &rule));
  EXPECT_EQ(-3 * 3600, rule.OffsetAt(UnixSeconds(2024, 3, 31, 0, 59)));
  EXPECT_EQ(-2 * 3600, rule.OffsetAt(UnixSeconds(2024, 3, 31, 1, 0)));
  EXPECT_EQ(-2 * 3600, rule.OffsetAt(UnixSeconds(2024, 10, 28, 2, 59)));
  EXPECT_EQ(-3 * 3600, rule.OffsetAt(UnixSeconds(2024, 10, 28, 3, 0)));
  for (const char* bad : {"", "CET", "CET-1CEST,M3.5.0", "CET-1CEST,M13.5.0,M10.5.0"}) {
    EXPECT_FALSE(TimeZone::Rule::Parse(bad, &rule)) << bad;
  }
}

}  // namespace
}  // namespace kestro
