#include "recording/runtime_props.h"

#include <cstring>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro {
namespace {

constexpr size_t kBlockSize = TRunTimeProps::kCount * sizeof(int32_t);
// How long the change thread waits before it looks at its stop flag again.
constexpr int32_t kChangeWaitMs = 300;

}  // namespace

TRunTimeProps::TRunTimeProps(RunTimePropsNames names) {
  try {
    pulse_.emplace(names.change_event);
  } catch (const std::exception& e) {
    throw Exception(Format("Failed to create changed event : %s", e.what()));
  }
  try {
    memory_.emplace(names.memory, kBlockSize, 0666);
  } catch (const std::exception& e) {
    throw Exception(Format("Failed to create MMF : %s", e.what()));
  }
  // A block this process created is zero already (see SharedMemory).
  Slot(0);
}

TRunTimeProps::~TRunTimeProps() { StopChangeThread(); }

int32_t* TRunTimeProps::Slot(int32_t slot) {
  if (slot < 0 || slot >= kCount) throw Exception(Format("Invalid MMF index %d", slot));
  void* view = nullptr;
  try {
    view = memory_->Map();
  } catch (const std::exception& e) {
    throw Exception(Format("Failed to map view of MMF : %s", e.what()));
  }
  return static_cast<int32_t*>(view) + slot;
}

int32_t TRunTimeProps::GetValue(int32_t slot) {
  return std::atomic_ref<int32_t>(*Slot(slot)).load(std::memory_order_relaxed);
}

void TRunTimeProps::SetValue(int32_t slot, int32_t value) {
  std::atomic_ref<int32_t> stored(*Slot(slot));
  if (stored.load(std::memory_order_relaxed) == value) return;
  stored.store(value, std::memory_order_release);
  pulse_->Pulse();
}

void TRunTimeProps::SetOnChange(std::function<void()> handler, TaskRunner owner) {
  StopChangeThread();
  handler_.reset();
  if (!handler) return;
  if (!owner) {
    MessageLoop* loop = MessageLoop::Current();
    if (!loop) throw Exception("A change handler needs the message loop of its thread");
    owner = loop->Runner();
  }
  handler_ = std::make_shared<Handler>(Handler{std::move(handler)});
  stop_ = false;
  std::weak_ptr<Handler> target = handler_;
  change_thread_ = std::thread([this, target, owner] {
    while (!stop_.load()) {
      if (!pulse_->Wait(kChangeWaitMs, &stop_)) continue;
      owner.Post([target] {
        if (std::shared_ptr<Handler> handler = target.lock()) handler->run();
      });
    }
  });
}

void TRunTimeProps::StopChangeThread() {
  if (!change_thread_.joinable()) return;
  stop_ = true;
  pulse_->Interrupt();
  change_thread_.join();
}

}  // namespace kestro
