#include "core/registry_info.h"

#include <mutex>

#include "platform/system/debug_trace.h"

namespace kestro {

namespace {

// Function-local so that it exists when the module's load-time constructor runs.
struct ConfigState {
  std::mutex mutex;
  ModuleConfig config;
  bool loaded = false;
};
ConfigState& State() {
  static ConfigState state;
  return state;
}

}  // namespace

void LoadModuleConfig() {
  ModuleConfig c = ReadModuleConfig(RegistryFile::LoadDefault());
  ConfigState& s = State();
  std::lock_guard lock(s.mutex);
  s.config = std::move(c);
  s.loaded = true;
  SetDebugOutput(s.config.debug_output);
}

const ModuleConfig& Config() {
  ConfigState& s = State();
  {
    std::lock_guard lock(s.mutex);
    if (s.loaded) return s.config;
  }
  LoadModuleConfig();
  return s.config;
}

}  // namespace kestro
