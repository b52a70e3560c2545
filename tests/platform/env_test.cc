// The Env: the fake one's manual clock and timers, and the real one's timer thread, file system,
// child processes and HTTP (against a server on loopback).
#include "platform/env/env.h"

#include <gmock/gmock.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "common/fake_env.h"
#include "common/loopback_server.h"
#include "common/temp_dir.h"
#include "common/test_environment.h"
#include "platform/env/real_env.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"

namespace kestro::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Pair;

OleDate At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDateTime(DateTimeParts{y, mo, d, h, mi, s, ms});
}

constexpr int64_t kMinute = 60 * 1000;

HttpRequest Get(const std::string& url) {
  HttpRequest request;
  request.url = url;
  return request;
}

ProcessOptions Command(std::string executable, std::vector<std::string> args,
                       const std::string& dir, std::vector<std::string>* lines = nullptr) {
  ProcessOptions options;
  options.executable = std::move(executable);
  options.args = std::move(args);
  options.working_directory = dir;
  if (lines) options.on_output = [lines](const std::string& line) { lines->push_back(line); };
  return options;
}

// ---------------------------------------------------------------------------------------------
// The fake Env

class FakeEnvTest : public ::testing::Test {
 protected:
  void SetUp() override { SavedEnvironment::SetTimeZone("Europe/London"); }

  // Records (timer id, minutes since the start) of each expiry.
  std::unique_ptr<TimerService> Timers() {
    return env_->NewTimerService([this](uint32_t id) {
      fired_.emplace_back(id, (env_->NowUnixMillis() - start_) / kMinute);
    });
  }

  SavedEnvironment saved_;
  std::shared_ptr<FakeEnv> env_ = std::make_shared<FakeEnv>(At(2024, 3, 30, 23, 0));
  const int64_t start_ = env_->NowUnixMillis();
  std::vector<std::pair<uint32_t, int64_t>> fired_;
};

TEST_F(FakeEnvTest, TimersFireAtTheirMomentsAsTimePasses) {
  std::unique_ptr<TimerService> timers = Timers();
  timers->Arm(1, start_ + 5 * kMinute, 0, /*wake=*/true);
  timers->Arm(2, start_ + kMinute, kMinute, false);  // every minute from one minute on
  timers->Arm(3, start_ + 90 * kMinute, 0, false);
  timers->Arm(4, start_ + 2 * kMinute, 0, false);
  timers->Cancel(4);

  env_->AdvanceMillis(5 * kMinute);
  // At minute 5 the one-shot timer, armed first, comes first.
  EXPECT_THAT(fired_, ElementsAre(Pair(2, 1), Pair(2, 2), Pair(2, 3), Pair(2, 4), Pair(1, 5),
                                  Pair(2, 5)));
  EXPECT_EQ(env_->ArmedTimers(), 2u);  // the one-shot timer that fired is gone

  fired_.clear();
  timers->Cancel(2);
  env_->AdvanceMillis(2 * 60 * kMinute);
  EXPECT_THAT(fired_, ElementsAre(Pair(3, 90)));
  EXPECT_EQ(env_->ArmedTimers(), 0u);
  // Time passed across the start of summer time (01:00 GMT becomes 02:00 BST).
  EXPECT_EQ(env_->NowLocal(), At(2024, 3, 31, 2, 5));
}

TEST_F(FakeEnvTest, SettingTheClockFiresWhatIsDueOnceAndRestartsPeriods) {
  std::unique_ptr<TimerService> timers = Timers();
  timers->Arm(1, start_ + 10 * kMinute, 0, false);
  timers->Arm(2, start_ + 30 * kMinute, 0, false);
  timers->Arm(3, start_ + kMinute, 5 * kMinute, false);
  env_->SetUnixMillis(start_ + 20 * kMinute);
  EXPECT_THAT(fired_, ElementsAre(Pair(3, 20), Pair(1, 20)));

  // The periodic timer runs one period after the change; the one-shot keeps its moment.
  fired_.clear();
  env_->AdvanceMillis(10 * kMinute);
  EXPECT_THAT(fired_, ElementsAre(Pair(3, 25), Pair(2, 30), Pair(3, 30)));

  // A timer armed for a moment that has passed fires with the next movement of the clock; one
  // armed from inside a callback as well.
  fired_.clear();
  std::unique_ptr<TimerService> chained;
  chained = env_->NewTimerService([&](uint32_t id) {
    fired_.emplace_back(id, (env_->NowUnixMillis() - start_) / kMinute);
    if (id == 7) chained->Arm(8, env_->NowUnixMillis() + kMinute, 0, false);
  });
  chained->Arm(7, start_, 0, false);
  timers.reset();  // a destroyed service's timers never fire
  env_->AdvanceMillis(0);
  EXPECT_THAT(fired_, ElementsAre(Pair(7, 30)));
  env_->AdvanceMillis(kMinute);
  EXPECT_THAT(fired_, ElementsAre(Pair(7, 30), Pair(8, 31)));
}

// ---------------------------------------------------------------------------------------------
// The real Env

// Collects expiries from the timer thread.
class Expiries {
 public:
  TimerCallback Callback() {
    return [this](uint32_t id) {
      std::lock_guard lock(mutex_);
      ids_.push_back(id);
      changed_.notify_all();
    };
  }
  // Waits at most 5 seconds for `count` expiries; the ids so far.
  std::vector<uint32_t> WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(5), [&] { return ids_.size() >= count; });
    return ids_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<uint32_t> ids_;
};

TEST(RealTimerTest, OneShotPeriodicAndCancel) {
  std::shared_ptr<Env> env = MakeRealEnv();
  Expiries expiries;
  std::unique_ptr<TimerService> timers = env->NewTimerService(expiries.Callback());
  const int64_t now = env->NowUnixMillis();
  timers->Arm(1, now - 60 * kMinute, 0, /*wake=*/true);  // an hour ago: fires at once
  timers->Arm(9, now + 50, 0, false);
  timers->Cancel(9);
  EXPECT_THAT(expiries.WaitFor(1), ElementsAre(1));

  timers->Arm(2, now + 20, 20, false);
  std::vector<uint32_t> ids = expiries.WaitFor(4);
  timers->Cancel(2);
  ASSERT_GE(ids.size(), 4u);
  EXPECT_THAT(std::vector<uint32_t>(ids.begin(), ids.begin() + 4), ElementsAre(1, 2, 2, 2));
  // Nothing more once cancelled (an expiry being reported at that moment may still come).
  const size_t at_cancel = expiries.WaitFor(0).size();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ids = expiries.WaitFor(0);
  EXPECT_LE(ids.size(), at_cancel + 1);
  EXPECT_THAT(ids, ::testing::Not(Contains(9u)));
}

TEST(RealFilesTest, EntryKindsTimesAndDevices) {
  TempDir dir;
  std::shared_ptr<Env> env = MakeRealEnv();
  ASSERT_FALSE(env->CreateDirectories(dir / "a/b"));
  WriteFile(dir / "a/file", "x");
  std::filesystem::create_directory_symlink(dir / "a/b", dir / "a/link");
  std::vector<DirEntry> entries;
  ASSERT_FALSE(env->ListDirectory(dir / "a", &entries));
  std::vector<std::string> described;
  for (const DirEntry& e : entries)
    described.push_back(e.name + (e.is_directory ? " dir" : "") +
                        (e.is_regular_file ? " file" : ""));
  std::sort(described.begin(), described.end());
  // A link to a directory is not walked into.
  EXPECT_THAT(described, ElementsAre("b dir", "file file", "link"));

  FileTimes times;
  ASSERT_FALSE(env->GetFileTimes(dir / "a/file", &times));
  EXPECT_NEAR(static_cast<double>(times.modified_unix_ms),
              static_cast<double>(env->NowUnixMillis()), 60000.0);
  uint64_t free_bytes = 0;
  EXPECT_FALSE(env->FreeSpace(dir.path(), &free_bytes));
  EXPECT_GT(free_bytes, 0u);
  bool same = false;
  EXPECT_FALSE(env->SameDevice(dir / "a/file", dir / "a/b", &same));
  EXPECT_TRUE(same);
  EXPECT_FALSE(env->SameDevice("/proc/self", dir.path(), &same));
  EXPECT_FALSE(same);
  EXPECT_EQ(env->SameDevice(dir / "missing", dir.path(), &same),
            std::error_code(ENOENT, std::generic_category()));
}

TEST(RealProcessTest, DestructionEndsAndReapsTheChild) {
  TempDir dir;
  std::shared_ptr<Env> env = MakeRealEnv();
  const std::string script = dir / "s.sh";
  WriteFile(script, "#!/bin/sh\ntrap '' TERM\necho $$ > pid\necho started\nsleep 30\n");
  chmod(script.c_str(), 0755);
  std::vector<std::string> lines;
  {
    std::unique_ptr<ChildProcess> process =
        env->StartProcess(Command(script, {}, dir.path(), &lines));
    // Until it has started and printed (a loaded machine may take a while), then destroy it.
    for (int i = 0; i < 100 && lines.empty(); ++i) EXPECT_FALSE(process->Wait(100));
  }
  // Ignoring SIGTERM does not help it; and it is reaped, not a zombie.
  int pid = 0;
  ASSERT_TRUE(TryStrToInt(Trim(ReadFile(dir / "pid")), &pid));
  EXPECT_NE(kill(pid, 0), 0);
  EXPECT_THAT(lines, ElementsAre("started"));

  std::unique_ptr<ChildProcess> quick =
      env->StartProcess(Command("/bin/sh", {"-c", "printf 'a\\nb'; exit 7"}, dir.path(), &lines));
  EXPECT_TRUE(quick->Wait(5000));
  EXPECT_EQ(quick->ExitCode(), 7);
  EXPECT_THAT(lines, ElementsAre("started", "a", "b"));
  EXPECT_THROW(env->StartProcess(Command("/nonexistent/grabber", {}, dir.path())), Exception);
}

TEST(RealProcessTest, TheChildInheritsNoOtherDescriptors) {
  // A descriptor opened without close-on-exec, as a database or lock file might be.
  const int fd = open("/dev/null", O_RDONLY);
  ASSERT_GE(fd, 3);
  TempDir dir;
  std::vector<std::string> lines;
  std::unique_ptr<ChildProcess> process =
      MakeRealEnv()->StartProcess(Command("/bin/sh", {"-c", "ls /proc/$$/fd"}, dir.path(), &lines));
  EXPECT_TRUE(process->Wait(5000));
  close(fd);
  EXPECT_THAT(lines, Contains("1"));
  EXPECT_THAT(lines, ::testing::Not(Contains(std::to_string(fd))));
}

struct RecordingSink : HttpSink {
  bool OnResponse(int32_t code, int64_t length, const std::vector<std::string>& lines) override {
    status = code;
    content_length = length;
    headers = lines;
    return true;
  }
  bool OnData(std::string_view data) override {
    body.append(data);
    return body.size() < stop_after;
  }
  int32_t status = 0;
  int64_t content_length = 0;
  std::vector<std::string> headers;
  std::string body;
  size_t stop_after = 1 << 20;
};

TEST(RealHttpTest, FollowsRedirectsAndSendsWhatTheRequestAsks) {
  LoopbackServer server({
      Reply("HTTP/1.1 302 Found\r\nLocation: /new\r\nContent-Length: 5\r\n\r\nmoved"),
      Reply("HTTP/1.1 200 OK\r\nContent-Length: 8\r\nX-Guide: 2\r\n\r\nlistings"),
      Reply("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone"),
      Reply("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nlistings"),
  });
  std::shared_ptr<Env> env = MakeRealEnv();
  HttpRequest request = Get(server.Url("/old"));
  request.user_agent = "KestroTest/1.0";
  request.reload = true;
  RecordingSink sink;
  HttpResult result = env->HttpGet(request, sink);
  EXPECT_EQ(result.outcome, HttpResult::Outcome::kDone) << result.error;
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(sink.status, 200);
  EXPECT_EQ(sink.content_length, 8);
  EXPECT_THAT(sink.headers, Contains("X-Guide: 2"));
  EXPECT_EQ(sink.body, "listings");  // not the redirect's body
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(StartsWithText(requests[1], "GET /new HTTP/1.1\r\n"));
  for (const char* sent : {"User-Agent: KestroTest/1.0", "Cache-Control: no-cache"})
    EXPECT_NE(requests[0].find(sent), std::string::npos) << sent;

  // A status other than 200 is the caller's to judge; a sink may cancel.
  RecordingSink missing;
  result = env->HttpGet(Get(server.Url("/x")), missing);
  EXPECT_EQ(result.outcome, HttpResult::Outcome::kDone);
  EXPECT_EQ(result.status, 404);
  RecordingSink impatient;
  impatient.stop_after = 1;
  EXPECT_EQ(env->HttpGet(Get(server.Url("/y")), impatient).outcome,
            HttpResult::Outcome::kCanceled);
}

TEST(RealHttpTest, AStalledTransferTimesOutAndNoServerFails) {
  LoopbackServer server({[](const std::string&, LoopbackConnection& connection) {
    connection.Pause(2000);
    return std::string();
  }});
  std::shared_ptr<Env> env = MakeRealEnv();
  HttpRequest request = Get(server.Url("/slow"));
  request.inactivity_timeout_ms = 1000;
  RecordingSink sink;
  HttpResult result = env->HttpGet(request, sink);
  EXPECT_EQ(result.outcome, HttpResult::Outcome::kTimedOut);
  EXPECT_FALSE(result.error.empty());

  result = env->HttpGet(Get("http://127.0.0.1:1/"), sink);  // nothing listens on port 1
  EXPECT_EQ(result.outcome, HttpResult::Outcome::kFailed);
  EXPECT_FALSE(result.error.empty());
  EXPECT_EQ(env->HttpGet(Get("ftp://127.0.0.1/"), sink).outcome, HttpResult::Outcome::kFailed);
}

}  // namespace
}  // namespace kestro::testing
