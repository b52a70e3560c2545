// A host plug-in for tests that keeps every message delivered to it, in order.
#pragma once

#include <string>
#include <vector>

#include "host/host_system.h"
#include "kestro/com_object.h"
#include "kestro/host_type_library.h"

namespace kestro::testing {

class RecordingPlugin : public DispatchObject<IKestroPlugin> {
 public:
  struct Received {
    std::string subject;
    host::THostSystem::PropertyValues values;
    Variant Get(const std::string& name) const {
      for (const auto& [key, value] : values)
        if (key == name) return value;
      return Variant();
    }
  };

  RecordingPlugin() : DispatchObject<IKestroPlugin>(HostTypeLibrary()) {}

  HRESULT OnMessage(IKestroSystem*, IKestroMessage* message, bool* handled) override {
    return FrameValue(handled, [&] {
      Received r;
      CheckHResult(message->get_Subject(&r.subject));
      ForEachItemValue(message, [&](const std::string& name, Variant value) {
        r.values.emplace_back(name, std::move(value));
      });
      received.push_back(std::move(r));
      return true;
    });
  }
  HRESULT DescribeSetting(int32_t, IKestroItem*, bool* ok) override {
    return FrameValue(ok, [] { return false; });
  }
  HRESULT ApplySettings(IKestroItem*, std::string* error, bool* ok) override {
    return FrameValue(ok, [] { return true; });
  }
  HRESULT IsAvailable(bool* result) override {
    return FrameValue(result, [] { return true; });
  }

  std::vector<std::string> Subjects() const {
    std::vector<std::string> subjects;
    for (const Received& r : received) subjects.push_back(r.subject);
    return subjects;
  }

  std::vector<Received> received;
};

}  // namespace kestro::testing
