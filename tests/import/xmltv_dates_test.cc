#include "import/xmltv_dates.h"

#include <gtest/gtest.h>

#include <string>

#include "common/test_environment.h"
#include "platform/exception.h"
#include "platform/time/date_time.h"

namespace kestro {
namespace {

// Runs each test in a chosen TZ and restores the process's afterwards.
class XMLTVDateTest : public ::testing::Test {
 protected:
  static inline const XMLTVZone kLocal = XMLTVZone::Local();
  static XMLTVZone Setting(const char* text) { return XMLTVTimeZoneSetting(text); }
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
  ExpectTime(seven_pm, ParseXMLTVDate("20050101190000 +0100", kLocal));
  ExpectTime(seven_pm, ParseXMLTVDate("20050101180000 UTC", kLocal));
  ExpectTime(seven_pm, ParseXMLTVDate("20050101180000 utc", Setting("+0500")));
  ExpectTime(seven_pm, ParseXMLTVDate("20050101130000 -0500", kLocal));
  ExpectTime(seven_pm, ParseXMLTVDate("20050101233000 +0530", kLocal));
  // Summer time applies to the date converted, not to today.
  ExpectTime(At(2005, 7, 1, 14, 0), ParseXMLTVDate("20050701120000 +0000", kLocal));
  // No zone and no setting: local already; seconds are dropped.
  ExpectTime(seven_pm, ParseXMLTVDate("  20050101190059  ", kLocal));
  ExpectTime(seven_pm, ParseXMLTVDate("200501011900", kLocal));
}

TEST_F(XMLTVDateTest, SettingAppliesOnlyToDatesWithoutAZoneOfTheirOwn) {
  UseZone("UTC");
  ExpectTime(At(2005, 1, 1, 14, 0), ParseXMLTVDate("20050101190000", Setting("+0500")));
  ExpectTime(At(2005, 1, 1, 18, 0), ParseXMLTVDate("20050101190000 +0100", Setting("+0500")));
  // A zone that is none falls back to the setting.
  ExpectTime(At(2005, 1, 1, 14, 0), ParseXMLTVDate("20050101190000 XYZ", Setting("+0500")));
  ExpectTime(At(2005, 1, 1, 19, 0), ParseXMLTVDate("20050101190000 +9960", kLocal));
  UseZone("America/New_York");
  ExpectTime(At(2005, 1, 1, 9, 0), ParseXMLTVDate("20050101140000", Setting("UTC")));
  // Across midnight and a month end.
  ExpectTime(At(2004, 12, 31, 23, 0), ParseXMLTVDate("20050101040000 +0000", kLocal));
}

TEST_F(XMLTVDateTest, MalformedDatesNameTheWholeText) {
  UseZone("UTC");
  for (const char* text : {"2005010119", "", "20051301190000 +0100", "20050230120000",
                           "2005-01-01 19:00", "20050101256000", "0000010112000"}) {
    try {
      ParseXMLTVDate(text, kLocal);
      ADD_FAILURE() << "accepted " << text;
    } catch (const Exception& e) {
      EXPECT_EQ(std::string("Invalid XMLTV date/time \"") + text + "\"", e.what());
    }
  }
}

// One channel of a real file mixes every form grabbers write; each must give the right instant.
TEST_F(XMLTVDateTest, EveryZoneFormGivesItsInstant) {
  UseZone("UTC");
  const OleDate seven_pm_utc = At(2013, 4, 5, 19, 0);
  for (const char* text :
       {"20130405190000 UTC", "20130405190000 GMT", "201304051900Z", "20130405190000Z",
        "20130405200000 +01:00", "20130405200000 +01", "20130405200000+0100", "20130405200000 BST",
        "20130405210000 CEST", "20130405150000 EDT", "20130405120000 pdt", "20130406060000 AEDT",
        "20130406003000 IST", "20130406040000 JST", "20130405190000 z", "20130405200000 UTC+1",
        "20130405173000 -01:30", "20130405200000 +0100 (CET)"}) {
    ExpectTime(seven_pm_utc, ParseXMLTVDate(text, Setting("+0500")));
  }
}

TEST_F(XMLTVDateTest, SettingIsAZoneFormOrAZoneName) {
  UseZone("UTC");
  EXPECT_TRUE(Setting("Local").IsLocal());
  EXPECT_TRUE(Setting("").IsLocal());
  EXPECT_TRUE(Setting("Mars/Olympus").IsLocal());
  EXPECT_EQ("+0000", Setting("utc").Describe());
  EXPECT_EQ("-0930", Setting("-0930").Describe());
  EXPECT_EQ("+0100", Setting("+01:00").Describe());
  EXPECT_EQ("-0800", Setting("PST").Describe());
  EXPECT_EQ("Europe/Berlin", Setting(" Europe/Berlin ").Describe());
  // A zone name keeps its summer time, date by date, also in years its file lists no change for.
  const XMLTVZone berlin = Setting("Europe/Berlin");
  ExpectTime(At(2024, 1, 15, 19, 0), ParseXMLTVDate("20240115200000", berlin));
  ExpectTime(At(2024, 7, 15, 18, 0), ParseXMLTVDate("20240715200000", berlin));
  ExpectTime(At(2061, 7, 15, 18, 0), ParseXMLTVDate("20610715200000", berlin));
  ExpectTime(At(2024, 7, 15, 19, 0), ParseXMLTVDate("20240715200000 +0100", berlin));
  const XMLTVZone new_york = Setting("America/New_York");
  ExpectTime(At(2024, 3, 10, 6, 59), ParseXMLTVDate("202403100159", new_york));
  ExpectTime(At(2024, 3, 10, 7, 0), ParseXMLTVDate("202403100300", new_york));
}

}  // namespace
}  // namespace kestro
