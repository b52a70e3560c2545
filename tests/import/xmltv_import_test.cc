#include "import/xmltv_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "import/import_run_fixture.h"
#include "import/import_system.h"
#include "platform/time/format_settings.h"
#include "support/dictionary.h"
#include "support/logger.h"

namespace kestro::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;
using ::testing::StartsWith;

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

// One import run on a fresh guide in UTC, "now" being 1 January 2005 at noon, its transaction
// open as a plug-in finds it; the XMLTV reader runs directly inside it.
class XMLTVImportTest : public ::testing::Test {
 protected:
  static OleDate At(int hour, int minute = 0, int day = 1) {
    return EncodeDateTime({2005, 1, day, hour, minute, 0, 0});
  }

  void SetUp() override {
    testing::SavedEnvironment::SetTimeZone("UTC");
    testing::UseModuleFolders(dir_, 1);
    env_->SetLocal(At(12));
  }

  // Imports `xml` from a file; the error message, empty on success.
  std::string Import(const std::string& xml) {
    WriteFile(file_, xml);
    return ImportFile(file_);
  }
  std::string ImportFile(const std::string& file_name) {
    if (!run_) {
      run_ = MakeObject<TTVListingsImportSystem>(dir_ / "library/tv/listings.1.dat", 1, env_,
                                                 std::make_shared<TStringsLogger>(env_, lines_),
                                                 progress_, dir_ / "temp/");
      db_ = run_->DB();
      run_->BeginSaving();
    }
    std::string error;
    ImportXMLTVFile(run_.Get(), settings_.Get(), file_name, &error);
    return error;
  }

  int32_t Count(const std::string& sql) { return db_->QueryInt(sql); }
  std::string Text(const std::string& sql) { return db_->Query(sql)->Text(0); }
  int32_t Int(const std::string& sql) { return db_->Query(sql)->Int(0); }
  std::string Detail(const std::string& column, const std::string& title) {
    return Text("select d." + column + " from programs p , program_details d where d.id = p.id " +
                "and p.title = \"" + title + "\"");
  }
  OleDate StartOf(const std::string& title) {
    return DbTimeToDateTime(Int("select start_time from programs where title = \"" + title + "\""));
  }
  OleDate EndOf(const std::string& title) {
    return DbTimeToDateTime(Int("select end_time from programs where title = \"" + title + "\""));
  }
  // The messages logged so far, without their headers.
  std::vector<std::string> Messages() const { return testing::WithoutLogHeaders(lines_); }

  TempDir dir_;
  const std::string file_ = dir_ / "guide.xml";
  std::shared_ptr<testing::FakeEnv> env_ = std::make_shared<testing::FakeEnv>();
  std::vector<std::string> lines_;
  ComPtr<TRecordingProgress> progress_ = MakeObject<TRecordingProgress>();
  ComPtr<TTVListingsImportSystem> run_;
  DBPtr db_;
  ComPtr<TDictionary> settings_ = NewDictionary();

 private:
  testing::SavedEnvironment saved_;
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
  EXPECT_THAT(Messages(),
              Contains("Channel \"kera\" is declared more than once; its declarations are merged"));
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
                                    "<date>2004-03-15</date><length units=\"bla\">9</length>"))));
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

TEST_F(XMLTVImportTest, MissingStopTimesComeFromTheNextProgrammeOfTheChannel) {
  ASSERT_EQ("", Import(Tv(Channel("c1", "") + Channel("c2", "") +
                          Programme("c1", "20050101190000", "", "<title>First</title>") +
                          Programme("c2", "20050101193000", "", "<title>Other</title>") +
                          Programme("c1", "20050101200000", "", "<title>Second</title>") +
                          Programme("c1", "20050101210000", "", "<title>Last</title>"))));
  EXPECT_NEAR(At(20), EndOf("First"), kOneSecond);
  EXPECT_NEAR(At(21), EndOf("Second"), kOneSecond);
  EXPECT_EQ(2, Count("select count ( * ) from programs"));
  const std::vector<std::string> messages = Messages();
  EXPECT_THAT(messages, Contains("This XMLTV file is missing some program stop times, scanning "
                                 "for all start times."));
  EXPECT_EQ(1, std::count(messages.begin(), messages.end(), "Finished scan"));
  for (const std::string start : {"20050101193000", "20050101210000"}) {
    EXPECT_THAT(messages, Contains("Unable to find stop time for program starting at " + start +
                                   ". This is fairly common for some XMLTV grabbers."));
  }
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
  EXPECT_EQ("More", Detail("long_desc", "Good"));  // the duplicate merged into the first
  const ImportReport& report = run_->Report();
  std::vector<int> counts = {report.StoredCount()};
  for (LeftOutReason reason : {LeftOutReason::kAlreadyEnded, LeftOutReason::kUnwantedChannel,
                               LeftOutReason::kNoStopTime, LeftOutReason::kInvalidTime,
                               LeftOutReason::kDuplicate, LeftOutReason::kFailed})
    counts.push_back(report.LeftOutCount(reason));
  EXPECT_EQ(counts, (std::vector<int>{1, 1, 1, 1, 2, 1, 1}));
  EXPECT_THAT(report.Examples(LeftOutReason::kFailed),
              ElementsAre("\"(no title)\" on \"c1\" starting 20050101200000"));
  const std::vector<std::string> messages = Messages();
  EXPECT_THAT(messages, Contains("Skipping program due to invalid start/stop times : Invalid "
                                 "XMLTV date/time \"2005010119\""));
  EXPECT_THAT(messages, Contains("Skipping program with end time \"20050101200000\" <= start "
                                 "time \"20050101200000\""));
  EXPECT_THAT(messages, Contains(StartsWith("Program [(0) : \" : \" on ")));
  EXPECT_THAT(messages, Contains("Merged duplicate program \"Good\" on \"c1\" starting "
                                 "20050101210000"));
  EXPECT_THAT(messages, Contains("Programs of \"guide.xml\" : 8 in the file : 1 stored : 7 left "
                                 "out"));
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

// One channel of a file of ours mixes every zone form; each programme must get its own instant.
TEST_F(XMLTVImportTest, ZoneFormsMixedInOneChannelGiveEachItsInterval) {
  settings_->Set("timezone", Variant("Europe/Berlin"));
  const std::vector<std::pair<std::string, std::string>> times = {
      {"201307010800Z", "20130701110000 +02:00"},     // 08:00 - 09:00 UTC
      {"20130701110000 +02", "20130701110000 BST"},   // 09:00 - 10:00
      {"20130701110000 BST", "20130701130000 CEST"},  // 10:00 - 11:00
      {"20130701070000 EDT", "20130701120000 GMT"},   // 11:00 - 12:00
      {"20130701120000 UTC", "20130701150000"},       // 12:00 - 13:00, the setting in summer
      {"20131215140000", "20131215100000 EST"},       // 13:00 - 15:00, the setting in winter
  };
  std::string programmes;
  for (size_t i = 0; i < times.size(); ++i) {
    programmes += Programme("c1", times[i].first, times[i].second,
                            "<title>P" + std::to_string(i) + "</title>");
  }
  ASSERT_EQ("", Import(Tv(Channel("c1", "") + programmes)));
  auto expect = [&](const std::string& title, OleDate start, OleDate end) {
    EXPECT_NEAR(start, StartOf(title), kOneSecond) << title;
    EXPECT_NEAR(end, EndOf(title), kOneSecond) << title;
  };
  const auto july = [](int hour) { return EncodeDateTime({2013, 7, 1, hour, 0, 0, 0}); };
  const auto december = [](int hour) { return EncodeDateTime({2013, 12, 15, hour, 0, 0, 0}); };
  for (int i = 0; i < 5; ++i) expect("P" + std::to_string(i), july(8 + i), july(9 + i));
  expect("P5", december(13), december(15));
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
  const std::vector<std::string> messages = Messages();
  EXPECT_EQ(1, std::count(messages.begin(), messages.end(),
                          "Channel \"nowhere.example\" is not declared in the file; it is "
                          "created from its id"));
}

// The structured form wins; the on-screen one fills what it leaves out.
TEST_F(XMLTVImportTest, EpisodeNumbersOfBothSystemsCombine) {
  ASSERT_EQ("", Import(Tv(
      Channel("c1", "") +
      Programme("c1", "20050101210000", "20050101220000",
                "<title>C</title><episode-num system=\"xmltv_ns\">. 4 . 1/3</episode-num>"
                "<episode-num system=\"onscreen\">S2 E99</episode-num>"))));
  EXPECT_EQ("2|5|2|3", Rows(*db_, "select season_num , season_episode_num , part_num , "
                                "num_of_parts from program_details"));
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
  run_ = nullptr;
  db_ = nullptr;
  progress_ = MakeObject<TRecordingProgress>(3);
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

TEST_F(XMLTVImportRunTest, UnreadableFilesKeepWhatTheGuideHad) {
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
}

TEST_F(XMLTVImportRunTest, TheLogClosesWithWhatWasLeftOut) {
  WriteFile(file_, Tv(Channel("c1", "") +
                      Programme("c1", "20290310130000", "20290310140000", "<title>A</title>") +
                      Programme("c1", "20290310140000", "", "<title>B</title>")));
  std::string error;
  ASSERT_TRUE(Import(&error)) << error;
  const std::vector<std::string> log = LastLogMessages();
  EXPECT_THAT(log,
              Contains("Programs stored : 1 (added, updated or already there) : left out : 1"));
  EXPECT_THAT(log, Contains("Left out : 1 no stop time"));
  EXPECT_THAT(log, Contains("Left out :   \"B\" on \"c1\" starting 20290310140000"));
}

}  // namespace
}  // namespace kestro::testing
