#include "platform/system/message_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/exception.h"

namespace kestro {
namespace {

thread_local MessageLoop* current_loop = nullptr;

void Signal(const message_loop_detail::Queue& queue) {
  const uint64_t one = 1;
  // A full counter still reads as readable; nothing is lost by a failed write.
  [[maybe_unused]] ssize_t written = ::write(queue.event.get(), &one, sizeof one);
}

void Drain(const message_loop_detail::Queue& queue) {
  uint64_t count = 0;
  [[maybe_unused]] ssize_t got = ::read(queue.event.get(), &count, sizeof count);
}

}  // namespace

bool TaskRunner::Post(Task task) const {
  if (!queue_) return false;
  {
    MutexLock lock(queue_->mutex);
    if (!queue_->open) return false;
    queue_->tasks.push_back(std::move(task));
  }
  Signal(*queue_);
  return true;
}

MessageLoop::MessageLoop() : queue_(std::make_shared<message_loop_detail::Queue>()) {
  if (current_loop) throw Exception("This thread has a message loop already");
  queue_->event.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!queue_->event.valid()) {
    throw Exception(std::string("Failed to create a message loop : ") + std::strerror(errno));
  }
  current_loop = this;
}

MessageLoop::~MessageLoop() {
  std::deque<Task> dropped;  // destroyed outside the lock: a task's captures may post
  {
    MutexLock lock(queue_->mutex);
    queue_->open = false;
    dropped.swap(queue_->tasks);
  }
  if (current_loop == this) current_loop = nullptr;
}

MessageLoop* MessageLoop::Current() { return current_loop; }

bool MessageLoop::Next(Task* task, bool wait) {
  for (;;) {
    // Drained before the queue is looked at: a post after the look signals again, so the wait
    // below cannot miss it.
    Drain(*queue_);
    {
      MutexLock lock(queue_->mutex);
      if (queue_->quit && wait) {
        queue_->quit = false;
        return false;
      }
      if (!queue_->tasks.empty()) {
        *task = std::move(queue_->tasks.front());
        queue_->tasks.pop_front();
        return true;
      }
    }
    if (!wait) return false;
    pollfd pfd{queue_->event.get(), POLLIN, 0};
    while (::poll(&pfd, 1, -1) < 0 && errno == EINTR) {
    }
  }
}

void MessageLoop::Run() {
  Task task;
  while (Next(&task, /*wait=*/true)) {
    task();
    task = nullptr;
  }
}

size_t MessageLoop::RunUntilIdle() {
  size_t ran = 0;
  Task task;
  while (Next(&task, /*wait=*/false)) {
    task();
    task = nullptr;
    ++ran;
  }
  return ran;
}

void MessageLoop::Quit() {
  {
    MutexLock lock(queue_->mutex);
    queue_->quit = true;
  }
  Signal(*queue_);
}

int MessageLoop::fd() const { return queue_->event.get(); }

}  // namespace kestro
