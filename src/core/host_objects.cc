#include "core/host_objects.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

#include "kestro/dispatch.h"
#include "kestro/tv_system.h"
#include "platform/system/registry_file.h"
#include "platform/text/text.h"

namespace kestro {

namespace {

// Host libraries stay loaded for the life of the process: their objects may be held anywhere.
void* LoadHostLibrary(const std::string& path) {
  static std::mutex mutex;
  static std::map<std::string, void*> loaded;
  std::lock_guard lock(mutex);
  if (auto it = loaded.find(path); it != loaded.end()) return it->second;
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    throw EHostObjectError(Format("Failed to load host library \"%s\" : %s", path.c_str(),
                                  why ? why : "unknown error"));
  }
  loaded.emplace(path, handle);
  return handle;
}

void Check(HRESULT hr, const std::string& clsid) {
  if (Succeeded(hr)) return;
  ErrorInfo info;
  std::string why = GetErrorInfo(&info) == S_OK && !info.description.empty()
                        ? info.description
                        : Format("0x%08X", static_cast<uint32_t>(hr));
  throw EHostObjectError(
      Format("Failed to create host object %s : %s", clsid.c_str(), why.c_str()));
}

}  // namespace

void CreateHostObject(const CLSID& clsid, const IID& iid, void** out) {
  *out = nullptr;
  const std::string name = GuidToString(clsid);
  const std::string path = RegistryFile::LoadDefault().GetString(
      "HKEY_CLASSES_ROOT\\CLSID\\" + name + "\\InprocServer32", "");
  if (path.empty()) {
    throw EHostClassNotRegistered(Format("Host class %s is not registered", name.c_str()));
  }
  void* library = LoadHostLibrary(path);
  auto get_class_object =
      reinterpret_cast<DllGetClassObjectFn>(dlsym(library, "DllGetClassObject"));
  if (!get_class_object)
    throw EHostObjectError(
        Format("Host library \"%s\" has no DllGetClassObject", path.c_str()));
  ComPtr<IClassFactory> factory;
  Check(get_class_object(&clsid, &IClassFactory::kIID,
                         reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
        name);
  Check(factory->CreateInstance(nullptr, iid, out), name);
}

}  // namespace kestro
