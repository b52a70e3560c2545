// THostSystem: the reference host's system object (IKestroSystem), what a plug-in such as the
// schedule manager talks to. It carries the host's message bus, its items, run-time properties,
// log, folders, text lookup, media library and instrumentation.
//
// Messages are delivered on the host's plug-in thread (the loop behind the TaskRunner it is made
// with): Send and SendTo only queue the delivery, so a plug-in never receives a message inside
// the call that sent it, and any thread may send (a recorder reports from its own thread).
// Subscriptions and run-time properties may be used from any thread.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/host_item.h"
#include "host/host_log.h"
#include "kestro/com_object.h"
#include "kestro/host.h"
#include "platform/system/message_loop.h"
#include "platform/system/mutex.h"

namespace kestro::host {

// The subject of the host's shutdown message.
inline constexpr const char* kShutdownSubject = "host.shutdown";
// The subject of the message a plug-in gets once the host has loaded it.
inline constexpr const char* kSystemLoadedSubject = "plugin.system-loaded";

// Whether `subject` matches `pattern`, in which "*" stands for any run of characters; letter case
// does not count.
bool SubjectMatches(std::string_view subject, std::string_view pattern);

class THostSystem;

class THostMessage : public ItemBase<IKestroMessage> {
 public:
  THostMessage(std::string subject, ComPtr<THostSystem> system);

  HRESULT get_Subject(std::string* subject) override;
  HRESULT Matches(const std::string& pattern, bool* result) override;
  HRESULT Send() override;
  HRESULT SendTo(const Variant& target) override;
  HRESULT IsShutdown(bool* result) override;

  const std::string& Subject() const { return subject_; }
  // "subject : name = value , ..." as logs show a message.
  std::string Text() const;

 private:
  std::string subject_;
  ComPtr<THostSystem> system_;  // null for a message that cannot be sent
};

struct HostOptions {
  std::string root_dir;  // with a trailing "/"; a folder kind not in `folders` is root + kind
  std::map<std::string, std::string> folders;  // kind -> folder, with a trailing "/"
  std::string log_file;                         // the host log; "" writes to standard error
  bool log_to_stderr = false;                   // also copies each line of the log file there
  std::string media_library_file;               // "" when the host has no media library
};

class THostSystem : public DispatchObject<IKestroSystem>, public IKestroInstrumentation {
 public:
  // Delivers messages through `plugin_thread`.
  THostSystem(HostOptions options, TaskRunner plugin_thread);

  // IUnknown, once for both interfaces.
  HRESULT QueryInterface(const IID& iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IKestroSystem.
  HRESULT CreateMessage(const std::string& subject, IKestroMessage** message) override;
  HRESULT Subscribe(const std::string& pattern, IKestroPlugin* subscriber) override;
  HRESULT ShowTrace(const std::string& text) override;
  HRESULT ShowStatus(const std::string& text) override;
  HRESULT PluginTarget(IKestroPlugin* plugin, Variant* target) override;
  HRESULT CreateItem(IKestroItem** item) override;
  HRESULT OpenMediaSection(const std::string& name, bool create, IMLSection** section) override;
  HRESULT LookupText(const std::string& phrase, std::string* text) override;
  HRESULT GetLog(int32_t kind, IKestroLog** log) override;
  HRESULT GetFolder(const std::string& kind, std::string* path) override;
  HRESULT SetRuntimeProperty(const std::string& name, IKestroItem* value) override;

  // IKestroInstrumentation: each event becomes a line "EVENT : name : key = value , ..." of the
  // host log.
  HRESULT RecordEvent(const std::string& name, IKestroItem* pairs) override;

  // The host's own side.
  ComPtr<THostMessage> NewMessage(const std::string& subject);
  // Queues the delivery of `message` to every subscriber whose pattern matches its subject, or to
  // `only` alone. False when the plug-in thread is gone.
  bool Deliver(ComPtr<THostMessage> message, ComPtr<IKestroPlugin> only = nullptr);
  // Unsubscribes `plugin` from everything (a plug-in being unloaded).
  void Unsubscribe(IKestroPlugin* plugin);
  std::string Folder(const std::string& kind) const;
  // The thread messages are delivered on.
  TaskRunner PluginThread() const { return plugin_thread_; }
  THostLog& Log() { return *log_; }
  // Writes a line to the host log; failures to write are dropped (the log is the last resort).
  void LogLine(const std::string& line) noexcept;

  // Run-time properties: the last value set under each name, as a copy of its values.
  using PropertyValues = std::vector<std::pair<std::string, Variant>>;
  std::map<std::string, PropertyValues> RuntimeProperties() const;
  // Called on the setting thread after each SetRuntimeProperty, with the name and the new values.
  void OnRuntimeProperty(std::function<void(const std::string&, const PropertyValues&)> observer);
  std::string LastStatus() const;

 protected:
  void* QueryExtraInterface(const IID& iid) override;

 private:
  const HostOptions options_;
  TaskRunner plugin_thread_;
  ComPtr<THostLog> log_;
  mutable Mutex mutex_;
  std::vector<std::pair<std::string, ComPtr<IKestroPlugin>>> subscriptions_ GUARDED_BY(mutex_);
  std::map<std::string, PropertyValues> properties_ GUARDED_BY(mutex_);
  std::function<void(const std::string&, const PropertyValues&)> property_observer_
      GUARDED_BY(mutex_);
  std::string last_status_ GUARDED_BY(mutex_);
};

ComPtr<THostSystem> NewHostSystem(HostOptions options, TaskRunner plugin_thread);

}  // namespace kestro::host
