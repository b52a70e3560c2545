// The web guide's API over real HTTP, against a kestrod of its own on a fresh installation with
// the sample guide imported.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <tuple>
#include <thread>

#include "common/kestro_tool.h"
#include "common/kestrod_process.h"
#include "common/recording_item.h"
#include "platform/system/registry_file.h"

namespace kestro {
namespace {

using ::testing::HasSubstr;
using Json = nlohmann::json;

constexpr const char* kHostKey = "HKEY_LOCAL_MACHINE\\Software\\Lumavo\\Host";

struct Answer {
  int status = 0;
  Json body;
};

class WebApiTest : public testing::KestroToolTest {
 protected:
  void SetUp() override {
    SetUpTool();
    Succeeds("lineup add --name Sample --plugin xmltv --set exe=" +
             std::string(KESTRO_SOURCE_DIR) +
             "/data/grab-sample.sh --set grabber=tv_grab_sample --set days=2");
    Succeeds("import 1 --quiet");
  }
  ~WebApiTest() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  void SetHostValue(const std::string& name, const std::string& value) {
    RegistryFile registry = RegistryFile::Load(registry_);
    registry.SetString(kHostKey, name, value);
    registry.Save(registry_);
  }

  // Starts kestrod on a free port; the client speaks to it. Fails the test when the daemon does
  // not say where its web guide is.
  void StartDaemon(const std::string& address = "127.0.0.1:0", bool password = false) {
    SetHostValue("web-address", address);
    pid_ = testing::SpawnKestrod(registry_, dir_.path(), "kestrod");
    const std::regex at("Web guide at (https?)://[^:]+:(\\d+)/");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::smatch match;
    std::string log;
    while (std::chrono::steady_clock::now() < deadline) {
      log = testing::ReadFile(root_ + "/logs/kestrod.log");
      if (std::regex_search(log, match, at)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(match.size() > 2) << log << testing::ReadFile(dir_ / "kestrod.err");
    port_ = match[2].str();
    client_ = std::make_unique<httplib::Client>(match[1].str() + "://127.0.0.1:" + port_);
    client_->enable_server_certificate_verification(false);  // the test's own certificate
    client_->set_read_timeout(std::chrono::seconds(20));
    if (!password) token_ = Call("GET", "/api/v1/session").body["csrf-token"].get<std::string>();
  }

  // kestrod refuses to start, saying `why`.
  void ExpectRefusedStart(const std::string& why) {
    const pid_t pid = testing::SpawnKestrod(registry_, dir_.path(), "refused");
    int exit_status = 0;
    ::waitpid(pid, &exit_status, 0);
    EXPECT_EQ(WEXITSTATUS(exit_status), 1) << why;
    EXPECT_THAT(testing::ReadFile(dir_ / "refused.err"), HasSubstr(why));
  }

  Answer Call(const std::string& method, const std::string& path, const Json& body = nullptr,
              bool with_token = true) {
    httplib::Headers headers;
    if (with_token && !token_.empty()) headers.emplace("X-CSRF-Token", token_);
    httplib::Result result =
        method == "GET"    ? client_->Get(path, headers)
        : method == "POST" ? client_->Post(path, headers, body.is_null() ? "" : body.dump(),
                                           "application/json")
                           : client_->Delete(path, headers);
    if (!result) return {-1, nullptr};
    return {result->status, Json::parse(result->body, nullptr, false)};
  }
  Answer Post(const std::string& path, const Json& body) { return Call("POST", path, body); }

  // A recording in the library; its file is written when `bytes` is given.
  std::string AddRecording(const std::string& file, const std::string* bytes = nullptr) {
    return std::to_string(testing::AddRecordingItem(root_ + "/data/media-library.db", "Film",
                                                    file, bytes));
  }

  pid_t pid_ = 0;
  std::string port_;
  std::unique_ptr<httplib::Client> client_;
  std::string token_;
};

TEST_F(WebApiTest, GuideChannelsProgrammesAndSearchesReadTheSampleGuide) {
  StartDaemon();
  Answer guide = Call("GET", "/api/v1/lineups/1/guide?start=today%2B20h&hours=3");
  ASSERT_EQ(guide.status, 200) << guide.body;
  ASSERT_EQ(guide.body["channels"].size(), 10u);
  int previous = 0, programmes = 0;
  for (const Json& channel : guide.body["channels"]) {
    EXPECT_GT(channel["number"].get<int>(), previous);  // by channel number
    previous = channel["number"].get<int>();
    for (const Json& p : channel["programs"]) {
      ++programmes;
      EXPECT_EQ(p["channel-id"], channel["id"]);
      // Running in the window: starts before its end, ends after its start.
      EXPECT_LT(p["start"].get<std::string>(), guide.body["end"].get<std::string>());
      EXPECT_GT(p["end"].get<std::string>(), guide.body["start"].get<std::string>());
    }
  }
  EXPECT_GT(programmes, 20);
  // A browser offers brotli too; the answer comes as fast gzip, the same JSON.
  httplib::Result packed = client_->Get("/api/v1/lineups/1/guide?start=today%2B20h&hours=3",
                                        {{"Accept-Encoding", "gzip, deflate, br"}});
  ASSERT_TRUE(packed);
  EXPECT_EQ(packed->get_header_value("Content-Encoding"), "gzip");
  // A weight of zero refuses gzip, however it is written; "*" stands for codings not named.
  for (const auto& [offer, gzipped] : {std::pair{"gzip;q=0.0, br", false},
                                       std::pair{"identity, *;q=0.5", true},
                                       std::pair{"*, gzip; q=0", false}}) {
    httplib::Result answer = client_->Get("/api/v1/lineups/1/guide?start=today%2B20h&hours=3",
                                          {{"Accept-Encoding", offer}});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->has_header("Content-Encoding"), gzipped) << offer;
  }
  EXPECT_EQ(Json::parse(packed->body), guide.body);
  // The window's details are read together; each programme still shows its own.
  for (const Json& channel : guide.body["channels"]) {
    const Json& p = channel["programs"][0];
    Answer alone = Call("GET", "/api/v1/lineups/1/programs/" + p["id"].dump());
    ASSERT_EQ(alone.status, 200);
    for (const char* key : {"title", "genres", "episode", "season", "season-episode"})
      EXPECT_EQ(alone.body[key], p[key]) << key << " of " << p["title"];
    EXPECT_FALSE(alone.body["channel"].get<std::string>().empty());
    for (const Json& other : alone.body["other-showings"]) EXPECT_NE(other["id"], p["id"]);
  }
  const Json first = guide.body["channels"][0]["programs"][0];
  const std::string title = first["title"];
  Answer found = Call("GET", "/api/v1/lineups/1/search?kind=title&from=today&q=" +
                                 httplib::detail::encode_query_param(first["search-title"]));
  ASSERT_EQ(found.status, 200) << found.body;
  ASSERT_FALSE(found.body.empty());
  for (const Json& p : found.body) EXPECT_EQ(p["title"], title);

  EXPECT_EQ(Call("GET", "/api/v1/status").body["lineups"][0]["last-update-ok"], true);
  httplib::Result xmltv = client_->Get("/api/v1/xmltv?lineup=1&days=1");
  ASSERT_TRUE(xmltv);
  EXPECT_EQ(xmltv->get_header_value("Content-Type"), "application/xml; charset=utf-8");
  EXPECT_THAT(xmltv->body, HasSubstr(" channel=\"ch5.example\">"));
}

TEST_F(WebApiTest, RecordingFromTheGuideMarksTheProgrammeAndDeletingUnmarksIt) {
  StartDaemon();
  const Json guide = Call("GET", "/api/v1/lineups/1/guide?start=today%2B20h&hours=1").body;
  const Json program = guide["channels"][2]["programs"][0];
  const std::string id = program["id"].dump();

  // Changes need the page's token.
  Answer refused = Call("POST", "/api/v1/lineups/1/schedules", {{"program-id", program["id"]}},
                        false);
  EXPECT_EQ(refused.status, 403);
  EXPECT_THAT(refused.body["error"].get<std::string>(), HasSubstr("X-CSRF-Token"));

  Answer recorded = Post("/api/v1/lineups/1/schedules",
                         {{"program-id", program["id"]}, {"before", 60}, {"after", 120},
                          {"keep", "until-deleted"}});
  ASSERT_EQ(recorded.status, 201) << recorded.body;
  const Json schedule = recorded.body["schedule"];
  EXPECT_EQ(Json::array({schedule["program-id"], schedule["padding"], schedule["keep"]}),
            Json::array({program["id"], {60, 120}, "until-deleted"}));
  EXPECT_GT(schedule["tuner-id"].get<int>(), 0);

  EXPECT_EQ(Call("GET", "/api/v1/lineups/1/programs/" + id).body["schedule-id"], schedule["id"]);
  // The same showing again is refused, naming what it collides with.
  Answer again = Post("/api/v1/lineups/1/schedules", {{"program-id", program["id"]}});
  EXPECT_EQ(again.status, 409);
  EXPECT_EQ(again.body["conflicts"][0]["id"], schedule["id"]);

  // kestro sees what the web guide recorded.
  EXPECT_THAT(Kestro("schedule list 1").out, HasSubstr(program["title"].get<std::string>()));
  Answer listed = Call("GET", "/api/v1/lineups/1/schedules");
  ASSERT_EQ(listed.body["schedules"].size(), 1u);
  EXPECT_EQ(listed.body["tuners"], 2);

  const std::string path = "/api/v1/lineups/1/schedules/" + schedule["id"].dump();
  EXPECT_EQ(Call("DELETE", path).status, 200);
  EXPECT_TRUE(Call("GET", "/api/v1/lineups/1/programs/" + id).body["schedule-id"].is_null());
  EXPECT_EQ(Call("GET", "/api/v1/lineups/1/schedules?view=deleted").body["schedules"].size(), 1u);
  EXPECT_EQ(Call("DELETE", path).status, 404);

  EXPECT_EQ(Post("/api/v1/lineups/1/schedules", {{"channel-id", 1}, {"start", "today+1d20h"},
                                                  {"end", "today+1d21h"}, {"title", "Window"}})
                .status,
            201);
}

TEST_F(WebApiTest, RulesArePreviewedSavedOrderedAndDeleted) {
  StartDaemon();
  const Json program = Call("GET", "/api/v1/lineups/1/guide?start=today%2B20h&hours=1")
                           .body["channels"][0]["programs"][0];
  const Json every_showing = {{"search", "title " + program["search-title"].get<std::string>()},
                              {"duplicates", "not-in-library"}};
  Answer preview = Post("/api/v1/lineups/1/rules/preview", every_showing);
  ASSERT_EQ(preview.status, 200) << preview.body;
  EXPECT_EQ(preview.body["code"], "OK");
  ASSERT_FALSE(preview.body["showings"].empty());
  EXPECT_TRUE(Call("GET", "/api/v1/lineups/1/rules").body.empty());  // a preview stores nothing

  Answer saved = Post("/api/v1/lineups/1/rules", every_showing);
  ASSERT_EQ(saved.status, 201) << saved.body;
  EXPECT_TRUE(saved.body["stored"]);
  EXPECT_EQ(saved.body["rule"]["duplicates"], "not-in-library");
  EXPECT_EQ(saved.body["rule"]["schedules"].size(), preview.body["showings"].size());

  Answer weekly = Post("/api/v1/lineups/1/rules", {{"channel-id", 3},
                                                   {"start", "20:00"},
                                                   {"end", "21:00"},
                                                   {"frequency", "sat"}});
  ASSERT_EQ(weekly.status, 201) << weekly.body;
  EXPECT_EQ(weekly.body["rule"]["type"], "time");

  const Json first = saved.body["rule"]["id"], second = weekly.body["rule"]["id"];
  Answer ordered = Post("/api/v1/lineups/1/rules/order", {{"ids", {second, first}}});
  ASSERT_EQ(ordered.status, 200) << ordered.body;
  EXPECT_EQ(ordered.body[0]["id"], second);
  EXPECT_GT(ordered.body[0]["priority"].get<int>(), ordered.body[1]["priority"].get<int>());

  EXPECT_EQ(Call("DELETE", "/api/v1/lineups/1/rules/" + first.dump()).status, 200);
  Answer rules = Call("GET", "/api/v1/lineups/1/rules");
  ASSERT_EQ(rules.body.size(), 1u);
  EXPECT_EQ(rules.body[0]["id"], second);
}

TEST_F(WebApiTest, RecordingsAreListedStreamedInByteRangesAndDeleted) {
  std::filesystem::create_directories(root_ + "/recordings");
  std::string bytes(1000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
  const std::string file = root_ + "/recordings/Film_ABC_7.ts";
  const std::string id = AddRecording(file, &bytes);
  StartDaemon();

  Answer list = Call("GET", "/api/v1/recordings");
  ASSERT_EQ(list.status, 200) << list.body;
  ASSERT_EQ(list.body.size(), 1u);
  const Json& r = list.body[0];
  EXPECT_EQ(r["size"], 1000);
  const std::string url = r["url"];

  httplib::Result whole = client_->Get(url);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->status, 200);
  EXPECT_EQ(whole->body, bytes);
  EXPECT_EQ(whole->get_header_value("Accept-Ranges"), "bytes");
  struct Range {
    std::string header;
    size_t first, last;
  };
  for (const Range& r : std::vector<Range>{{"bytes=0-99", 0, 99},
                                           {"bytes=-10", 990, 999},
                                           {"bytes=900-5000", 900, 999}}) {
    httplib::Result part = client_->Get(url, {{"Range", r.header}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206) << r.header;
    EXPECT_EQ(part->get_header_value("Content-Range"),
              "bytes " + std::to_string(r.first) + "-" + std::to_string(r.last) + "/1000");
    EXPECT_EQ(part->body, bytes.substr(r.first, r.last - r.first + 1)) << r.header;
  }
  for (const char* bad : {"bytes=1000-", "lines=1-2"}) {
    httplib::Result refused = client_->Get(url, {{"Range", bad}});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 416) << bad;
    EXPECT_THAT(refused->body, HasSubstr("\"error\"")) << bad;
  }

  Answer deleted = Call("DELETE", "/api/v1/recordings/" + id);
  ASSERT_EQ(deleted.status, 200) << deleted.body;
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(Call("GET", "/api/v1/recordings").body.empty());
  EXPECT_EQ(Call("DELETE", "/api/v1/recordings/" + id).status, 404);
  EXPECT_EQ(client_->Get(url)->status, 404);
}

TEST_F(WebApiTest, RecordingDownloadsNeverLeaveTheRecordingsFolder) {
  const std::string folder = root_ + "/recordings";
  std::filesystem::create_directories(folder);
  const std::string secret = dir_ / "secret.ts", text = "not a recording";
  testing::WriteFile(secret, text);
  std::filesystem::create_symlink(secret, folder + "/link.ts");
  const std::string outside = AddRecording(secret);
  const std::string climbing = AddRecording(folder + "/../../secret.ts");
  const std::string linked = AddRecording(folder + "/link.ts");
  StartDaemon();

  for (const std::string& path :
       {"/api/v1/recordings/" + outside + "/file", "/api/v1/recordings/" + climbing + "/file",
        "/api/v1/recordings/" + linked + "/file", std::string("/api/v1/recordings/%2e%2e/file"),
        std::string("/api/v1/recordings/..%2F..%2Fsecret.ts/file"),
        std::string("/api/v1/recordings/%2Fetc%2Fpasswd/file"),
        std::string("/api/v1/recordings/1/file/../../../secret.ts")}) {
    httplib::Result answer = client_->Get(path, {{"Range", "bytes=0-3"}});
    ASSERT_TRUE(answer) << path;
    EXPECT_GE(answer->status, 400) << path;
    EXPECT_LT(answer->status, 500) << path;
    EXPECT_TRUE(Json::parse(answer->body, nullptr, false).contains("error")) << path;
    EXPECT_EQ(answer->body.find(text), std::string::npos) << path;
  }
  for (const std::string& id : {outside, climbing})
    EXPECT_EQ(Call("DELETE", "/api/v1/recordings/" + id).status, 403);
  // Deleting the link removes the link alone.
  EXPECT_EQ(Call("DELETE", "/api/v1/recordings/" + linked).status, 200);
  EXPECT_FALSE(std::filesystem::is_symlink(folder + "/link.ts"));
  EXPECT_EQ(testing::ReadFile(secret), text);
}

TEST_F(WebApiTest, ImportsRunBesideTheServerOneAtATimeAndEndWithTheirReport) {
  // A grabber that takes a while once told to, so that the import is seen running. The lineup is
  // imported once before: a lineup's first import racing kestrod's start-up (its engine making
  // the new guide's file) was seen failing with "disk I/O error".
  const std::string slow = dir_ / "slow-grab.sh", told = dir_ / "slow";
  testing::WriteFile(slow, "#!/bin/sh\n[ -e " + told + " ] && sleep 3\nexec " +
                               std::string(KESTRO_SOURCE_DIR) + "/data/grab-sample.sh \"$@\"\n");
  std::filesystem::permissions(slow, std::filesystem::perms::owner_all);
  for (const char* name : {"Slow", "Never"}) {
    ASSERT_EQ(Kestro(std::string("lineup add --name ") + name + " --plugin xmltv --set exe=" +
                     slow + " --set grabber=tv_grab_sample --set days=1").exit_code, 0);
  }
  ASSERT_EQ(Kestro("import 2 --quiet").exit_code, 0);
  testing::WriteFile(told, "");
  StartDaemon();

  // The lineup kestro imported shows the report of its log.
  Answer last = Call("GET", "/api/v1/lineups/1/import");
  ASSERT_EQ(last.status, 200) << last.body;
  EXPECT_EQ(last.body["ok"], true);
  EXPECT_THAT(last.body["report"].dump(), HasSubstr("Program stats : "));
  EXPECT_EQ(Call("GET", "/api/v1/lineups/3/import").status, 404);

  Answer started = Post("/api/v1/lineups/2/import", nullptr);
  ASSERT_EQ(started.status, 202) << started.body;
  EXPECT_EQ(started.body["running"], true);
  Answer again = Post("/api/v1/lineups/2/import", nullptr);
  EXPECT_EQ(again.status, 409);
  EXPECT_THAT(again.body["error"].get<std::string>(), HasSubstr("in progress"));
  // The server answers while the import runs.
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_EQ(Call("GET", "/api/v1/lineups/1/guide?hours=1").status, 200);
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(2));
  EXPECT_EQ(Call("GET", "/api/v1/lineups/2/import").body["running"], true);

  Answer ended;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ended = Call("GET", "/api/v1/lineups/2/import");
  } while (ended.body["running"] == true && std::chrono::steady_clock::now() < deadline);
  ASSERT_EQ(ended.body["ok"], true) << ended.body;
  EXPECT_EQ(ended.body["percent"], 100);
  // What kestro import prints: the closing lines of the run's log.
  const std::string log = testing::ReadFile(ended.body["log"].get<std::string>());
  ASSERT_FALSE(ended.body["report"].empty());
  for (const Json& line : ended.body["report"])
    EXPECT_THAT(log, HasSubstr(line.get<std::string>()));
  EXPECT_EQ(Post("/api/v1/lineups/2/import", nullptr).status, 202);  // ended: may run again
}

TEST_F(WebApiTest, WrongInputIsRefusedWithAStatusAndAMessage) {
  StartDaemon();
  struct Case {
    std::string method, path;
    Json body;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"GET", "/api/v1/lineups/7/guide", nullptr, 404, "No lineup with id 7"},
      {"GET", "/api/v1/lineups/x/channels", nullptr, 400, "\"x\" is not an id"},
      {"GET", "/api/v1/lineups/1/guide?hours=0", nullptr, 400, "\"hours\""},
      {"POST", "/api/v1/lineups/1/schedules", "not an object", 400, "JSON object"},
      {"POST", "/api/v1/lineups/1/schedules", {{"program-id", "5"}}, 400, "\"program-id\""},
      {"POST", "/api/v1/lineups/1/schedules",
       {{"channel-id", 1}, {"start", "now-2h"}, {"end", "now-1h"}, {"title", "Gone"}}, 409,
       "has already ended"},
      {"POST", "/api/v1/lineups/1/rules", {{"search", "title x"}, {"start", "20:00"}}, 400,
       "not both"},
      {"DELETE", "/api/v1/lineups/1/rules/5", nullptr, 404, "No rule with id 5"},
      {"GET", "/api/v1/recipes", nullptr, 404, "No such call"},
  };
  for (const Case& c : cases) {
    httplib::Headers headers = {{"X-CSRF-Token", token_}};
    Answer answer = c.body.is_string()
                        ? Answer{client_->Post(c.path, headers, c.body.get<std::string>(),
                                               "application/json")->status, nullptr}
                        : Call(c.method, c.path, c.body);
    EXPECT_EQ(answer.status, c.status) << c.method << " " << c.path << " " << c.body;
    if (!c.body.is_string()) {
      ASSERT_TRUE(answer.body.contains("error")) << c.path << " " << answer.body;
      EXPECT_THAT(answer.body["error"].get<std::string>(), HasSubstr(c.message)) << c.path;
    }
  }
  EXPECT_TRUE(Call("GET", "/api/v1/lineups/1/rules").body.empty());  // nothing was stored

  ASSERT_EQ(Kestro("tuners set 0").exit_code, 0);
  Answer no_tuners =
      Call("POST", "/api/v1/lineups/1/schedules",
           {{"channel-id", 1}, {"start", "now+1h"}, {"end", "now+2h"}, {"title", "T"}});
  EXPECT_EQ(no_tuners.status, 409);
  EXPECT_THAT(no_tuners.body.value("error", ""), HasSubstr("Lineup 1 has no tuners"));
}

TEST_F(WebApiTest, ListeningBeyondTheLoopbackNeedsAPasswordWhichEveryRequestCarries) {
  SetHostValue("web-address", "0.0.0.0:0");
  ExpectRefusedStart("web-password");

  SetHostValue("web-password", "s3cret");
  StartDaemon("0.0.0.0:0", true);
  EXPECT_EQ(client_->Get("/api/v1/lineups")->status, 401);
  client_->set_basic_auth("kestro", "s3cret");
  EXPECT_EQ(client_->Get("/api/v1/lineups")->status, 200);
}

TEST_F(WebApiTest, WithACertificateAndKeyTheGuideSpeaksHttps) {
  const std::string cert = dir_ / "web.crt", key = dir_ / "web.key";
  ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost "
                         "-keyout " + key + " -out " + cert + " 2>/dev/null").c_str()), 0);
  // A certificate without its key, or a key that is not one, stops the start.
  for (const auto& [with_cert, with_key, says] :
       {std::tuple{cert, std::string(), "web-key"}, std::tuple{cert, cert, "cannot use"}}) {
    SetHostValue("web-certificate", with_cert);
    SetHostValue("web-key", with_key);
    SetHostValue("web-address", "127.0.0.1:0");
    ExpectRefusedStart(says);
  }
  SetHostValue("web-key", key);
  StartDaemon();
  Answer lineups = Call("GET", "/api/v1/lineups");
  EXPECT_EQ(lineups.status, 200);
  EXPECT_EQ(lineups.body[0]["name"], "Sample");
  httplib::Client plain("http://127.0.0.1:" + port_);
  httplib::Result refused = plain.Get("/api/v1/lineups");
  EXPECT_TRUE(!refused || refused->status != 200);
}

}  // namespace
}  // namespace kestro
