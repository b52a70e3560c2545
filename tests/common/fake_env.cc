#include "common/fake_env.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/env/real_env.h"
#include "platform/exception.h"
#include "platform/time/date_time.h"

namespace kestro::testing {

// The timer service of a FakeEnv: its timers live in the Env's one list.
class FakeEnv::Timers final : public TimerService {
 public:
  Timers(FakeEnv& env, TimerCallback on_expiry) : env_(env), on_expiry_(std::move(on_expiry)) {}
  ~Timers() override { env_.Cancel(this, std::nullopt); }

  void Arm(uint32_t id, int64_t due_unix_ms, int64_t period_ms, bool) override {
    env_.Arm({this, id, due_unix_ms, period_ms, 0});
  }
  void Cancel(uint32_t id) override { env_.Cancel(this, id); }
  void CancelAll() override { env_.Cancel(this, std::nullopt); }

  const TimerCallback& on_expiry() const { return on_expiry_; }

 private:
  FakeEnv& env_;
  const TimerCallback on_expiry_;
};

FakeEnv::FakeEnv() : real_(MakeRealEnv()), now_unix_ms_(real_->NowUnixMillis()) {}

FakeEnv::FakeEnv(OleDate local_now)
    : real_(MakeRealEnv()), now_unix_ms_(LocalToUnixMillis(local_now)) {}

void FakeEnv::SetLocal(OleDate local) {
  const int64_t unix_ms = LocalToUnixMillis(local);
  {
    MutexLock lock(mutex_);
    now_unix_ms_ = unix_ms;
  }
  RunUntil(unix_ms, /*passing=*/false);
}

void FakeEnv::AdvanceMillis(int64_t ms) {
  int64_t until;
  {
    MutexLock lock(mutex_);
    until = now_unix_ms_ + ms;
    steady_offset_ms_ += ms;
  }
  RunUntil(until, /*passing=*/true);
}

void FakeEnv::RunUntil(int64_t until, bool passing) {
  // A clock set fires each due timer once, and periodic ones then count from the new time.
  std::vector<uint64_t> fired_once;
  for (;;) {
    TimerCallback callback;
    uint32_t id = 0;
    {
      MutexLock lock(mutex_);
      auto next = timers_.end();
      for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->due_unix_ms > until) continue;
        if (!passing && std::find(fired_once.begin(), fired_once.end(), it->order) !=
                            fired_once.end())
          continue;
        if (next == timers_.end() || it->due_unix_ms < next->due_unix_ms ||
            (it->due_unix_ms == next->due_unix_ms && it->order < next->order))
          next = it;
      }
      if (next == timers_.end()) {
        now_unix_ms_ = until;
        if (!passing) {
          for (Timer& t : timers_)
            if (t.period_ms > 0) t.due_unix_ms = until + t.period_ms;
        }
        return;
      }
      if (passing) now_unix_ms_ = std::max(now_unix_ms_, next->due_unix_ms);
      id = next->id;
      callback = next->owner->on_expiry();
      if (next->period_ms > 0) {
        next->due_unix_ms += next->period_ms;
        if (!passing) fired_once.push_back(next->order);
      } else {
        timers_.erase(next);
      }
    }
    callback(id);
  }
}

size_t FakeEnv::ArmedTimers() const {
  MutexLock lock(mutex_);
  return timers_.size();
}

void FakeEnv::Arm(Timer timer) {
  MutexLock lock(mutex_);
  std::erase_if(timers_,
                [&](const Timer& t) { return t.owner == timer.owner && t.id == timer.id; });
  timer.order = next_order_++;
  timers_.push_back(timer);
}

void FakeEnv::Cancel(const Timers* owner, std::optional<uint32_t> id) {
  MutexLock lock(mutex_);
  std::erase_if(timers_, [&](const Timer& t) { return t.owner == owner && (!id || t.id == *id); });
}

std::unique_ptr<TimerService> FakeEnv::NewTimerService(TimerCallback on_expiry) {
  return std::make_unique<Timers>(*this, std::move(on_expiry));
}

int64_t FakeEnv::NowUnixMillis() {
  MutexLock lock(mutex_);
  return now_unix_ms_;
}

int64_t FakeEnv::SteadyMillis() {
  const int64_t real = real_->SteadyMillis();
  MutexLock lock(mutex_);
  return real + steady_offset_ms_;
}

// ---------------------------------------------------------------------------------------------
// Injected failures

void FakeEnv::FailFileOp(FileOp op, int error, std::string path_part) {
  MutexLock lock(mutex_);
  failures_.push_back({op, error, std::move(path_part)});
}

void FakeEnv::SetFreeSpace(uint64_t bytes) {
  MutexLock lock(mutex_);
  free_space_ = bytes;
}

void FakeEnv::SetOtherDevice(std::string path_part) {
  MutexLock lock(mutex_);
  other_devices_.push_back(std::move(path_part));
}

void FakeEnv::AnswerHttp(std::string url, HttpAnswer answer) {
  MutexLock lock(mutex_);
  answers_[std::move(url)] = std::move(answer);
}

void FakeEnv::ClearFailures() {
  MutexLock lock(mutex_);
  failures_.clear();
  free_space_.reset();
  other_devices_.clear();
  answers_.clear();
}

std::error_code FakeEnv::Injected(FileOp op, const std::string& path) {
  MutexLock lock(mutex_);
  for (const Failure& f : failures_) {
    if (f.op == op && path.find(f.path_part) != std::string::npos)
      return std::error_code(f.error, std::generic_category());
  }
  return {};
}

bool FakeEnv::FileExists(const std::string& path) { return real_->FileExists(path); }

std::error_code FakeEnv::CreateDirectories(const std::string& path) {
  if (std::error_code ec = Injected(FileOp::kCreateDirectories, path)) return ec;
  return real_->CreateDirectories(path);
}

std::error_code FakeEnv::RenameFile(const std::string& from, const std::string& to) {
  if (std::error_code ec = Injected(FileOp::kRename, from)) return ec;
  return real_->RenameFile(from, to);
}

std::error_code FakeEnv::RenameFileIfAbsent(const std::string& from, const std::string& to) {
  if (std::error_code ec = Injected(FileOp::kRename, from)) return ec;
  return real_->RenameFileIfAbsent(from, to);
}

std::error_code FakeEnv::RemoveFile(const std::string& path) {
  if (std::error_code ec = Injected(FileOp::kRemove, path)) return ec;
  std::error_code size_error;
  const uintmax_t size = std::filesystem::is_regular_file(path, size_error)
                             ? std::filesystem::file_size(path, size_error)
                             : 0;
  std::error_code ec = real_->RemoveFile(path);
  MutexLock lock(mutex_);
  if (!ec && free_space_ && !size_error) *free_space_ += size;
  return ec;
}

std::error_code FakeEnv::FreeSpace(const std::string& path, uint64_t* bytes) {
  if (std::error_code ec = Injected(FileOp::kFreeSpace, path)) return ec;
  {
    MutexLock lock(mutex_);
    if (free_space_) {
      *bytes = *free_space_;
      return {};
    }
  }
  return real_->FreeSpace(path, bytes);
}

std::error_code FakeEnv::SameDevice(const std::string& a, const std::string& b, bool* same) {
  {
    MutexLock lock(mutex_);
    for (const std::string& part : other_devices_) {
      if ((a.find(part) != std::string::npos) != (b.find(part) != std::string::npos)) {
        *same = false;
        return {};
      }
    }
  }
  return real_->SameDevice(a, b, same);
}

HttpResult FakeEnv::HttpGet(const HttpRequest& request, HttpSink& sink) {
  std::optional<HttpAnswer> answer;
  {
    MutexLock lock(mutex_);
    auto it = answers_.find(request.url);
    if (it != answers_.end()) answer = it->second;
  }
  if (!answer) return real_->HttpGet(request, sink);
  HttpResult result;
  result.outcome = answer->outcome;
  result.error = answer->error;
  if (answer->outcome != HttpResult::Outcome::kDone) return result;
  result.status = answer->status;
  const auto size = static_cast<int64_t>(answer->body.size());
  if (!sink.OnConnected() || !sink.OnResponse(answer->status, size, answer->headers) ||
      (!request.headers_only &&
       (!sink.OnData(answer->body) || !sink.OnProgress(size, size)))) {
    result.outcome = HttpResult::Outcome::kCanceled;
  }
  return result;
}

}  // namespace kestro::testing
