// TTimerManager: the named one-shot and periodic timers of one owner (a lineup engine).
//
// The timers run on a timer service of the Env (a thread of its own; timers that may wake the
// machine from suspend do so where the process is allowed to). Each expiry is posted to the
// owner's message loop, so the handler always runs on the owner's thread, and an expiry of a
// timer removed meanwhile is ignored there.
//
// REQUIRES: every call, and the destruction, on the owner's thread (the loop's).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kestro/host.h"
#include "kestro/ole_date.h"
#include "platform/env/env.h"
#include "platform/system/message_loop.h"
#include "support/dictionary.h"

namespace kestro {

class TTimerManager {
 public:
  // Units of AddTimerIn.
  enum Unit : int32_t { kSeconds = 0, kMinutes = 1, kHours = 2 };

  // Called for each firing with the timer's id, tag, name, its own copy of the properties, and
  // its fire count including this firing.
  using Handler = std::function<void(uint32_t id, int32_t tag, const std::string& name,
                                     TDictionary& properties, int32_t fire_count)>;

  // One timer as the manager keeps it.
  struct TimerInfo {
    uint32_t id = 0;
    int32_t tag = 0;
    std::string name;
    ComPtr<TDictionary> properties;
    int32_t fire_count = 0;
    int32_t max_fire_count = 0;  // 0: no limit
    bool wake = false;
    OleDate first_due = 0.0;  // local time of the first firing
  };

  // The service is made, and its thread started, at the first add.
  TTimerManager(std::shared_ptr<Env> env, TaskRunner owner);
  // Stops every timer; expiries still queued on the loop are dropped.
  ~TTimerManager();
  TTimerManager(const TTimerManager&) = delete;
  TTimerManager& operator=(const TTimerManager&) = delete;

  void SetOnTimer(Handler handler) { handler_ = std::move(handler); }

  // A one-shot timer at the local time `when` (one in the past fires at once). `properties` may be
  // null; the timer keeps a copy. Throws when the timer cannot be armed.
  uint32_t AddTimerAt(int32_t tag, const std::string& name, OleDate when, IKestroItem* properties,
                      bool wake);
  // A periodic timer every `amount` units, first one period from now, removed after
  // `max_fire_count` firings (0: never). An unknown unit or a period of 0 adds nothing and
  // returns 0. Throws when the timer cannot be armed.
  uint32_t AddTimerIn(int32_t unit, int32_t amount, int32_t max_fire_count, int32_t tag,
                      const std::string& name, IKestroItem* properties, bool wake);
  // An unknown id is ignored.
  void RemoveTimer(uint32_t id);
  void ClearTimers();

  // The timers in the order they were added.
  const std::vector<TimerInfo>& Timers() const { return timers_; }

 private:
  struct Anchor {
    TTimerManager* manager;
  };

  uint32_t Add(int32_t tag, const std::string& name, IKestroItem* properties, bool wake,
               int32_t max_fire_count, int64_t due_unix_ms, int64_t period_ms);
  // An expiry, on the owner's thread.
  void Fired(uint32_t id);
  std::vector<TimerInfo>::iterator Find(uint32_t id);

  const std::shared_ptr<Env> env_;
  const TaskRunner owner_;
  // Posted expiries reach the manager through a weak reference to this, so none outlives it.
  const std::shared_ptr<Anchor> anchor_;
  std::unique_ptr<TimerService> service_;
  std::vector<TimerInfo> timers_;
  Handler handler_;
  uint32_t next_id_ = 1;
};

}  // namespace kestro
