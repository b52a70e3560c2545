#include "platform/time/date_time.h"

#include <gtest/gtest.h>

#include <string>

#include "common/test_environment.h"
#include "platform/exception.h"
#include "platform/time/format_settings.h"

namespace kestro {
namespace {

OleDate At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDateTime(DateTimeParts{y, mo, d, h, mi, s, ms});
}

// Packed local time at two-second resolution; years outside 1980-2107 pack to 0, and from 2044
// on the packed value is negative yet reads back.
TEST(DbTimeTest, PacksLocalTimeAsDosDateTime) {
  EXPECT_EQ(DateTimeToDbTime(At(2005, 3, 7, 21, 30, 0)), 845654976);
  EXPECT_EQ(DbTimeToDateTime(845654976), At(2005, 3, 7, 21, 30, 0));
  EXPECT_EQ(DbTimeToDateTime(0), 0.0);
  struct Row {
    OleDate in, back;  // what reads back; 0 when it packs to 0
  };
  const Row rows[] = {
      {At(2005, 3, 7, 21, 30, 5, 999), At(2005, 3, 7, 21, 30, 4)},
      {0.0, 0.0},
      {At(1979, 12, 31, 23, 59, 58), 0.0},
      {At(2108, 1, 1), 0.0},
      {At(1980, 1, 1), At(1980, 1, 1)},
      {At(2043, 12, 31), At(2043, 12, 31)},
      {At(2044, 6, 15, 8, 0, 0), At(2044, 6, 15, 8, 0, 0)},
      {At(2107, 12, 31, 23, 59, 58), At(2107, 12, 31, 23, 59, 58)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", row.in));
    const int32_t packed = DateTimeToDbTime(row.in);
    EXPECT_EQ(DbTimeToDateTime(packed), row.back);  // 0 reads back as 0
    EXPECT_EQ(packed < 0, row.in >= At(2044, 1, 1) && row.back != 0.0);
  }
}

TEST(OleDateTest, NegativeDatesRoundingAcrossMidnightInvalidFieldsAndWeekdays) {
  // Before 1899-12-30 the time of day is still a positive fraction.
  EXPECT_EQ(At(1899, 12, 29, 6, 0, 0), -1.25);
  const DateTimeParts p = DecodeDateTime(-1.25);
  EXPECT_EQ(p.day * 100 + p.hour, 2906);
  EXPECT_EQ(DateOf(-1.25), -1.0);
  EXPECT_EQ(TimeOf(-1.25), 0.25);
  EXPECT_EQ(MillisToOleDate(OleDateToMillis(-1.25) + 3600000), At(1899, 12, 29, 7, 0, 0));
  // A fraction of a millisecond before midnight rounds to the next day.
  const DateTimeParts q = DecodeDateTime(At(2004, 2, 29) - 0.2 / kMillisPerDay);
  EXPECT_EQ(q.month * 100 + q.day, 229);
  EXPECT_EQ(q.hour, 0);
  EXPECT_EQ(DateOf(At(2005, 3, 7) + 1 - 0.1 / kMillisPerDay), At(2005, 3, 8));

  OleDate out;
  EXPECT_FALSE(TryEncodeDateTime(DateTimeParts{2005, 2, 29}, &out));
  EXPECT_TRUE(TryEncodeDateTime(DateTimeParts{2000, 2, 29}, &out));
  EXPECT_FALSE(TryEncodeDateTime(DateTimeParts{1900, 2, 29}, &out));
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_EQ(IsoDayOfWeek(At(2005, 3, 7)), 1);   // Monday
  EXPECT_EQ(DayOfWeek(At(2005, 3, 6, 23)), 1);  // Sunday
  EXPECT_EQ(IsoDayOfWeek(-1.5), 5);             // 1899-12-29 was a Friday
}

int64_t UtcMs(int y, int mo, int d, int h, int mi) {
  return UtcDateToUnixMillis(At(y, mo, d, h, mi));
}

// The conversions follow the process's zone across its changes.
TEST(TimeZoneTest, SummerTimeStartsAndRepeatedHoursOfTheProcessZone) {
  testing::SavedEnvironment saved;
  testing::SavedEnvironment::SetTimeZone("Europe/London");
  EXPECT_EQ(UnixMillisToLocal(UtcMs(2024, 3, 31, 0, 59)), At(2024, 3, 31, 0, 59));
  EXPECT_EQ(UnixMillisToLocal(UtcMs(2024, 3, 31, 1, 0)), At(2024, 3, 31, 2, 0));
  EXPECT_EQ(LocalToUnixMillis(At(2024, 1, 1, 12, 0, 0, 250)), UtcMs(2024, 1, 1, 12, 0) + 250);
  EXPECT_EQ(UtcToLocal(At(2024, 7, 1, 23, 30)), At(2024, 7, 2, 0, 30));

  testing::SavedEnvironment::SetTimeZone("America/New_York");
  EXPECT_EQ(UnixMillisToLocal(UtcMs(2024, 11, 3, 5, 30)), At(2024, 11, 3, 1, 30));
  EXPECT_EQ(UnixMillisToLocal(UtcMs(2024, 11, 3, 6, 30)), At(2024, 11, 3, 1, 30));
  EXPECT_EQ(LocalToUnixMillis(At(2024, 11, 4, 0, 0)), UtcMs(2024, 11, 4, 5, 0));
}

}  // namespace
}  // namespace kestro
