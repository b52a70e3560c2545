#include "host/host_system.h"

#include <cctype>

#include "host/media_library/ml_library.h"
#include "kestro/host_type_library.h"
#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::host {

bool SubjectMatches(std::string_view subject, std::string_view pattern) {
  // Classic glob with one wildcard: remember the last "*" and retry from there on a mismatch.
  size_t s = 0, p = 0, star = std::string_view::npos, resume = 0;
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  while (s < subject.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = s;
    } else if (p < pattern.size() && same(pattern[p], subject[s])) {
      ++p;
      ++s;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      s = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// --- messages ---------------------------------------------------------------------------------

THostMessage::THostMessage(std::string subject, ComPtr<THostSystem> system)
    : subject_(std::move(subject)), system_(std::move(system)) {}

HRESULT THostMessage::get_Subject(std::string* subject) {
  return GetProperty(subject, subject_);
}

HRESULT THostMessage::Matches(const std::string& pattern, bool* result) {
  return FrameValue(result, [&] { return SubjectMatches(subject_, pattern); });
}

HRESULT THostMessage::Send() {
  return Frame([&] {
    if (!system_ || !system_->Deliver(ComPtr<THostMessage>(this))) {
      throw Exception("The message \"" + subject_ + "\" cannot be sent: the host is stopping");
    }
  });
}

HRESULT THostMessage::SendTo(const Variant& target) {
  return Frame([&] {
    ComPtr<IUnknown> unknown = target.ToInterface();
    ComPtr<IKestroPlugin> plugin = unknown ? unknown.As<IKestroPlugin>() : nullptr;
    if (!plugin) throw Exception("The target of message \"" + subject_ + "\" is not a plug-in");
    if (!system_ || !system_->Deliver(ComPtr<THostMessage>(this), plugin)) {
      throw Exception("The message \"" + subject_ + "\" cannot be sent: the host is stopping");
    }
  });
}

HRESULT THostMessage::IsShutdown(bool* result) {
  return FrameValue(result, [&] { return subject_ == kShutdownSubject; });
}

std::string THostMessage::Text() const {
  std::string text = subject_;
  const char* separator = " : ";
  for (const auto& [name, value] : Values()) {
    std::string shown;
    try {
      shown = value.ToString();
    } catch (const std::exception&) {
      shown = "(object)";  // an interface or array value has no text of its own
    }
    text += separator + name + " = " + shown;
    separator = " , ";
  }
  return text;
}

// --- the system -------------------------------------------------------------------------------

THostSystem::THostSystem(HostOptions options, TaskRunner plugin_thread)
    : DispatchObject<IKestroSystem>(HostTypeLibrary()),
      options_(std::move(options)),
      plugin_thread_(std::move(plugin_thread)),
      log_(NewHostLog(options_.log_file, options_.log_to_stderr)) {}

HRESULT THostSystem::QueryInterface(const IID& iid, void** out) {
  return DispatchObject<IKestroSystem>::QueryInterface(iid, out);
}
ULONG THostSystem::AddRef() { return DispatchObject<IKestroSystem>::AddRef(); }
ULONG THostSystem::Release() { return DispatchObject<IKestroSystem>::Release(); }

void* THostSystem::QueryExtraInterface(const IID& iid) {
  return iid == IKestroInstrumentation::kIID ? static_cast<IKestroInstrumentation*>(this)
                                             : nullptr;
}

ComPtr<THostMessage> THostSystem::NewMessage(const std::string& subject) {
  return MakeObject<THostMessage>(subject, ComPtr<THostSystem>(this));
}

bool THostSystem::Deliver(ComPtr<THostMessage> message, ComPtr<IKestroPlugin> only) {
  ComPtr<THostSystem> self(this);
  return plugin_thread_.Post([self, message, only] {
    std::vector<ComPtr<IKestroPlugin>> targets;
    if (only) {
      targets.push_back(only);
    } else {
      MutexLock lock(self->mutex_);
      for (const auto& [pattern, plugin] : self->subscriptions_)
        if (SubjectMatches(message->Subject(), pattern)) targets.push_back(plugin);
    }
    for (const ComPtr<IKestroPlugin>& plugin : targets) {
      bool handled = false;
      const HRESULT hr = plugin->OnMessage(self.Get(), message.Get(), &handled);
      if (Failed(hr)) {
        ErrorInfo info;
        GetErrorInfo(&info);
        self->LogLine("BAD : A plug-in failed message " + message->Subject() + " : " +
                      (info.description.empty() ? Format("0x%08X", static_cast<uint32_t>(hr))
                                                : info.description));
      }
    }
  });
}

void THostSystem::Unsubscribe(IKestroPlugin* plugin) {
  MutexLock lock(mutex_);
  std::erase_if(subscriptions_, [&](const auto& s) { return s.second.Get() == plugin; });
}

std::string THostSystem::Folder(const std::string& kind) const {
  if (auto it = options_.folders.find(kind); it != options_.folders.end()) return it->second;
  return options_.root_dir + kind + "/";
}

void THostSystem::LogLine(const std::string& line) noexcept { log_->WriteLine(line); }

std::map<std::string, THostSystem::PropertyValues> THostSystem::RuntimeProperties() const {
  MutexLock lock(mutex_);
  return properties_;
}

void THostSystem::OnRuntimeProperty(
    std::function<void(const std::string&, const PropertyValues&)> observer) {
  MutexLock lock(mutex_);
  property_observer_ = std::move(observer);
}

std::string THostSystem::LastStatus() const {
  MutexLock lock(mutex_);
  return last_status_;
}

// --- IKestroSystem --------------------------------------------------------------------------------

HRESULT THostSystem::CreateMessage(const std::string& subject, IKestroMessage** message) {
  return FrameOut(message, [&] { return ComPtr<IKestroMessage>(NewMessage(subject)); });
}

HRESULT THostSystem::Subscribe(const std::string& pattern, IKestroPlugin* subscriber) {
  return Frame([&] {
    if (!subscriber) throw Exception("No plug-in to subscribe");
    MutexLock lock(mutex_);
    subscriptions_.emplace_back(pattern, ComPtr<IKestroPlugin>(subscriber));
  });
}

HRESULT THostSystem::ShowTrace(const std::string& text) {
  return Frame([&] { LogLine("TRACE : " + text); });
}

HRESULT THostSystem::ShowStatus(const std::string& text) {
  return Frame([&] {
    {
      MutexLock lock(mutex_);
      last_status_ = text;
    }
    LogLine("STATUS : " + text);
  });
}

HRESULT THostSystem::PluginTarget(IKestroPlugin* plugin, Variant* target) {
  return FrameValue(target, [&] {
    if (!plugin) throw Exception("No plug-in to target");
    return Variant(ComPtr<IUnknown>(plugin));
  });
}

HRESULT THostSystem::CreateItem(IKestroItem** item) {
  return FrameOut(item, [] { return ComPtr<IKestroItem>(NewHostItem()); });
}

HRESULT THostSystem::OpenMediaSection(const std::string& name, bool create, IMLSection** section) {
  return FrameOut(section, [&] {
    if (options_.media_library_file.empty()) throw Exception("The host has no media library");
    return ComPtr<IMLSection>(OpenMediaLibrary(options_.media_library_file)->Section(name, create));
  });
}

HRESULT THostSystem::LookupText(const std::string& phrase, std::string* text) {
  return FrameValue(text, [&] { return phrase; });
}

HRESULT THostSystem::GetLog(int32_t kind, IKestroLog** log) {
  return FrameOut(log, [&] { return ComPtr<IKestroLog>(log_); });
}

HRESULT THostSystem::GetFolder(const std::string& kind, std::string* path) {
  return FrameValue(path, [&] { return Folder(kind); });
}

HRESULT THostSystem::SetRuntimeProperty(const std::string& name, IKestroItem* value) {
  return Frame([&] {
    PropertyValues values;
    ForEachItemValue(value, [&](const std::string& key, Variant v) {
      values.emplace_back(key, std::move(v));
    });
    std::function<void(const std::string&, const PropertyValues&)> observer;
    {
      MutexLock lock(mutex_);
      properties_[name] = values;
      observer = property_observer_;
    }
    if (observer) observer(name, values);
  });
}

HRESULT THostSystem::RecordEvent(const std::string& name, IKestroItem* pairs) {
  return RunInErrorFrame(IKestroInstrumentation::kIID, [&] {
    std::string line = "EVENT : " + name;
    const char* separator = " : ";
    ForEachItemValue(pairs, [&](const std::string& key, const Variant& v) {
      line += separator + key + " = " + v.ToString();
      separator = " , ";
    });
    LogLine(line);
  });
}

ComPtr<THostSystem> NewHostSystem(HostOptions options, TaskRunner plugin_thread) {
  return MakeObject<THostSystem>(std::move(options), std::move(plugin_thread));
}

}  // namespace kestro::host
