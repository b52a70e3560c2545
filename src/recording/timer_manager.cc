#include "recording/timer_manager.h"

#include <algorithm>

#include "platform/exception.h"
#include "platform/system/debug_trace.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"

namespace kestro {

TTimerManager::TTimerManager(std::shared_ptr<Env> env, TaskRunner owner)
    : env_(std::move(env)), owner_(std::move(owner)), anchor_(std::make_shared<Anchor>(Anchor{this})) {
  if (!owner_) throw Exception("Timers need the message loop of the thread that owns them");
}

TTimerManager::~TTimerManager() {
  ClearTimers();
  service_.reset();  // joins the service's thread: nothing is posted from here on
}

uint32_t TTimerManager::AddTimerAt(int32_t tag, const std::string& name, OleDate when,
                                   IKestroItem* properties, bool wake) {
  return Add(tag, name, properties, wake, /*max_fire_count=*/1, LocalToUnixMillis(when), 0);
}

uint32_t TTimerManager::AddTimerIn(int32_t unit, int32_t amount, int32_t max_fire_count,
                                   int32_t tag, const std::string& name, IKestroItem* properties,
                                   bool wake) {
  int64_t seconds_per_unit = 0;
  switch (unit) {
    case kSeconds: seconds_per_unit = 1; break;
    case kMinutes: seconds_per_unit = 60; break;
    case kHours: seconds_per_unit = 3600; break;
  }
  const int64_t period_ms = seconds_per_unit * amount * 1000;
  if (period_ms <= 0) return 0;
  return Add(tag, name, properties, wake, max_fire_count, env_->NowUnixMillis() + period_ms,
             period_ms);
}

uint32_t TTimerManager::Add(int32_t tag, const std::string& name, IKestroItem* properties,
                            bool wake, int32_t max_fire_count, int64_t due_unix_ms,
                            int64_t period_ms) {
  const uint32_t id = next_id_;
  next_id_ = id == UINT32_MAX ? 1 : id + 1;
  if (!service_) {
    std::weak_ptr<Anchor> anchor = anchor_;
    service_ = env_->NewTimerService([owner = owner_, anchor](uint32_t fired) {
      owner.Post([anchor, fired] {
        if (std::shared_ptr<Anchor> alive = anchor.lock()) alive->manager->Fired(fired);
      });
    });
  }
  TimerInfo info;
  info.id = id;
  info.tag = tag;
  info.name = name;
  info.properties = NewDictionary();
  if (properties) CheckHResult(info.properties->Assign(properties));
  info.max_fire_count = max_fire_count;
  info.wake = wake;
  info.first_due = UnixMillisToLocal(due_unix_ms);
  // Armed before it is recorded: a timer that cannot be armed is not kept.
  service_->Arm(id, due_unix_ms, period_ms, wake);
  timers_.push_back(std::move(info));
  return id;
}

std::vector<TTimerManager::TimerInfo>::iterator TTimerManager::Find(uint32_t id) {
  return std::find_if(timers_.begin(), timers_.end(),
                      [&](const TimerInfo& t) { return t.id == id; });
}

void TTimerManager::RemoveTimer(uint32_t id) {
  auto it = Find(id);
  if (it == timers_.end()) return;
  if (service_) service_->Cancel(id);
  timers_.erase(it);
}

void TTimerManager::ClearTimers() {
  timers_.clear();
  if (service_) service_->CancelAll();
}

void TTimerManager::Fired(uint32_t id) {
  auto it = Find(id);
  if (it == timers_.end()) return;  // removed since the expiry was posted
  const int32_t fire_count = ++it->fire_count;
  const int32_t max_fire_count = it->max_fire_count;
  if (it->wake) DebugTrace("KESTRO : TIMERS : waking up due to " + it->name);
  // The handler may add and remove timers (the record may be gone after it), or free this manager.
  const int32_t tag = it->tag;
  const std::string name = it->name;
  const ComPtr<TDictionary> properties = it->properties;
  const std::weak_ptr<Anchor> anchor = anchor_;
  if (handler_) {
    try {
      handler_(id, tag, name, *properties, fire_count);
    } catch (const std::exception& e) {
      DebugTrace(Format("KESTRO : TIMERS : the handler of timer \"%s\" failed : %s",
                        name.c_str(), e.what()));
    }
  }
  if (anchor.expired()) return;
  if (max_fire_count != 0 && max_fire_count <= fire_count && Find(id) != timers_.end()) {
    RemoveTimer(id);
    DebugTrace("KESTRO : TIMERS : Timer closed");
  }
}

}  // namespace kestro
