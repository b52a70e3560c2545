// PluginThread: the host's plug-in thread. One thread owns a MessageLoop on which every plug-in
// message, every module timer callback (the module's timers post to the loop current on the
// thread that made them) and every report of a recorder runs, so plug-ins need no locks.
#pragma once

#include <functional>
#include <thread>

#include "platform/system/message_loop.h"

namespace kestro::host {

class PluginThread {
 public:
  // Starts the thread; returns once its loop takes tasks.
  PluginThread();
  // Stop().
  ~PluginThread();
  PluginThread(const PluginThread&) = delete;
  PluginThread& operator=(const PluginThread&) = delete;

  TaskRunner Runner() const { return runner_; }
  // Runs `task` on the plug-in thread after the tasks queued before it and waits for it;
  // rethrows what it threw. Throws Exception when the thread has stopped. Not from the plug-in
  // thread itself.
  void Call(std::function<void()> task);
  // Lets the tasks queued so far run, ends the loop and joins the thread; later tasks are
  // dropped. Idempotent.
  void Stop();

 private:
  TaskRunner runner_;
  std::thread thread_;
};

}  // namespace kestro::host
