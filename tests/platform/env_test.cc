// The real Env: its timer thread, file system, child processes and HTTP (against a server on
// loopback). The fake Env is proven by the engine's tests that run on it.
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
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "common/loopback_server.h"
#include "common/temp_dir.h"
#include "platform/env/real_env.h"
#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

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

TEST(RealFilesTest, EntryKindsAndDevices) {
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

// Redirects, statuses, time-outs and cancelling are the downloads' tests; here what only the Env
// decides.
struct BodySink : HttpSink {
  bool OnResponse(int32_t, int64_t, const std::vector<std::string>&) override { return true; }
  bool OnData(std::string_view data) override {
    body.append(data);
    return true;
  }
  std::string body;
};

TEST(RealHttpTest, AReloadAsksCachesToStandAsideAndOnlyHttpIsSpoken) {
  LoopbackServer server({Reply("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nlistings")});
  std::shared_ptr<Env> env = MakeRealEnv();
  HttpRequest request = Get(server.Url("/guide"));
  request.reload = true;
  BodySink sink;
  EXPECT_EQ(env->HttpGet(request, sink).outcome, HttpResult::Outcome::kDone);
  EXPECT_EQ(sink.body, "listings");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_NE(server.Requests()[0].find("Cache-Control: no-cache"), std::string::npos);
  for (const char* other : {"ftp://127.0.0.1/", "file:///etc/passwd"}) {
    BodySink refused;
    EXPECT_EQ(env->HttpGet(Get(other), refused).outcome, HttpResult::Outcome::kFailed) << other;
    EXPECT_EQ(refused.body, "") << other;
  }
}

}  // namespace
}  // namespace kestro::testing
