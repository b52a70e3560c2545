// The real timer service: one thread waiting with epoll on a timerfd per timer, armed at absolute
// wall-clock moments and told (TFD_TIMER_CANCEL_ON_SET) when the wall clock is set.
#include <errno.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <exception>
#include <map>
#include <thread>

#include "platform/env/real_parts.h"
#include "platform/exception.h"
#include "platform/system/debug_trace.h"
#include "platform/system/mutex.h"
#include "platform/system/unique_fd.h"
#include "platform/text/text.h"

namespace kestro {
namespace {

// The epoll key of the stop event. A timer's key carries its generation (never 0) in the upper
// half and its id in the lower half, so an event of a timer that was cancelled or re-armed
// meanwhile is recognised as stale.
constexpr uint64_t kStopKey = 0;

[[noreturn]] void ThrowSystemError(const char* what) {
  throw Exception(Format("%s : %s", what, std::strerror(errno)));
}

timespec ToTimespec(int64_t ms) {
  return {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
}

int64_t WallClockMillis() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Said once per process, the first time a wake-up timer cannot have the alarm clock.
void ReportNoWakeUp(int error) {
  static std::atomic<bool> reported{false};
  if (reported.exchange(true)) return;
  DebugTrace(Format("KESTRO : TIMERS : timers cannot wake the machine (CLOCK_REALTIME_ALARM : %s), "
                    "they use CLOCK_REALTIME",
                    std::strerror(error)));
}

// A wake-up timer runs on the alarm clock where the process may use it (CAP_WAKE_ALARM).
UniqueFd CreateTimerFd(bool wake) {
  if (wake) {
    UniqueFd alarm(timerfd_create(CLOCK_REALTIME_ALARM, TFD_NONBLOCK | TFD_CLOEXEC));
    if (alarm.valid()) return alarm;
    ReportNoWakeUp(errno);
  }
  UniqueFd fd(timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC));
  if (!fd.valid()) ThrowSystemError("Failed to create a timer");
  return fd;
}

void SetTimer(int fd, int64_t due_unix_ms, int64_t period_ms) {
  itimerspec when{};
  // A moment at or before the epoch is long past; a zero value would disarm the timer instead.
  when.it_value = due_unix_ms > 0 ? ToTimespec(due_unix_ms) : timespec{0, 1};
  when.it_interval = ToTimespec(period_ms > 0 ? period_ms : 0);
  if (timerfd_settime(fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr) != 0)
    ThrowSystemError("Failed to arm a timer");
}

class RealTimerService final : public TimerService {
 public:
  explicit RealTimerService(TimerCallback on_expiry)
      : on_expiry_(std::move(on_expiry)),
        epoll_(epoll_create1(EPOLL_CLOEXEC)),
        stop_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (!epoll_.valid() || !stop_.valid()) ThrowSystemError("Failed to create the timer thread");
    Watch(stop_.get(), kStopKey);
    thread_ = std::thread([this] { Run(); });
  }

  ~RealTimerService() override {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stop_.get(), &one, sizeof one);
    thread_.join();
  }

  void Arm(uint32_t id, int64_t due_unix_ms, int64_t period_ms, bool wake) override {
    UniqueFd fd = CreateTimerFd(wake);
    SetTimer(fd.get(), due_unix_ms, period_ms);
    MutexLock lock(mutex_);
    Forget(id);
    if (++generation_ == 0) generation_ = 1;
    Watch(fd.get(), (static_cast<uint64_t>(generation_) << 32) | id);
    timers_[id] = Timer{std::move(fd), generation_, due_unix_ms, period_ms};
  }

  void Cancel(uint32_t id) override {
    MutexLock lock(mutex_);
    Forget(id);
  }

  void CancelAll() override {
    MutexLock lock(mutex_);
    for (auto& [id, timer] : timers_) Unwatch(timer.fd.get());
    timers_.clear();
  }

 private:
  struct Timer {
    UniqueFd fd;
    uint32_t generation = 0;
    int64_t due_unix_ms = 0;
    int64_t period_ms = 0;
  };

  void Watch(int fd, uint64_t key) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = key;
    if (epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, fd, &event) != 0)
      ThrowSystemError("Failed to watch a timer");
  }
  void Unwatch(int fd) { epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, fd, nullptr); }

  void Forget(uint32_t id) REQUIRES(mutex_) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    Unwatch(it->second.fd.get());
    timers_.erase(it);
  }

  // The thread: reports each expiry until the stop event.
  void Run() {
    epoll_event events[16];
    for (;;) {
      const int n = epoll_wait(epoll_.get(), events, 16, -1);
      if (n < 0) {
        if (errno == EINTR) continue;
        DebugTrace(Format("KESTRO : TIMERS : the timer thread ends : %s", std::strerror(errno)));
        return;
      }
      for (int i = 0; i < n; ++i) {
        if (events[i].data.u64 == kStopKey) return;
        const uint32_t id = static_cast<uint32_t>(events[i].data.u64);
        if (TakeExpiry(id, static_cast<uint32_t>(events[i].data.u64 >> 32))) Report(id);
      }
    }
  }

  // Reads the timer's expiry; false for a stale event, or when the wall clock was set (the
  // timer is then armed again).
  bool TakeExpiry(uint32_t id, uint32_t generation) EXCLUDES(mutex_) {
    MutexLock lock(mutex_);
    auto it = timers_.find(id);
    if (it == timers_.end() || it->second.generation != generation) return false;
    Timer& timer = it->second;
    uint64_t expirations = 0;
    if (::read(timer.fd.get(), &expirations, sizeof expirations) < 0) {
      if (errno == ECANCELED) Rearm(timer);
      return false;
    }
    if (timer.period_ms <= 0) Forget(id);
    return expirations > 0;
  }

  void Rearm(Timer& timer) REQUIRES(mutex_) {
    try {
      if (timer.period_ms > 0) {
        SetTimer(timer.fd.get(), WallClockMillis() + timer.period_ms, timer.period_ms);
      } else {
        SetTimer(timer.fd.get(), timer.due_unix_ms, 0);
      }
    } catch (const std::exception& e) {
      DebugTrace(Format("KESTRO : TIMERS : %s", e.what()));
    }
  }

  void Report(uint32_t id) {
    try {
      on_expiry_(id);
    } catch (const std::exception& e) {
      DebugTrace(Format("KESTRO : TIMERS : a timer callback failed : %s", e.what()));
    }
  }

  const TimerCallback on_expiry_;
  const UniqueFd epoll_;
  const UniqueFd stop_;
  Mutex mutex_;
  std::map<uint32_t, Timer> timers_ GUARDED_BY(mutex_);
  uint32_t generation_ GUARDED_BY(mutex_) = 0;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<TimerService> NewRealTimerService(TimerCallback on_expiry) {
  return std::make_unique<RealTimerService>(std::move(on_expiry));
}

}  // namespace kestro
