#include "host/plugin_thread.h"

#include <exception>
#include <future>

#include "platform/exception.h"

namespace kestro::host {

PluginThread::PluginThread() {
  std::promise<TaskRunner> ready;
  std::future<TaskRunner> runner = ready.get_future();
  thread_ = std::thread([&ready] {
    MessageLoop loop;
    ready.set_value(loop.Runner());
    loop.Run();
  });
  runner_ = runner.get();
}

PluginThread::~PluginThread() { Stop(); }

void PluginThread::Call(std::function<void()> task) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> result = done->get_future();
  const bool posted = runner_.Post([task = std::move(task), done] {
    try {
      task();
      done->set_value();
    } catch (...) {
      done->set_exception(std::current_exception());
    }
  });
  if (!posted) throw Exception("The plug-in thread has stopped");
  result.get();
}

void PluginThread::Stop() {
  if (!thread_.joinable()) return;
  // Queued behind everything posted so far, so that work runs first.
  runner_.Post([] { MessageLoop::Current()->Quit(); });
  thread_.join();
}

}  // namespace kestro::host
