#include "import/xmltv_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "import/program_import_fixture.h"
#include "platform/time/format_settings.h"
#include "support/dictionary.h"

namespace kestro::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;

std::string Channel(const std::string& id, const std::string& inner) {
  return "<channel id=\"" + id + "\">" + inner + "</channel>\n";
}

std::string Programme(const std::string& channel, const std::string& start,
                      const std::string& stop, const std::string& inner) {
  std::string xml = "<programme channel=\"" + channel + "\" start=\"" + start + "\"";
  if (!stop.empty()) xml += " stop=\"" + stop + "\"";
  return xml + ">" + inner + "</programme>\n";
}

std::string Tv(const std::string& inner) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tv>\n" + inner + "</tv>\n";
}

// One import run on a fresh guide, "now" being 1 January 2005 at noon; the XMLTV reader runs
// directly inside it.
class XMLTVImportTest : public ProgramImportTest {
 protected:
  static OleDate At(int hour, int minute = 0, int day = 1) {
    return EncodeDateTime({2005, 1, day, hour, minute, 0, 0});
  }
  void SetUp() override { StartRun(At(12), 1); }

  // Imports `xml` from a file; the error message, empty on success.
  std::string Import(const std::string& xml) {
    WriteFile(file_, xml);
    std::string error;
    ImportXMLTVFile(run_.Get(), settings_.Get(), file_, &error);
    return error;
  }
  OleDate StartOf(const std::string& title) { return TimeOf("start_time", title); }
  OleDate EndOf(const std::string& title) { return TimeOf("end_time", title); }
  OleDate TimeOf(const std::string& column, const std::string& title) {
    return DbTimeToDateTime(
        Count("select " + column + " from programs where title = '" + title + "'"));
  }

  const std::string file_ = dir_ / "guide.xml";
  ComPtr<TDictionary> settings_ = NewDictionary();
};

TEST_F(XMLTVImportTest, DisplayNamesGiveNumberAndNames) {
  ASSERT_EQ("", Import(Tv(Channel("I10.1.example", "<display-name>4 KXYZ</display-name>"
                                                   "<display-name>KXYZ Channel Four</display-name>"
                                                   "<icon src=\"http://logos/kxyz.png\"/>") +
                          Channel("kera", "<display-name>KERA</display-name>"
                                          "<display-name> 13 </display-name>"
                                          "<display-name>13 KERA</display-name>") +
                          Channel("plain.example", "<display-name>Plain</display-name>") +
                          Channel("3sat.de", "<display-name>3sat</display-name>") +
                          Channel("bbc1", "<display-name>BBC1 HD</display-name>"
                                          "<display-name>7-1</display-name>") +
                          Channel("kxyz", "<display-name>7.1 KXYZ</display-name>"
                                          "<display-name>KXYZ</display-name>") +
                          Channel("rai", "<display-name>Rai 1</display-name><lcn>21</lcn>") +
                          Channel("101", "") +
                          Channel("kera", "<display-name>KERA-HD</display-name>"))));
  // A name of digits alone wins over a number leading a name; that name still loses its number.
  // The second declaration of "kera" adds to the first. Without a number anywhere a channel
  // keeps its place in the file; a number must stand apart. Sub-channels keep the major number.
  EXPECT_EQ(Rows(*db_, "select external_id , number , frequency , short_name , long_name , "
                      "image_id from channels order by channel_id"),
            "I10.1.example|4|4|KXYZ|KXYZ Channel Four|http://logos/kxyz.png\n"
            "kera|13|13|KERA|KERA|\n"
            "plain.example|3|3|Plain|plain.example|\n"
            "3sat.de|4|4|3sat|3sat.de|\n"
            "bbc1|7|7|BBC1 HD|7-1 BBC1 HD|\n"
            "kxyz|7|7|7.1 KXYZ|KXYZ|\n"
            "rai|21|21|Rai 1|rai|\n"
            "101|101|101|101||");
}

TEST_F(XMLTVImportTest, ProgrammeElementsFillTheProgramme) {
  settings_->Set("lang", Variant("EN"));
  const std::string details =
      "<title lang=\"de\">Nachrichten</title><title lang=\"en\">News</title>"
      "<sub-title>Evening</sub-title>"
      "<credits><director>Ann Director</director><actor role=\"Host\">Bob Actor</actor>"
      "<presenter>Cy Presenter</presenter></credits>"
      "<category lang=\"fr\">Actualites</category><category lang=\"en\">Current Affairs</category>"
      "<category>Talk</category>"
      "<episode-num system=\"xmltv_ns\">1.2.0/1</episode-num>"
      "<episode-num system=\"dd_progid\">EP1234.0001</episode-num>"
      "<rating system=\"VCHIP\"><value>TV-PG</value></rating>"
      "<rating system=\"advisory\"><value>Violence</value></rating>"
      "<rating system=\"Advisory\"><value>Language</value></rating>"
      "<star-rating><value>3/4</value></star-rating>"
      "<length units=\"seconds\">5400</length>"
      "<date>20040315</date><language>English</language><country>US</country>"
      "<previously-shown/><premiere lang=\"en\">Series premiere</premiere>";
  ASSERT_EQ("", Import(Tv(Channel("c1", "<display-name>1 ONE</display-name>") +
                          Programme("c1", "20050101190000 +0000", "20050101200000 +0000",
                                    details) +
                          Programme("c1", "20050101200000 +0000", "20050101220000 +0000",
                                    "<title>Film</title>"
                                    "<rating system=\"MPAA\"><value>PG-13</value></rating>"
                                    "<length units=\"hours\">2</length><date>2004</date>"
                                    "<premiere lang=\"de\">Premiere</premiere>") +
                          Programme("c1", "20050101220000 +0000", "20050101230000 +0000",
                                    "<title>Late</title><length>45</length>"
                                    "<date>2004-03-15</date><length units=\"bla\">9</length>"
                                    // The structured episode form wins; the on-screen one fills
                                    // what it leaves out.
                                    "<episode-num system=\"xmltv_ns\">. 4 . 1/3</episode-num>"
                                    "<episode-num system=\"onscreen\">S2 E99</episode-num>"))));
  EXPECT_EQ("EP1234.0001", Text("select external_id from programs where title = \"News\""));
  EXPECT_EQ(Rows(*db_, "select p.title , p.subtitle , p.program_type , "
                      "p.tv_rating , p.movie_rating , d.advisories , d.run_time , d.year , "
                      "d.original_air_date , d.language , d.origin_country , d.is_repeat , "
                      "d.premiere_finale from programs p , program_details d where d.id = p.id "
                      "order by p.start_time"),
            "News|Evening|EP|TV-PG||Violence, Language|90|2004|20040315|English|US|1|"
            "premiere\n"
            "Film||MV||PG-13||120|2004||||-1|\n"
            "Late||||||45|2004||||-1|");
  EXPECT_EQ("2|5|2|3", Rows(*db_, "select season_num , season_episode_num , part_num , "
                                "num_of_parts from program_details where run_time = 45"));
  EXPECT_EQ(2, Count("select count ( * ) from program_genres"));
  EXPECT_EQ("Current Affairs,Talk",
            Text("select group_concat ( genre ) from ( select genre from genres order by genre )"));
  EXPECT_EQ("Ann Director:Director,Bob Actor:Actor,Cy Presenter:Presenter",
            Text("select group_concat ( x ) from ( select p.name || \":\" || r.role as x from "
                 "program_people pp , people p , roles r where pp.person_id = p.person_id and "
                 "pp.role_id = r.role_id order by p.name )"));
}

TEST_F(XMLTVImportTest, LongestDescriptionIsLongAndShortestShortOfThePreferredLanguage) {
  // Descriptions read as the first letter and the length of each.
  auto desc = [](const std::string& lang, char letter, int length) {
    return "<desc" + (lang.empty() ? "" : " lang=\"" + lang + "\"") + ">" +
           std::string(length, letter) + "</desc>";
  };
  auto programme = [](const std::string& title, int hour, const std::string& inner) {
    return Programme("c1", "20050101" + std::to_string(hour) + "0000",
                     "20050101" + std::to_string(hour + 1) + "0000",
                     "<title>" + title + "</title>" + inner);
  };
  const std::string table = "select p.title , substr ( d.long_desc , 1 , 1 ) || length ( "
                            "d.long_desc ) , substr ( d.short_desc , 1 , 1 ) || length ( "
                            "d.short_desc ) from programs p , program_details d where d.id = "
                            "p.id order by p.start_time";
  // Without a preferred language every description counts.
  ASSERT_EQ("", Import(Tv(Channel("c1", "") +
                          programme("A", 19, desc("", 's', 20) + desc("", 'l', 200)) +
                          programme("B", 20, desc("", 'l', 200) + desc("", 's', 20) +
                                                desc("", 'm', 80)) +
                          programme("C", 21, desc("de", 'l', 200) + desc("en", 'm', 80)))));
  EXPECT_EQ(Rows(*db_, table), "A|l200|s20\nB|l200|s20\nC|l200|m80");

  settings_->Set("lang", Variant("en"));
  ASSERT_EQ("", Import(Tv(Channel("c1", "") +
                          programme("D", 22, desc("de", 'd', 200) + desc("EN", 'e', 30) +
                                                desc("fr", 'f', 5)))));
  EXPECT_EQ(Rows(*db_, table + " desc limit 1"), "D|e30|e30");
}

// Every programme is stored or left out with its reason; none ends the import.
TEST_F(XMLTVImportTest, ProgrammesLeftOutAreReportedAndTheImportGoesOn) {
  ASSERT_EQ("", Import(Tv(Channel("c9", ""))));
  db_->Exec("update channels set wanted = 0 where external_id = \"c9\"");
  ASSERT_EQ("", Import(Tv(
      Channel("c1", "") +
      Programme("c1", "2005010119", "20050101200000", "<title>Bad</title>") +
      Programme("c1", "20050101200000", "20050101200000", "<title>Empty</title>") +
      Programme("c1", "20050101200000", "20050101210000", "<title>   </title>") +
      Programme("c1", "20050101210000", "20050101220000", "<title>Good</title>") +
      Programme("c1", "20050101210000", "20050101220000", "<title>Good</title><desc>More</desc>") +
      Programme("c9", "20050101210000", "20050101220000", "<title>Hidden</title>") +
      Programme("c0", "20041201100000", "20041201110000", "<title>Past</title>") +
      Programme("c1", "20050101230000", "", "<title>Last</title>"))));
  EXPECT_EQ("Good", Text("select group_concat ( title ) from programs"));
  EXPECT_EQ("More", Text("select long_desc from program_details"));  // the duplicate merged in
  const ImportReport& report = run_->Report();
  std::vector<int> counts = {report.StoredCount()};
  for (LeftOutReason reason : {LeftOutReason::kAlreadyEnded, LeftOutReason::kUnwantedChannel,
                               LeftOutReason::kNoStopTime, LeftOutReason::kInvalidTime,
                               LeftOutReason::kDuplicate, LeftOutReason::kFailed})
    counts.push_back(report.LeftOutCount(reason));
  EXPECT_EQ(counts, (std::vector<int>{1, 1, 1, 1, 2, 1, 1}));
  EXPECT_THAT(report.Examples(LeftOutReason::kFailed),
              ElementsAre("\"(no title)\" on \"c1\" starting 20050101200000"));
}

TEST_F(XMLTVImportTest, LengthEndsAProgrammeAndFeatureFilmsAreFound) {
  ASSERT_EQ("", Import(Tv(
      Channel("c1", "") +
      Programme("c1", "20050101190000", "", "<title>Feature</title><date>1999</date>"
                                            "<length units=\"hours\">2</length>") +
      Programme("c1", "20050101210000", "20050101220000",
                "<title>Kino</title><category lang=\"de\">Spielfilm</category>") +
      Programme("c1", "20050101220000", "20050101230000",
                "<title>Series</title><category>Movie</category>"
                "<episode-num system=\"dd_progid\">EP0001.0002</episode-num>") +
      Programme("c1", "20050101230000", "", "<title>Short</title><date>1999</date>"
                                            "<length units=\"seconds\">4500</length>"))));
  // Without a stop or a next programme, the length ends it.
  EXPECT_NEAR(At(0, 15, 2), EndOf("Short"), kOneSecond);
  // A next programme on the channel wins over the length.
  EXPECT_NEAR(At(21), EndOf("Feature"), kOneSecond);
  EXPECT_EQ("Feature|MV\nKino|MV\nSeries|EP\nShort|",
            Rows(*db_, "select title , program_type from programs order by start_time"));
}

// The zone setting applies, with its summer time, only to times without a zone of their own.
TEST_F(XMLTVImportTest, ZoneSettingAndZoneFormsMixedInOneChannel) {
  settings_->Set("timezone", Variant("Europe/Berlin"));
  ASSERT_EQ("", Import(Tv(
      Channel("c1", "") +
      Programme("c1", "20130701110000 BST", "20130701150000", "<title>S</title>") +
      Programme("c1", "20131215140000", "20131215100000 EST", "<title>W</title>"))));
  EXPECT_NEAR(EncodeDateTime({2013, 7, 1, 10, 0, 0, 0}), StartOf("S"), kOneSecond);
  EXPECT_NEAR(EncodeDateTime({2013, 7, 1, 13, 0, 0, 0}), EndOf("S"), kOneSecond);
  EXPECT_NEAR(EncodeDateTime({2013, 12, 15, 13, 0, 0, 0}), StartOf("W"), kOneSecond);
  EXPECT_NEAR(EncodeDateTime({2013, 12, 15, 15, 0, 0, 0}), EndOf("W"), kOneSecond);
}

TEST_F(XMLTVImportTest, ChannelsAfterTheirProgrammesOrNeverDeclaredComeFirst) {
  ASSERT_EQ("", Import(Tv(
      Programme("late", "20050101190000", "20050101200000", "<title>A</title>") +
      Programme("nowhere.example", "20050101190000", "20050101200000", "<title>B</title>") +
      Programme("nowhere.example", "20050101200000", "20050101210000", "<title>C</title>") +
      Channel("late", "<display-name>5 LATE</display-name>"))));
  EXPECT_EQ(3, Count("select count ( * ) from programs"));
  EXPECT_EQ("late:5:LATE,nowhere.example:2:nowhere.example",
            Text("select group_concat ( x ) from ( select external_id || \":\" || number || "
                 "\":\" || short_name as x from channels order by channel_id )"));
}

// A guide of `count` one-minute programmes on channel "c1" from `from`, titled `title` and
// their number.
std::string Minutes(OleDate from, int count, const std::string& title) {
  std::string programmes;
  for (int i = 0; i < count; ++i) {
    const OleDate start = from + i * kOneMinute;
    programmes += Programme("c1", FormatDateTime("yyyymmddhhnnss", start),
                            FormatDateTime("yyyymmddhhnnss", start + kOneMinute),
                            "<title>" + title + std::to_string(i) + "</title>");
  }
  return Tv(Channel("c1", "") + programmes);
}

std::string QuarterThousand() {
  return Minutes(EncodeDateTime({2005, 1, 1, 13, 0, 0, 0}), 250, "P");
}

TEST_F(XMLTVImportTest, ProgressEveryHundredProgrammesAndStopCancels) {
  ASSERT_EQ("", Import(QuarterThousand()));
  EXPECT_THAT(progress_->reports,
              ElementsAre(Pair(0, "Verifying \"guide.xml\""),
                          Pair(40, "1 channels and 100 of 250 programs processed.."),
                          Pair(80, "1 channels and 200 of 250 programs processed..")));

  // A new run (the first one's rows were never committed): "stop" at the third report ends it
  // after the 200 programmes saved before.
  progress_ = MakeObject<TRecordingProgress>(3);
  BeginRun();
  EXPECT_EQ("canceled", Import(QuarterThousand()));
  EXPECT_EQ(200, Count("select count ( * ) from programs"));
}

// Through the lineup's import run: failures roll back to what the guide held before (a
// cancel and a failing database: import_session_test and import_faults_test).
class XMLTVImportRunTest : public ImportRunTest {
 protected:
  void SetUp() override {
    testing::SavedEnvironment::SetTimeZone("UTC");
    ImportRunTest::SetUp();
    UsePlugin([this](IKestroItem* properties, ITVListingsImportSystem& system, std::string& error) {
      return ImportXMLTVFile(&system, properties, file_, &error);
    });
  }
  static std::string Guide(int count, const std::string& title) {
    return Minutes(Now() + kHour, count, title);
  }

  const std::string file_ = dir_ / "run.xml";
};

TEST_F(XMLTVImportRunTest, UnreadableFilesKeepWhatTheGuideHadAndTheLogSaysWhatWasLeftOut) {
  WriteFile(file_, Guide(3, "Old"));
  std::string error;
  ASSERT_TRUE(Import(&error)) << error;
  ASSERT_EQ(3, Count("programs"));

  const std::string bad = Guide(5, "Bad");
  WriteFile(file_, bad.substr(0, bad.rfind("<title>")));  // cut inside its last programme
  EXPECT_FALSE(Import(&error));
  EXPECT_THAT(error, HasSubstr("The listings import plugin failed to perform the import : The "
                               "XMLTV file \"" + file_ + "\" appears to be corrupt"));

  std::filesystem::remove(file_);
  EXPECT_FALSE(Import(&error));
  EXPECT_THAT(error, HasSubstr("does not exist"));

  EXPECT_EQ(3, Count("programs"));
  EXPECT_EQ(0, Listings()->QueryInt("select count ( * ) from programs where title like \"Bad%\""));

  // A run that works closes its log with what was left out.
  WriteFile(file_, Tv(Channel("c1", "") +
                      Programme("c1", "20290310130000", "20290310140000", "<title>A</title>") +
                      Programme("c1", "20290310140000", "", "<title>B</title>")));
  ASSERT_TRUE(Import(&error)) << error;
  const std::vector<std::string> log = LastLogMessages();
  EXPECT_THAT(log,
              Contains("Programs stored : 1 (added, updated or already there) : left out : 1"));
  EXPECT_THAT(log, Contains("Left out : 1 no stop time"));
  EXPECT_THAT(log, Contains("Left out :   \"B\" on \"c1\" starting 20290310140000"));
}

}  // namespace
}  // namespace kestro::testing
