// MessageLoop: the task queue of one thread. Work handed to a thread from other threads (timer
// expiries, a recorder's reports, host messages) is posted to its loop and runs there, in the
// order posted, so the code that owns the thread needs no locks of its own.
//
// A loop belongs to the thread that made it (MessageLoop::Current() on that thread). Any thread
// may post to it through a TaskRunner, which stays safe to use after the loop is gone: tasks
// posted then are dropped.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>

#include "platform/system/mutex.h"
#include "platform/system/unique_fd.h"

namespace kestro {

using Task = std::function<void()>;

namespace message_loop_detail {
struct Queue;
}

// A handle through which any thread posts to a loop. Copyable; null when default-made.
class TaskRunner {
 public:
  TaskRunner() = default;
  // Queues `task` to run on the loop's thread; false (and the task dropped) when the loop is gone.
  bool Post(Task task) const;
  explicit operator bool() const { return queue_ != nullptr; }

 private:
  friend class MessageLoop;
  explicit TaskRunner(std::shared_ptr<message_loop_detail::Queue> queue) : queue_(std::move(queue)) {}
  std::shared_ptr<message_loop_detail::Queue> queue_;
};

class MessageLoop {
 public:
  // Makes the calling thread's loop. Throws Exception when the thread has one already, or when
  // its event descriptor cannot be made.
  MessageLoop();
  // Drops the tasks still queued; later posts are dropped too.
  ~MessageLoop();
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // The calling thread's loop, or null.
  static MessageLoop* Current();

  TaskRunner Runner() const { return TaskRunner(queue_); }
  bool Post(Task task) const { return Runner().Post(std::move(task)); }

  // Runs tasks as they come until Quit. REQUIRES: called on the loop's thread.
  void Run();
  // Runs the queued tasks, and those they post, until none is left; returns how many ran.
  // REQUIRES: called on the loop's thread.
  size_t RunUntilIdle();
  // Makes Run return once the task under way (if any) has finished. Any thread.
  void Quit();
  // Readable while tasks wait, for a host that polls several sources; RunUntilIdle empties it.
  int fd() const;

 private:
  // Takes the next task, waiting for one when `wait`; false when none (or Quit was called).
  bool Next(Task* task, bool wait);

  std::shared_ptr<message_loop_detail::Queue> queue_;
};

namespace message_loop_detail {

struct Queue {
  Mutex mutex;
  std::deque<Task> tasks GUARDED_BY(mutex);
  bool open GUARDED_BY(mutex) = true;
  bool quit GUARDED_BY(mutex) = false;
  UniqueFd event;  // eventfd, readable while tasks wait
};

}  // namespace message_loop_detail

}  // namespace kestro
