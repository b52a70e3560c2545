// The four exported entry points of libKestroTV.so.
#include <dlfcn.h>

#include "core/kestro_object.h"
#include "core/registry_info.h"
#include "kestro/tv_system.h"
#include "module/class_factory.h"
#include "platform/system/debug_trace.h"
#include "platform/system/registry_file.h"

namespace kestro {
namespace {

// The file this module was loaded from.
std::string ModulePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) && info.dli_fname)
    return info.dli_fname;
  return {};
}

// Start-up: the registry values and the debug switch are read once, before any object exists.
__attribute__((constructor)) void OnModuleLoad() { LoadModuleConfig(); }

template <class F>
int32_t Guarded(F&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const std::exception& e) {
    DebugTrace(e.what());
    SetErrorInfo(GUID{}, e.what());
  }
  return E_UNEXPECTED;
}

}  // namespace
}  // namespace kestro

using namespace kestro;

extern "C" __attribute__((visibility("default"))) int32_t DllGetClassObject(const GUID* clsid,
                                                                           const GUID* iid,
                                                                           void** out) {
  if (!clsid || !iid || !out) return E_POINTER;
  return GetClassObject(ModuleClasses(), *clsid, *iid, out);
}

extern "C" __attribute__((visibility("default"))) int32_t DllCanUnloadNow(void) {
  return ModuleObjectCounter::CanUnload() ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) int32_t DllRegisterServer(void) {
  return Guarded(
      [] { RegisterClasses(ModuleClasses(), RegistryFile::DefaultPath(), ModulePath()); });
}

extern "C" __attribute__((visibility("default"))) int32_t DllUnregisterServer(void) {
  return Guarded([] { UnregisterClasses(ModuleClasses(), RegistryFile::DefaultPath()); });
}
