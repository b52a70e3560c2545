// kestro channel, channel-list, guide, search and program against a small guide written
// straight into a lineup's listings database.
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>

#include <nlohmann/json.hpp>

#include "cli/small_guide.h"
#include "common/recording_item.h"

namespace kestro {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ToolRun;

using GuideCommands = testing::SmallGuideTest;
namespace fs = std::filesystem;

TEST_F(GuideCommands, GuideShowsEachChannelFromNow) {
  // Part 0 is on now; Part 3 lies beyond the two hours.
  EXPECT_THAT(Succeeds("guide 1 --hours 2"),
              AllOf(HasSubstr("KXYZ"), HasSubstr("Star Trek (Part 0)"),
                    HasSubstr("The News (Part 2)"), Not(HasSubstr("Part 3"))));

  EXPECT_THAT(Kestro("guide 1 --hours 1 --format tsv").out, HasSubstr("\t7 WABC\t"));
  EXPECT_EQ(Kestro("guide 1 --at yesterday").exit_code, 2);
}

TEST_F(GuideCommands, SearchesOfEveryKindAndTheirRefusals) {
  const std::pair<const char*, const char*> found[] = {
      {"title 'star*'", "Star Trek\tPart 3"},
      {"title 'café révolution' --channel 7", "7 WABC\t"},
      {"keywords --all café space", "Café Révolution"},
      {"person núñez", "2\t4 KXYZ"},
      {"key key2", "The News"},
      {"custom 'title star trek\\next 1d'", "\tStar Trek\tPart 3"}};
  for (const auto& [query, shown] : found)
    EXPECT_THAT(Succeeds(std::string("search 1 ") + query + " --format tsv"), HasSubstr(shown))
        << query;
  EXPECT_THAT(Kestro("search 1 title 'star*' --format tsv").out, Not(HasSubstr("Café")));
  ToolRun limited = Kestro("search 1 custom 'title star trek' --limit 1 --format tsv");
  EXPECT_EQ(std::count(limited.out.begin(), limited.out.end(), '\n'), 2) << limited.out;

  const std::tuple<const char*, int, const char*> refused[] = {
      {"colour red", 2, "usage"},
      {"custom 'title star trek\\strat >= now'", 2, "line 2: unknown field \"strat\""},
      {"title x --channel 99", 1, "No channel with number 99"}};
  for (const auto& [query, code, says] : refused)
    ExpectFails(std::string("search 1 ") + query, code, says);
}

TEST_F(GuideCommands, ProgramShowsDetailsAndPeople) {
  EXPECT_THAT(Succeeds("program 1 2"), HasSubstr("Café Révolution"));
  EXPECT_EQ(Kestro("program 1 999").exit_code, 1);

  // JSON: numbers as numbers, one key style, lists as arrays.
  const nlohmann::json details = nlohmann::json::parse(Succeeds("program 1 2 --format json"));
  EXPECT_EQ(details["programme"], 2);
  EXPECT_EQ(details["year"], 1999);
  EXPECT_EQ(details["equality_key"], "key1");
  EXPECT_EQ(details["schedule"], nullptr);
  EXPECT_EQ(details["people"], nlohmann::json::array({"Ana Núñez (Actor)"}));
}

TEST_F(GuideCommands, ChannelsAndChannelLists) {
  EXPECT_EQ(Succeeds("channel-list create 1 --name Evening --user Ann 7 id:1"), "1\n");
  const std::string show = Kestro("channel-list show 1 1 --format tsv").out;
  EXPECT_LT(show.find("c7.example"), show.find("c4.example")) << "the list keeps its order";
  EXPECT_EQ(Kestro("channel-list list 1 --user bob --format tsv").out, "id\tname\tusers\tchannels\n");
  ASSERT_EQ(Kestro("channel-list add 1 1 --user Bob").exit_code, 0);
  EXPECT_THAT(Kestro("channel-list list 1 --user bob --format tsv").out, HasSubstr("Ann,Bob"));
  ASSERT_EQ(Kestro("channel-list remove 1 1 7").exit_code, 0);
  EXPECT_THAT(Kestro("channel-list show 1 1 --format tsv").out, Not(HasSubstr("c7.example")));
  EXPECT_THAT(Kestro("guide 1 --list 1").out, Not(HasSubstr("WABC")));
  ExpectFails("guide 1 --list 9", 1, "No channel list with id 9");
  ASSERT_EQ(Kestro("channel-list delete 1 1").exit_code, 0);
  EXPECT_EQ(Kestro("channel-list show 1 1").exit_code, 1);
}

TEST_F(GuideCommands, AnUnwantedChannelLeavesTheGuideSearchesAndRules) {
  ASSERT_EQ(Kestro("channel set 1 7 --wanted no --short-name 'W ABC'").exit_code, 0);
  EXPECT_THAT(Kestro("channel list 1 --format tsv").out, Not(HasSubstr("W ABC")));
  EXPECT_THAT(Kestro("channel list 1 --all --format tsv").out, HasSubstr("W ABC\t\t\t\tno"));
  for (const char* command :
       {"guide 1", "search 1 title 'star*'", "search 1 custom 'title star trek'"})
    EXPECT_THAT(Kestro(command).out, Not(HasSubstr("W ABC"))) << command;
  const nlohmann::json outcome =
      nlohmann::json::parse(Succeeds("rule preview 1 --search 'title star trek' --format json"));
  ASSERT_EQ(outcome["showings"].size(), 2u) << "Star Trek on channel 4 only";
  for (const nlohmann::json& showing : outcome["showings"]) {
    EXPECT_EQ(showing["channel"], "4 KXYZ");
    EXPECT_EQ(showing["schedule"], nullptr) << "nothing stored";
  }
  // Asked for by name, it is still there.
  EXPECT_THAT(Kestro("search 1 title 'star*' --channel 7 --format tsv").out, HasSubstr("W ABC"));

  ToolRun list = Kestro("channel-list create 1 --name Both 4 7");
  ASSERT_EQ(list.exit_code, 0) << list.err;
  EXPECT_THAT(list.err, HasSubstr("Channel 7 W ABC (id:2) is not wanted"));

  ASSERT_EQ(Kestro("channel set 1 7 --wanted yes").exit_code, 0);
  EXPECT_THAT(Kestro("guide 1").out, HasSubstr("W ABC"));
}

TEST_F(GuideCommands, ChannelArgumentsTakeTheNumberTheGuideShowsOrAnId) {
  EXPECT_THAT(Kestro("guide 1").out, HasSubstr("\n7   WABC"));
  Succeeds("record 1 --channel 7 --start now+1h --end now+2h --title A");
  Succeeds("record 1 --channel id:1 --start now+1h --end now+2h --title B");
  const std::string schedules = Kestro("schedule list 1 --format tsv").out;
  EXPECT_THAT(schedules, HasSubstr("\tA\t7 WABC\t"));
  EXPECT_THAT(schedules, HasSubstr("\tB\t4 KXYZ\t"));
  ASSERT_EQ(Kestro("channel set 1 id:2 --number 4").exit_code, 0);

  ExpectFails("search 1 title x --channel 4", 1,
              "Channel number 4 is shared by 4 KXYZ (id:1), 4 WABC (id:2)");
  ExpectFails("channel set 1 7 --wanted no", 1, "No channel with number 7");
}

// Every file below `dir` with its size and time of change.
std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> Snapshot(const std::string& dir) {
  std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    files[entry.path()] = {entry.is_regular_file() ? entry.file_size() : 0,
                           entry.last_write_time()};
  }
  return files;
}

void SetWritable(const std::string& dir, bool writable) {
  const auto options = writable ? fs::perm_options::add : fs::perm_options::remove;
  fs::permissions(dir, fs::perms::owner_write, options);
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    fs::permissions(entry.path(), fs::perms::owner_write, options);
}

class ReadOnlyRoot : public testing::SmallGuideTest {
 protected:
  // kestro run by a user who may read the installation but not write it. File modes do not stop
  // root, so a test run as root runs it in a child that has become "nobody" first.
  ToolRun KestroAsReader(const std::string& args) {
    if (geteuid() != 0) return Kestro(args);
    fs::permissions(dir_.path(), fs::perms::all);  // the child writes its output beside the root
    for (const char* output : {"stdout", "stderr"}) fs::remove(dir_ / output);
    const passwd* nobody = getpwnam("nobody");
    if (!nobody) return {-1, "", "no user \"nobody\""};
    const pid_t pid = fork();
    if (pid == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
          setuid(nobody->pw_uid) != 0)
        _exit(125);
      _exit(Kestro(args).exit_code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::ReadFile(dir_ / "stdout"),
            testing::ReadFile(dir_ / "stderr")};
  }
  void TearDown() override { SetWritable(root_, true); }
};

TEST_F(ReadOnlyRoot, BrowsesWithoutWritingAndRefusesChangesNamingWhy) {
  ASSERT_EQ(Kestro("record 1 2").exit_code, 0);
  ASSERT_EQ(Kestro("lineup add --name Old --plugin xmltv").out, "2\n");
  {  // a guide of an older version, which only a writer may upgrade
    DBPtr old = OpenListingsDatabase(root_ + "/library/tv/listings.2.dat", MakeRealEnv());
    old->Exec("update parameters set param_value = 3 where param_name = \"schema-version\"");
  }
  const std::string recording = dir_ / "Film.ts";
  const int64_t film =
      testing::AddRecordingItem(root_ + "/data/media-library.db", "Film", recording, &recording);
  SetWritable(root_, false);
  const auto before = Snapshot(root_);

  const std::pair<const char*, const char*> reads[] = {
      {"lineup list", "Cable"},         {"guide 1", "Star Trek (Part 0)"},
      {"search 1 title 'star*'", "Part 3"}, {"channel list 1", "KXYZ"},
      {"schedule list 1", "Café"},      {"info", "Tuner"},
      {"recordings list", "Film"}};
  for (const auto& [command, shown] : reads) {
    ToolRun run = KestroAsReader(command);
    EXPECT_EQ(run.exit_code, 0) << command << ": " << run.err;
    EXPECT_THAT(run.out, HasSubstr(shown)) << command;
  }
  const std::vector<std::string> changes = {"record 1 8", "schedule delete 1 1",
                                            "lineup delete 2", "channel set 1 7 --wanted no",
                                            "recordings delete " + std::to_string(film)};
  for (const std::string& change : changes) {
    ToolRun run = KestroAsReader(change);
    EXPECT_EQ(run.exit_code, 1) << change;
    EXPECT_THAT(run.err, HasSubstr("is not writable")) << change << ": " << run.err;
  }
  ToolRun old = KestroAsReader("guide 2");
  EXPECT_EQ(old.exit_code, 1);
  EXPECT_THAT(old.err, HasSubstr("needs an upgrade to version 4"));
  EXPECT_EQ(Snapshot(root_), before) << "nothing written, not even a journal or a log";
  EXPECT_TRUE(fs::exists(recording)) << "a recording goes only with its library entry";

  if (geteuid() == 0) {  // a writer (root here) holds the guide open: its log is read too
    DBPtr writer = OpenListingsDatabase(root_ + "/library/tv/listings.1.dat", MakeRealEnv());
    writer->Exec("update channels set short_name = \"KXYZ-HD\" where channel_id = 1");
    EXPECT_THAT(KestroAsReader("guide 1").out, HasSubstr("KXYZ-HD"));
  }
}

}  // namespace
}  // namespace kestro
