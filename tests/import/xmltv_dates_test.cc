#include "import/xmltv_dates.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "common/test_environment.h"
#include "platform/exception.h"
#include "platform/time/date_time.h"

namespace kestro {
namespace {

// Runs each test in a chosen TZ and restores the process's afterwards.
class XMLTVDateTest : public ::testing::Test {
 protected:
  static void UseZone(const char* tz) { testing::SavedEnvironment::SetTimeZone(tz); }
  static OleDate At(int year, int month, int day, int hour, int minute) {
    return EncodeDateTime({year, month, day, hour, minute, 0, 0});
  }
  // Exact to the second: the conversions go through milliseconds.
  static void ExpectTime(OleDate expected, OleDate actual) {
    EXPECT_NEAR(expected, actual, kOneSecond / 2) << "expected " << expected << " got " << actual;
  }

 private:
  testing::SavedEnvironment saved_;
};

TEST_F(XMLTVDateTest, OffsetsAndUtcBecomeLocalTimeOfTheProcessZone) {
  UseZone("Europe/Paris");
  const OleDate seven_pm = At(2005, 1, 1, 19, 0);
  ExpectTime(seven_pm, ParseXMLTVDate("20050101190000 +0100", ""));
  ExpectTime(seven_pm, ParseXMLTVDate("20050101180000 UTC", ""));
  ExpectTime(seven_pm, ParseXMLTVDate("20050101180000 utc", "+0500"));
  ExpectTime(seven_pm, ParseXMLTVDate("20050101130000 -0500", ""));
  ExpectTime(seven_pm, ParseXMLTVDate("20050101233000 +0530", ""));
  // Summer time applies to the date converted, not to today.
  ExpectTime(At(2005, 7, 1, 14, 0), ParseXMLTVDate("20050701120000 +0000", ""));
  // No zone and no setting: local already; seconds are dropped.
  ExpectTime(seven_pm, ParseXMLTVDate("  20050101190059  ", ""));
  ExpectTime(seven_pm, ParseXMLTVDate("200501011900", ""));
}

TEST_F(XMLTVDateTest, SettingAppliesOnlyToDatesWithoutAZoneOfTheirOwn) {
  UseZone("UTC");
  ExpectTime(At(2005, 1, 1, 14, 0), ParseXMLTVDate("20050101190000", "+0500"));
  ExpectTime(At(2005, 1, 1, 18, 0), ParseXMLTVDate("20050101190000 +0100", "+0500"));
  // A named zone is not understood: the setting decides.
  ExpectTime(At(2005, 1, 1, 14, 0), ParseXMLTVDate("20050101190000 BST", "+0500"));
  ExpectTime(At(2005, 1, 1, 19, 0), ParseXMLTVDate("20050101190000 BST", ""));
  UseZone("America/New_York");
  ExpectTime(At(2005, 1, 1, 9, 0), ParseXMLTVDate("20050101140000", "UTC"));
  // Across midnight and a month end.
  ExpectTime(At(2004, 12, 31, 23, 0), ParseXMLTVDate("20050101040000 +0000", ""));
}

TEST_F(XMLTVDateTest, MalformedDatesNameTheWholeText) {
  UseZone("UTC");
  for (const char* text : {"2005010119", "", "20051301190000 +0100", "20050230120000",
                           "2005-01-01 19:00", "20050101256000", "0000010112000"}) {
    try {
      ParseXMLTVDate(text, "");
      ADD_FAILURE() << "accepted " << text;
    } catch (const Exception& e) {
      EXPECT_EQ(std::string("Invalid XMLTV date/time \"") + text + "\"", e.what());
    }
  }
}

TEST_F(XMLTVDateTest, TimeZoneSettingKeepsUtcAndOffsetsOnly) {
  EXPECT_EQ("utc", XMLTVTimeZoneSetting("utc"));
  EXPECT_EQ("UTC", XMLTVTimeZoneSetting("UTC"));
  EXPECT_EQ("+0100", XMLTVTimeZoneSetting("+0100"));
  EXPECT_EQ("-0930", XMLTVTimeZoneSetting("-0930"));
  EXPECT_EQ("", XMLTVTimeZoneSetting("Local"));
  EXPECT_EQ("", XMLTVTimeZoneSetting("+01:00"));
  EXPECT_EQ("", XMLTVTimeZoneSetting("+010"));
  EXPECT_EQ("", XMLTVTimeZoneSetting(""));
}

TEST_F(XMLTVDateTest, AirDatesNeedEightDigitsOfAValidDay) {
  OleDate day = 0;
  ASSERT_TRUE(TryParseXMLTVDay("20040315", &day));
  EXPECT_EQ(EncodeDate(2004, 3, 15), day);
  EXPECT_FALSE(TryParseXMLTVDay("2004", &day));
  EXPECT_FALSE(TryParseXMLTVDay("2004-03-15", &day));
  EXPECT_FALSE(TryParseXMLTVDay("20040231", &day));
  EXPECT_FALSE(TryParseXMLTVDay("200403150", &day));
}

}  // namespace
}  // namespace kestro
