// The listings service plug-in inside whole import runs: the archive's records with every detail,
// the service's refusals, wrong records, ignored and unwanted channels, progress and cancelling;
// and an import through `kestro import` from a server on loopback.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/kestro_tool.h"
#include "common/loopback_server.h"
#include "import/service_plugin.h"
#include "import_run_fixture.h"
#include "service_fixture.h"

#define SERVICE_GENERATOR_NO_MAIN
#include "../../tools/service_generator.cc"

namespace kestro::testing {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Pair;
using ::testing::StartsWith;

constexpr const char* kRequest =
    "http://listings.test/V0_1/tribune?mode=schedule&provider=PA%2004&device=D1&country=USA";
constexpr const char* kFailed = "The listings import plugin failed to perform the import : ";

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class ServiceImportTest : public ImportRunTest {
 protected:
  void SetUp() override {
    ImportRunTest::SetUp();
    SavedEnvironment::SetTimeZone("EST5");  // UTC-5, no daylight saving
    lineup_->put_PluginID(std::string(kListingsServicePluginID));
    Ignore("");
  }

  void Ignore(const std::string& channels) {
    SetProperties({{"service-url", "http://listings.test/"},
                   {"headend-id", "PA 04"},
                   {"device-id", "D1"},
                   {"country", "USA"},
                   {"ignored-channels", channels}});
  }

  void Answer(const std::string& body, int32_t status = 200) {
    FakeEnv::HttpAnswer answer;
    answer.status = status;
    answer.body = body;
    env_->AnswerHttp(kRequest, answer);
  }
  void AnswerLines(const std::vector<std::string>& lines) {
    Answer(ZipArchive({{"readme.md", "listings inside"}, {"tv/Listings.TXT", Lines(lines)}}));
  }

  std::string ImportError(IMLImportProgress* progress = nullptr) {
    std::string error;
    return Import(&error, progress) ? std::string() : error;
  }

  std::string Row(const std::string& sql) { return Rows(*Listings(), sql); }
};

TEST_F(ServiceImportTest, EveryFieldAndDetailOfARecordArrives) {
  ServiceLine full;
  full.channel = "10021";
  full.name = "Caf\x82 Espa\xA4" "a \x81";  // code page 437
  full.number = "12";
  full.date = "20290310";
  full.time = "1830";
  full.duration = "0130";
  full.title = "\xC4\xC4 Caf\x82 \xC4\xC4";
  full.episode = "Pilot";
  full.details = {{0, "2"},  {1, "3"},  {2, "Y"},  {3, "N"},  {4, "y"},  {6, "Y"},
                  {7, "Season Premiere"},   {8, "N"},  {10, "Y"}, {11, "N"}, {12, "Y"},
                  {13, "N"}, {14, "Y"}, {15, "N"}, {16, "Y"}, {17, "N"}, {18, "Y"},
                  {19, "N"}, {20, "Y"}, {21, "Dolby Digital"},      {22, "N"},
                  {23, "  A short one.  "}, {30, "Ann"}, {31, "Lee"}, {32, "Actor"},
                  {33, ""},  {34, "Solo"}, {35, "Director"},        {36, "No"},
                  {37, "Role"}, {38, ""},   {150, "Drama"},         {152, "Comedy"},
                  {156, "1999"}, {158, "0130"}, {159, "Color"},     {160, "English"},
                  {161, "USA"}, {162, "Y"}, {163, "Live"}, {164, "Series"},
                  {165, "Christmas"}, {168, "KES"}, {170, "The long one."},
                  {171, "Studio 9"}, {175, "19990402"}};
  ServiceLine odd;
  odd.channel = "10021";
  odd.number = "12";
  odd.title = "Odd";
  odd.time = "2000";
  odd.details = {{156, "MCMXCIX"}, {158, "130"}, {175, "19991340"}};
  AnswerLines({"# listings for PA 04", "", full.Text(), odd.Text()});
  ASSERT_EQ(ImportError(), "");

  // Times are local (UTC-5), texts UTF-8, and every detail lands in its column.
  const auto db_time = [](int day, int hour, int minute) {
    return std::to_string(DateTimeToDbTime(EncodeDateTime({2029, 3, day, hour, minute, 0, 0})));
  };
  EXPECT_EQ(Row("select p.start_time , p.end_time , p.subtitle , c.long_name , c.number , "
                "c.frequency , c.image_id , d.* from programs p , channels c , program_details d "
                "where c.channel_id = p.channel_id and d.id = p.id and p.title = "
                "'\u2500\u2500 Caf\u00e9 \u2500\u2500'"),
            db_time(10, 13, 30) + "|" + db_time(10, 15, 0) + "|Pilot|Caf\u00e9 Espa\u00f1a "
            "\u00fc|12|12|10021|1|The long one.|A short one.|2|3|1|0|-1|1|0|1|0|1|0|1|0|1|0|1|0|"
            "1|0|1|Dolby Digital|Season Premiere||1999|90|Color|English|USA|Live|Series|Christmas||"
            "KES|Studio 9|19990402|0|0");
  EXPECT_EQ(Row("select group_concat ( x , ',' ) from ( select p.name || '/' || r.role as x from "
                "program_people pp , people p , roles r where pp.person_id = p.person_id and "
                "pp.role_id = r.role_id order by p.name )"),
            "Ann Lee/Actor,Solo/Director");
  EXPECT_EQ(Listings()->QueryInt("select count ( * ) from program_genres"), 2);
  // Values that are not numbers or dates of the expected form read as none.
  EXPECT_EQ(Row("select run_time , year , original_air_date from programs p , program_details d "
                "where d.id = p.id and p.title = 'Odd'"),
            "0|0|");
}

TEST_F(ServiceImportTest, AnswersThatAreNoListingsOrAWrongRecordFailAndKeepNothing) {
  Answer("  ERROR Invalid headend END\r\n");
  EXPECT_EQ(ImportError(),
            std::string(kFailed) + "An error ocurred while retrieving listings : Invalid headend");
  Answer("<html>Service unavailable</html>");
  EXPECT_EQ(ImportError(), std::string(kFailed) + "An unexpected error ocurred while retrieving "
                                                   "listings : <html>Service unavailable</html>");
  Answer("gone", 404);
  EXPECT_EQ(ImportError(), std::string(kFailed) + "Failed to download updated listings, please "
                                                   "try again later : Failed to open file : 404");

  // Large answers are taken for archives: their own unpacking error is reported.
  std::mt19937 random(7);
  std::string noise(3 << 20, ' ');
  for (char& c : noise) c = static_cast<char>('a' + random() % 26);
  Answer(noise);
  EXPECT_THAT(ImportError(), AllOf(StartsWith(std::string(kFailed) + "There was a problem "
                                                                     "unpacking the downloaded "
                                                                     "listings : "),
                                   HasSubstr("is not a ZIP archive")));

  // A wrong record fails the whole import, naming its line.
  ServiceLine good, short_line, bad_number;
  short_line.detail_count = 0;
  short_line.time = "1900";
  bad_number.channel = "C9";
  bad_number.number = "nine";
  const std::string unhandled =
      std::string(kFailed) + "There was an unhandled error during the import : ";

  AnswerLines({good.Text(), "#", short_line.Text()});
  EXPECT_EQ(ImportError(),
            unhandled + "line 3: detail 175 (field 188) is missing; the record has 12 fields");
  // A channel without a number cannot be saved.
  AnswerLines({good.Text(), bad_number.Text()});
  EXPECT_EQ(ImportError(), std::string(kFailed) + "Failed to save channel C9");
  // Nothing of a failed run is kept.
  EXPECT_EQ(Count("programs"), 0);
  EXPECT_EQ(Count("channels"), 0);
}

TEST_F(ServiceImportTest, IgnoredChannelsUntilTheyExistAndUnwantedChannels) {
  ServiceLine c1, c2, c3;
  c2.channel = "C2";
  c2.title = "Two";
  c3.channel = "C3";
  c3.title = "Three";
  AnswerLines({c1.Text(), c3.Text()});
  ASSERT_EQ(ImportError(), "");
  Listings()->Exec("update channels set wanted = 0 where external_id = 'C1'");

  Ignore("c2, c3 ,x");
  c1.title = "One again";
  c1.time = "1900";
  c3.time = "1900";
  c3.title = "Three again";
  AnswerLines({c1.Text(), c2.Text(), c3.Text()});
  ASSERT_EQ(ImportError(), "");
  DBPtr db = Listings();
  EXPECT_EQ(db->QueryInt("select count ( * ) from channels where external_id = 'C2'"), 0);
  EXPECT_EQ(db->QueryInt("select count ( * ) from programs where title = 'Three again'"), 1);
  EXPECT_EQ(db->QueryInt("select count ( * ) from programs where title = 'One again'"), 0);
}

// Runs the generator's command line with `args` after the common ones.
int Generate(std::vector<std::string> args) {
  args.insert(args.begin(), {"service_generator", "--days", "1"});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  return service_generator::Run(static_cast<int>(argv.size()), argv.data());
}

TEST_F(ServiceImportTest, GeneratedArchivesImportWholeWithProgressAndStopCancels) {
  const std::vector<std::string> listings = {"--channels", "20", "--start", "2029-03-11"};
  std::vector<std::string> args = listings;
  args.insert(args.end(), {"--output", dir_ / "listings.zip"});
  ASSERT_EQ(Generate(args), 0);
  args = listings;
  args.insert(args.end(), {"--text", "--output", dir_ / "listings.txt"});
  ASSERT_EQ(Generate(args), 0);
  const std::string text = ReadFile(dir_ / "listings.txt");
  const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  ASSERT_GT(lines, 200);
  Answer(ReadFile(dir_ / "listings.zip"));
  ComPtr<TRecordingProgress> progress = MakeObject<TRecordingProgress>();
  ASSERT_EQ(ImportError(progress.Get()), "");
  EXPECT_EQ(Count("programs"), lines - 1);  // all but the comment
  EXPECT_EQ(Count("channels"), 20);
  const auto& reports = progress->reports;
  const int percent = 200 * 100 / lines;
  const std::string at_200 =
      Format("%d %% complete. 200 of %d programs processed...", percent, lines);
  EXPECT_THAT(reports, Contains(Pair(percent, at_200)));

  // "stop" at the report of line 200.
  const auto stop = std::find(reports.begin(), reports.end(), std::pair(percent, at_200));
  ComPtr<TRecordingProgress> stopping =
      MakeObject<TRecordingProgress>(static_cast<int>(stop - reports.begin()) + 1);
  EXPECT_EQ(ImportError(stopping.Get()), "canceled");
  EXPECT_EQ(stopping->reports.back(), *stop);
}

// A service lineup as a user sets it up: `kestro import` fetches today's listings from a server
// on loopback and `kestro guide` shows them.
class ServiceImportCli : public KestroToolTest {
 protected:
  void SetUp() override { SetUpTool(1); }
};

TEST_F(ServiceImportCli, ImportFromALocalServiceShowsTodaysListings) {
  ASSERT_EQ(Generate({"--channels", "3", "--output", dir_ / "today.zip"}), 0);  // today in UTC
  LoopbackServer server({Reply(HttpResponse(ReadFile(dir_ / "today.zip")))});
  ASSERT_EQ(Kestro("lineup add --name Air --plugin service --set headend-id=PA04 "
                   "--set device-id=D1 --set country=USA --set service-url=" + server.Url(""))
                .exit_code,
            0);
  ToolRun import = Kestro("import 1");
  ASSERT_EQ(import.exit_code, 0) << import.err << import.out;
  EXPECT_THAT(import.out, HasSubstr("Downloading listings"));
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_THAT(requests[0], StartsWith("GET /V0_1/tribune?mode=schedule&provider=PA04&device=D1"
                                      "&country=USA HTTP/1.1\r\n"));
  EXPECT_THAT(requests[0], HasSubstr(std::string("User-Agent: ") + kServiceClientId + "\r\n"));

  ToolRun guide = Kestro("guide 1");
  EXPECT_EQ(guide.exit_code, 0) << guide.err;
  EXPECT_THAT(guide.out, AllOf(HasSubstr("K1"), HasSubstr("K2")));
}

}  // namespace
}  // namespace kestro::testing
