// The Env of tests: a manual clock, and failures a test injects into an otherwise real system.
//
// Time moves only when the test moves it; timers that come due as it does fire at once, in order
// of their moments, on the test's thread, with the clock standing at each one's moment (a timer
// armed for a moment already past fires at the next move, AdvanceMillis(0) will do). File
// operations, processes and HTTP go to the real system unless the test made them fail or answered
// them. Thread-safe; a FakeEnv outlives the timer services it made.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/env/env.h"
#include "platform/system/mutex.h"

namespace kestro::testing {

class FakeEnv final : public Env {
 public:
  // The clock starts at the real time now, or at the local time `local_now`.
  FakeEnv();
  explicit FakeEnv(OleDate local_now);

  // Sets the wall clock, as an administrator would: timers due by the new time fire at once
  // (once each); periodic timers then run one period after the change.
  void SetLocal(OleDate local);
  // Lets `ms` milliseconds pass: every expiry up to then fires at its own moment.
  void AdvanceMillis(int64_t ms);
  // How many timers are armed, over all services of this Env.
  size_t ArmedTimers() const;

  enum class FileOp { kCreateDirectories, kRename, kRemove, kFreeSpace };
  // From now on `op` fails with `error` (an errno) on every path containing `path_part` (every
  // path when it is empty).
  void FailFileOp(FileOp op, int error, std::string path_part = {});
  // FreeSpace answers `bytes` for every path: a nearly full drive. From then on each regular file
  // that RemoveFile deletes gives its size back to it.
  void SetFreeSpace(uint64_t bytes);
  // From now on paths containing `path_part` lie on a device of their own: SameDevice answers
  // false between such a path and one without it.
  void SetOtherDevice(std::string path_part);
  // A request for `url` gets this answer instead of going out: the response and its body in one
  // piece, or, for another outcome, nothing but that outcome and error.
  struct HttpAnswer {
    int32_t status = 200;
    std::vector<std::string> headers;
    std::string body;
    HttpResult::Outcome outcome = HttpResult::Outcome::kDone;
    std::string error;
  };
  void AnswerHttp(std::string url, HttpAnswer answer);
  // Forgets every failure, free space, device and answer set above.
  void ClearFailures();

  // Env.
  int64_t NowUnixMillis() override;
  int64_t SteadyMillis() override;
  std::unique_ptr<TimerService> NewTimerService(TimerCallback on_expiry) override;
  bool FileExists(const std::string& path) override;
  std::error_code CreateDirectories(const std::string& path) override;
  std::error_code RenameFile(const std::string& from, const std::string& to) override;
  std::error_code RenameFileIfAbsent(const std::string& from, const std::string& to) override;
  std::error_code RemoveFile(const std::string& path) override;
  std::error_code ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override {
    return real_->ListDirectory(dir, entries);
  }
  std::error_code GetFileTimes(const std::string& path, FileTimes* times) override {
    return real_->GetFileTimes(path, times);
  }
  std::error_code FreeSpace(const std::string& path, uint64_t* bytes) override;
  std::error_code SameDevice(const std::string& a, const std::string& b, bool* same) override;
  std::error_code CheckWritable(const std::string& path) override {
    return real_->CheckWritable(path);
  }
  std::unique_ptr<ChildProcess> StartProcess(const ProcessOptions& options) override {
    return real_->StartProcess(options);
  }
  HttpResult HttpGet(const HttpRequest& request, HttpSink& sink) override;

 private:
  class Timers;
  struct Timer {
    Timers* owner;
    uint32_t id;
    int64_t due_unix_ms;
    int64_t period_ms;
    uint64_t order;  // arming order, for timers due at one moment
  };
  struct Failure {
    FileOp op;
    int error;
    std::string path_part;
  };

  // Fires, one at a time, the timers due by `until` (and moves the clock to each one's moment
  // when `passing`); then the clock stands at `until`.
  void RunUntil(int64_t until, bool passing) EXCLUDES(mutex_);
  void Arm(Timer timer) EXCLUDES(mutex_);
  void Cancel(const Timers* owner, std::optional<uint32_t> id) EXCLUDES(mutex_);
  std::error_code Injected(FileOp op, const std::string& path) EXCLUDES(mutex_);

  const std::shared_ptr<Env> real_;
  mutable Mutex mutex_;
  int64_t now_unix_ms_ GUARDED_BY(mutex_);
  int64_t steady_offset_ms_ GUARDED_BY(mutex_) = 0;
  std::vector<Timer> timers_ GUARDED_BY(mutex_);
  uint64_t next_order_ GUARDED_BY(mutex_) = 0;
  std::vector<Failure> failures_ GUARDED_BY(mutex_);
  std::optional<uint64_t> free_space_ GUARDED_BY(mutex_);
  std::vector<std::string> other_devices_ GUARDED_BY(mutex_);
  std::map<std::string, HttpAnswer> answers_ GUARDED_BY(mutex_);
};

}  // namespace kestro::testing
