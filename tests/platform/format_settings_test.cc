#include "platform/time/format_settings.h"

#include <gtest/gtest.h>

#include <tuple>

#include "common/error_of.h"
#include "platform/exception.h"
#include "platform/time/date_time.h"

namespace kestro {
namespace {

OleDate At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDateTime(DateTimeParts{y, mo, d, h, mi, s, ms});
}

// The day a parse takes as today.
const OleDate kToday = At(2025, 6, 1);

TEST(FormatDateTimeTest, PatternsOfLogsFileNamesAndMessages) {
  const OleDate t = At(2005, 3, 7, 21, 30, 5, 123), morning = At(2005, 3, 7, 9, 5);
  const std::tuple<const char*, OleDate, const char*> cases[] = {
      {"dd-mmm-yyyy hh:nn:ss:zzz", t, "07-Mar-2005 21:30:05:123"},
      {"ddd mm/dd h:nn", morning, "Mon 03/07 9:05"},
      {"nn.ss.zzz", 1.5 * kOneSecond, "00.01.500"},
      {"mm hh:mm", morning, "03 09:05"},  // a month letter after an hour means minutes
      {"h:mm:ss AMPM", t, "9:30:05 PM"},
      {"h:mm:ss AMPM", At(2005, 3, 7, 0, 5), "12:05:00 AM"},
      {"hh:nn am/pm", At(2005, 3, 7, 13, 0), "01:00 pm"},
      {"hh 'ampm'", At(2005, 3, 7, 13, 0), "13 ampm"},  // quoted: no 12-hour clock
      {"ddddd t", At(2005, 3, 7, 0, 7), "3/7/2005 12:07 AM"}};
  for (const auto& [pattern, when, expected] : cases)
    EXPECT_EQ(FormatDateTime(pattern, when), expected) << pattern;

  EXPECT_EQ(DateTimeToStr(At(2005, 3, 7)), "3/7/2005");
  FormatSettings fs = FormatSettings::Default();
  fs.date_separator = '.';
  fs.time_separator = '-';
  fs.short_date_format = "dd/mm/yyyy";
  fs.long_time_format = "hh:nn:ss";
  EXPECT_EQ(DateTimeToStr(At(2005, 3, 7, 21, 30, 5), fs), "07.03.2005 21-30-05");
  EXPECT_EQ(FormatDateTime("\"at\" hh'h'", At(2005, 3, 7, 21, 0), fs), "at 21h");
}

TEST(StrToDateTimeTest, ReadsBackWhatDateTimeToStrWrites) {
  for (OleDate t : {At(2005, 3, 7), At(2024, 12, 31, 0, 0, 1), At(2024, 12, 31, 12, 59, 59)}) {
    EXPECT_EQ(StrToDateTime(DateTimeToStr(t), kToday), t) << DateTimeToStr(t);
  }
  // Day first, by the settings' short date format.
  FormatSettings fs = FormatSettings::Default();
  fs.short_date_format = "dd.mm.yyyy";
  fs.date_separator = '.';
  fs.long_time_format = "hh:nn:ss";
  const OleDate t = At(2005, 3, 7, 21, 30, 5);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(t, fs), kToday, fs), t);
}

TEST(StrToDateTimeTest, AcceptsIsoTimesAloneAndTwoDigitYearsAroundNow) {
  EXPECT_EQ(StrToDateTime(" 2005-03-07 21:30 ", kToday), At(2005, 3, 7, 21, 30));
  EXPECT_EQ(StrToDateTime("2005-03-07T21:30:05.25", kToday), At(2005, 3, 7, 21, 30, 5, 250));
  EXPECT_EQ(StrToDateTime("21:30", kToday), EncodeTime(21, 30, 0, 0));
  EXPECT_EQ(StrToDateTime("12:15 am", kToday), EncodeTime(0, 15, 0, 0));
  EXPECT_EQ(StrToDateTime("9 PM", kToday), EncodeTime(21, 0, 0, 0));
  EXPECT_EQ(StrToDateTime("3/7/75", kToday), At(1975, 3, 7));
  EXPECT_EQ(StrToDateTime("3/7/74", kToday), At(2074, 3, 7));
  EXPECT_EQ(StrToDateTime("3/7", kToday), At(2025, 3, 7));
}

TEST(StrToDateTimeTest, RejectsMalformedText) {
  OleDate out;
  for (const char* bad : {"", "2005", "13/1/2005", "2/30/2005", "3/7/2005 25:00",
                          "3/7/2005 13:00 PM", "0:30 AM", "3/7/2005x", "21:30:"}) {
    EXPECT_FALSE(TryStrToDateTime(bad, kToday, &out)) << bad;
  }
  EXPECT_EQ(testing::ErrorOf<EConvertError>([] { StrToDateTime("32/1/2005", kToday); }),
            "'32/1/2005' is not a valid date and time");
}

}  // namespace
}  // namespace kestro
