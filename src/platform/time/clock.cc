#include "platform/time/clock.h"

#include <time.h>

#include <mutex>

#include "platform/time/date_time.h"

namespace kestro {

namespace {

// The pinned local time, kept as milliseconds on the OLE time line so that advancing it adds
// exactly and never drifts.
struct PinState {
  std::mutex mutex;
  bool pinned = false;  // guarded by mutex
  int64_t local_ms = 0;  // guarded by mutex
};

PinState& Pin() {
  static PinState state;
  return state;
}

int64_t RealUnixMillis() {
  struct timespec ts {};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

OleDate Clock::Now() {
  {
    PinState& pin = Pin();
    std::lock_guard<std::mutex> lock(pin.mutex);
    if (pin.pinned) return MillisToOleDate(pin.local_ms);
  }
  return UnixMillisToLocal(RealUnixMillis());
}

int64_t Clock::UnixMillis() {
  {
    PinState& pin = Pin();
    std::lock_guard<std::mutex> lock(pin.mutex);
    if (pin.pinned) return LocalToUnixMillis(MillisToOleDate(pin.local_ms));
  }
  return RealUnixMillis();
}

void Clock::PinLocal(OleDate local) {
  PinState& pin = Pin();
  std::lock_guard<std::mutex> lock(pin.mutex);
  pin.pinned = true;
  pin.local_ms = OleDateToMillis(local);
}

void Clock::AdvanceMillis(int64_t ms) {
  PinState& pin = Pin();
  std::lock_guard<std::mutex> lock(pin.mutex);
  if (pin.pinned) pin.local_ms += ms;
}

void Clock::Unpin() {
  PinState& pin = Pin();
  std::lock_guard<std::mutex> lock(pin.mutex);
  pin.pinned = false;
}

bool Clock::IsPinned() {
  PinState& pin = Pin();
  std::lock_guard<std::mutex> lock(pin.mutex);
  return pin.pinned;
}

}  // namespace kestro
