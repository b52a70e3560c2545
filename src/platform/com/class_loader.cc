#include "platform/com/class_loader.h"

#include <dlfcn.h>

#include <map>
#include <memory>

#include "kestro/dispatch.h"
#include "platform/system/mutex.h"
#include "platform/system/registry_file.h"
#include "platform/text/text.h"

namespace kestro {

namespace {

struct DlCloser {
  void operator()(void* handle) const {
    if (handle) dlclose(handle);
  }
};
using ModuleHandle = std::unique_ptr<void, DlCloser>;

// Loaded modules by path.
struct LoadedModules {
  Mutex mutex;
  std::map<std::string, ModuleHandle> by_path GUARDED_BY(mutex);
};
LoadedModules& Modules() {
  static LoadedModules modules;
  return modules;
}

void Check(HRESULT hr, const std::string& what) {
  if (Succeeded(hr)) return;
  ErrorInfo info;
  std::string why = GetErrorInfo(&info) == S_OK && !info.description.empty()
                        ? info.description
                        : Format("0x%08X", static_cast<uint32_t>(hr));
  throw EModuleLoadError(what + " : " + why);
}

}  // namespace

void* LoadModuleFile(const std::string& path) {
  LoadedModules& modules = Modules();
  MutexLock lock(modules.mutex);
  auto it = modules.by_path.find(path);
  if (it != modules.by_path.end()) return it->second.get();
  dlerror();
  ModuleHandle handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!handle) {
    const char* why = dlerror();
    throw EModuleLoadError(
        Format("Failed to load module \"%s\" : %s", path.c_str(), why ? why : "unknown error"));
  }
  void* raw = handle.get();
  modules.by_path.emplace(path, std::move(handle));
  return raw;
}

void* ModuleSymbol(void* module, const std::string& path, const char* name) {
  void* symbol = dlsym(module, name);
  if (!symbol) throw EModuleLoadError(Format("Module \"%s\" has no %s", path.c_str(), name));
  return symbol;
}

ClassRegistration FindClass(const std::string& registry_path, const std::string& name) {
  RegistryFile reg = RegistryFile::Load(registry_path);
  ClassRegistration c;
  if (!TryParseGuid(name, &c.clsid)) {
    std::string clsid_text = reg.GetString("HKEY_CLASSES_ROOT\\" + name + "\\CLSID", "");
    if (!TryParseGuid(clsid_text, &c.clsid))
      throw EClassNotRegistered(Format("Class \"%s\" is not registered", name.c_str()));
  }
  const std::string key = "HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(c.clsid);
  c.module_path = reg.GetString(key + "\\InprocServer32", "");
  c.threading_model = reg.GetString(key + "\\InprocServer32", "ThreadingModel");
  c.prog_id = reg.GetString(key + "\\ProgID", "");
  if (c.module_path.empty())
    throw EClassNotRegistered(Format("Class \"%s\" is not registered", name.c_str()));
  return c;
}

void CreateClassInstance(const std::string& registry_path, const std::string& name, const IID& iid,
                         void** out) {
  *out = nullptr;
  ClassRegistration c = FindClass(registry_path, name);
  void* module = LoadModuleFile(c.module_path);
  auto get_class_object = reinterpret_cast<DllGetClassObjectFn>(
      ModuleSymbol(module, c.module_path, "DllGetClassObject"));
  ComPtr<IClassFactory> factory;
  Check(get_class_object(&c.clsid, &IClassFactory::kIID,
                         reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
        Format("Module \"%s\" refused the class factory of %s", c.module_path.c_str(),
               name.c_str()));
  Check(factory->CreateInstance(nullptr, iid, out),
        Format("Failed to create an instance of %s", name.c_str()));
}

void RegisterModuleFile(const std::string& module_path, bool unregister) {
  void* module = LoadModuleFile(module_path);
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto fn = reinterpret_cast<DllRegisterServerFn>(ModuleSymbol(module, module_path, entry));
  Check(fn(), Format("%s of \"%s\" failed", entry, module_path.c_str()));
}

void FreeUnusedLibraries() {
  LoadedModules& modules = Modules();
  MutexLock lock(modules.mutex);
  for (auto it = modules.by_path.begin(); it != modules.by_path.end();) {
    auto can_unload =
        reinterpret_cast<DllCanUnloadNowFn>(dlsym(it->second.get(), "DllCanUnloadNow"));
    if (can_unload && can_unload() == S_OK) it = modules.by_path.erase(it);
    else ++it;
  }
}

}  // namespace kestro
