// TRunTimeProps: a table of 256 32-bit integers shared by every process of the machine (the
// host's processes and the module inside them), with a change signal that is pulsed whenever a
// value changes. The module writes one slot: the time of the next recording over all lineups.
//
// The block is 1024 bytes of shared memory, slot i at byte 4 × i, little-endian, no header,
// readable and writable by every account; only the process that creates it zeroes it. Each slot
// has one writer and no lock: a 32-bit aligned store is atomic. The change signal reaches only
// the processes waiting for it at the moment of the change.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/system/message_loop.h"
#include "platform/system/shared_memory.h"

namespace kestro {

// The slot that holds the time of the next recording: -1 a tuner is recording now, 0 nothing to
// record, otherwise the db time of the next start.
inline constexpr int32_t kTimeOfNextRecordingSlot = 0;

// The shared objects' names. Tests give names of their own so that parallel runs do not share
// one block.
struct RunTimePropsNames {
  std::string memory = "/$kestro.runtime-properties$";
  std::string change_event = "/$kestro.runtime-properties-changed$";
};

// Owned by one thread (the one whose message loop runs the change handler).
class TRunTimeProps {
 public:
  static constexpr int32_t kCount = 256;

  // Opens or creates the change signal, then the block, and maps it. Throws Exception "Failed to
  // create changed event : %s", "Failed to create MMF : %s" or "Failed to map view of MMF : %s"
  // with the system's text.
  explicit TRunTimeProps(RunTimePropsNames names = {});
  // Stops the change thread.
  ~TRunTimeProps();
  TRunTimeProps(const TRunTimeProps&) = delete;
  TRunTimeProps& operator=(const TRunTimeProps&) = delete;

  // Slots 0..255; others throw Exception "Invalid MMF index %d". The block is mapped again when
  // ReleaseView unmapped it.
  int32_t GetValue(int32_t slot);
  // Stores the value and pulses the change signal, unless the slot holds it already.
  void SetValue(int32_t slot, int32_t value);
  int32_t GetCount() const { return kCount; }
  void ReleaseView() { memory_->Unmap(); }

  // Stops the running change thread (if any); with a handler, starts one that runs it on
  // `owner`'s thread after each change signal (the calling thread's loop when `owner` is null).
  // A handler already posted when it is replaced does not run.
  void SetOnChange(std::function<void()> handler, TaskRunner owner = {});
  // True when the change signal was pulsed within `timeout_ms`.
  bool WaitForChange(int32_t timeout_ms) { return pulse_->Wait(timeout_ms); }

 private:
  struct Handler {
    std::function<void()> run;
  };

  int32_t* Slot(int32_t slot);
  void StopChangeThread();

  std::optional<SharedPulse> pulse_;
  std::optional<SharedMemory> memory_;
  std::shared_ptr<Handler> handler_;
  std::atomic<bool> stop_{false};
  std::thread change_thread_;
};

}  // namespace kestro
