// kestrod as a user runs it: a process of its own on a fresh installation, driven with kestro.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "cli/small_guide.h"
#include "common/kestrod_process.h"
#include "common/stream_server.h"


namespace kestro {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using Clock = std::chrono::steady_clock;

class KestrodTest : public testing::SmallGuideTest {
 protected:
  ~KestrodTest() override {
    if (pid_ > 0) {  // whatever happened, no daemon outlives its test
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  // Starts kestrod with the tool's registry; its output goes to files of the test.
  pid_t StartDaemon(const std::string& name) {
    const pid_t pid = testing::SpawnKestrod(registry_, dir_.path(), name);
    EXPECT_GT(pid, 0);
    return pid;
  }
  // The exit code of `pid` once it ends, or -1 when it has not ended within `timeout`.
  static int AwaitExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Whether `pid` has ended, leaving it to be waited for.
  static bool Ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == pid;
  }
  // Polls `condition` until it holds; false when it did not within `timeout`.
  static bool Eventually(std::chrono::milliseconds timeout,
                         const std::function<bool()>& condition) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }
  // The one recording file whose name begins with `title`, or "".
  std::string RecordingOf(const std::string& title) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(root_ + "/recordings", ec))
      if (entry.path().filename().string().rfind(title, 0) == 0) return entry.path().string();
    return "";
  }
  // Records `seconds` on channel 1 from `ahead` seconds from now.
  void Record(const std::string& title, int ahead, int seconds) {
    auto at = [](int from_now) {
      const std::time_t t = std::time(nullptr) + from_now;
      char text[32];
      std::strftime(text, sizeof text, "'%Y-%m-%d %H:%M:%S'", std::localtime(&t));
      return std::string(text);
    };
    Succeeds("record 1 --channel id:1 --title " + title + " --start " + at(ahead) + " --end " +
             at(ahead + seconds));
  }

  pid_t pid_ = 0;
};

// Whole 188-byte packets, each beginning with the sync byte.
void ExpectPlayable(const std::string& file) {
  const std::string data = testing::ReadFile(file);
  ASSERT_GT(data.size(), 0u) << file;
  EXPECT_EQ(data.size() % 188, 0u);
  for (size_t i = 0; i < data.size(); i += 188) ASSERT_EQ(data[i], '\x47') << "packet " << i / 188;
}

TEST_F(KestrodTest, RecordsOnTimeShowsItAndStopsCleanlyOnSigterm) {
  using std::chrono::seconds;
  pid_ = StartDaemon("kestrod");
  const auto running = [&] {
    return testing::ReadFile(root_ + "/logs/kestrod.log").find("KESTROD : Running") !=
           std::string::npos;
  };
  Eventually(seconds(20), [&] { return running() || Ended(pid_); });
  ASSERT_TRUE(running()) << testing::ReadFile(dir_ / "kestrod.err");

  const pid_t second = StartDaemon("second");
  EXPECT_EQ(AwaitExit(second, seconds(10)), 1);
  EXPECT_THAT(testing::ReadFile(dir_ / "second.err"),
              HasSubstr("another kestrod (process " + std::to_string(pid_) + ")"));

  Record("Short", 3, 6);
  std::string file;
  ASSERT_TRUE(Eventually(seconds(15), [&] { return !(file = RecordingOf("Short")).empty(); }));
  EXPECT_TRUE(Eventually(seconds(10), [&] {
    return Kestro("status --format tsv").out.find("\trecording\tShort\t") != std::string::npos;
  })) << Kestro("status").out;
  // The schedule ends as the engine leaves it: finished and deleted by the system.
  ASSERT_TRUE(Eventually(seconds(20), [&] {
    return Kestro("schedule list 1 --deleted --format tsv").out.find("Short") != std::string::npos;
  })) << Kestro("schedule list 1").out;
  EXPECT_THAT(Kestro("schedule list 1 --deleted --format tsv").out, HasSubstr("deleted by System"));
  const auto size = std::filesystem::file_size(file);
  // Times are stored to the second and the tuner starts after the timer fires: a recording may
  // lose a second or two at either end, never half of it.
  EXPECT_GT(size, 6 * 250'000 * 0.5) << "6 seconds at 2 Mbit/s";
  EXPECT_LT(size, 6 * 250'000 * 1.3);
  ExpectPlayable(file);

  Record("Long", 2, 120);
  ASSERT_TRUE(Eventually(seconds(15), [&] {
    file = RecordingOf("Long");
    std::error_code ec;
    return !file.empty() && std::filesystem::file_size(file, ec) > 188 * 100;
  }));
  ASSERT_EQ(::kill(pid_, SIGTERM), 0);
  EXPECT_EQ(AwaitExit(pid_, seconds(15)), 0) << testing::ReadFile(dir_ / "kestrod.err");
  pid_ = 0;
  ExpectPlayable(file);
  const std::string log = testing::ReadFile(root_ + "/logs/kestrod.log");
  EXPECT_THAT(log, HasSubstr("KESTROD : Stopped"));
  // The end was reported before the plug-ins stopped: the schedule finished, none is left
  // half-way.
  EXPECT_THAT(Kestro("schedule list 1 --format tsv").out, Not(HasSubstr("Long")));
  EXPECT_THAT(Kestro("schedule list 1 --deleted --format tsv").out, HasSubstr("Long"));
  EXPECT_THAT(Kestro("status").out, HasSubstr("kestrod         not running"));
}

// A live stream from a server on 127.0.0.1 recorded into the media library; a search rule that
// skips what the library holds then leaves the programme out.
TEST_F(KestrodTest, RecordsALiveStreamIntoTheLibraryThatRulesConsult) {
  using std::chrono::seconds;
  testing::StreamServer server(2'000'000);
  Succeeds("setup --root " + root_ + " --tuner-source http --url-template " +
           server.Url("/auto/v{number}"));
  const std::string rule = "--search 'title Star Trek' --duplicates not-in-library";
  ASSERT_THAT(Kestro("rule preview 1 " + rule).out, HasSubstr("Star Trek"));

  pid_ = StartDaemon("kestrod");
  // Programme 1, Star Trek on channel 4, is on now: it is recorded at once.
  Succeeds("record 1 1");
  ASSERT_TRUE(Eventually(seconds(30), [&] {
    return Kestro("recordings list --format tsv").out.find("\tStar Trek - Part 0\t4 KXYZ\t") !=
           std::string::npos;
  })) << testing::ReadFile(root_ + "/logs/kestrod.log");
  EXPECT_THAT(Kestro("recordings show 1").out,
              AllOf(HasSubstr("equality-key"), HasSubstr("key0"),
                    HasSubstr(root_ + "/recordings/Star Trek_Part 0_KXYZ_4_")));

  // Deleting the schedule stops the recording; the library keeps it.
  ASSERT_EQ(Kestro("schedule delete 1 1").exit_code, 0);
  ASSERT_TRUE(Eventually(seconds(15), [&] {
    return testing::ReadFile(root_ + "/logs/kestrod.log").find("TUNER : Finished") !=
           std::string::npos;
  }));
  const std::string file = Kestro("recordings play-path 1").out;
  ASSERT_FALSE(file.empty());
  ExpectPlayable(file.substr(0, file.size() - 1));

  const std::string added = Kestro("rule add 1 " + rule).out;
  EXPECT_THAT(Kestro("schedule list 1 --format tsv").out, Not(HasSubstr("Star Trek"))) << added;
  ASSERT_EQ(::kill(pid_, SIGTERM), 0);
  EXPECT_EQ(AwaitExit(pid_, seconds(15)), 0);
  pid_ = 0;
}

}  // namespace
}  // namespace kestro
