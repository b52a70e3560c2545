#include "core/registry_info.h"

#include "platform/system/debug_trace.h"
#include "platform/system/mutex.h"

namespace kestro {

namespace {

// Function-local so that it exists when the module's load-time constructor runs.
struct ConfigState {
  Mutex mutex;
  ModuleConfig config GUARDED_BY(mutex);
  bool loaded GUARDED_BY(mutex) = false;
};
ConfigState& State() {
  static ConfigState state;
  return state;
}

}  // namespace

void LoadModuleConfig() {
  ModuleConfig c = ReadModuleConfig(RegistryFile::LoadDefault());
  ConfigState& s = State();
  MutexLock lock(s.mutex);
  s.config = std::move(c);
  s.loaded = true;
  SetDebugOutput(s.config.debug_output);
}

// The configuration is written at load time (and by tests between their runs), before any
// reader holds the reference.
const ModuleConfig& Config() NO_THREAD_SAFETY_ANALYSIS {
  ConfigState& s = State();
  {
    MutexLock lock(s.mutex);
    if (s.loaded) return s.config;
  }
  LoadModuleConfig();
  return s.config;
}

}  // namespace kestro
