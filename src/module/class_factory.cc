#include "module/class_factory.h"

#include "core/kestro_object.h"
#include "kestro/tv_system.h"
#include "module/tv_system.h"
#include "platform/exception.h"
#include "platform/system/registry_file.h"

namespace kestro {

HRESULT TKestroClassFactory::CreateInstance(IUnknown* outer, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return RunInErrorFrame(IClassFactory::kIID, [&] {
    ComPtr<TKestroTVSystem> system = MakeObject<TKestroTVSystem>();
    HRESULT hr = system->QueryInterface(iid, out);
    if (Failed(hr)) throw Exception("The system object does not implement the interface " +
                                    GuidToString(iid));
  });
}

HRESULT TKestroClassFactory::LockServer(int32_t lock) {
  ModuleObjectCounter::LockServer(lock != 0);
  return S_OK;
}

HRESULT GetModuleClassObject(const CLSID& clsid, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!(clsid == CLSID_KestroTVSystem)) return CLASS_E_CLASSNOTAVAILABLE;
  // The factory is a plain object; a new one per request behaves the same as a shared one.
  ComPtr<TKestroClassFactory> factory = MakeObject<TKestroClassFactory>();
  return factory->QueryInterface(iid, out);
}

namespace {

const std::string kClassesRoot = "HKEY_CLASSES_ROOT";

std::string ClassKey() { return kClassesRoot + "\\CLSID\\" + GuidToString(CLSID_KestroTVSystem); }
std::string ProgIDKey() { return kClassesRoot + "\\" + kKestroTVProgID; }
std::string TypeLibKey() { return kClassesRoot + "\\TypeLib\\" + GuidToString(LIBID_KestroTV); }

}  // namespace

void RegisterModule(const std::string& registry_path, const std::string& module_path) {
  RegistryFile reg = RegistryFile::Load(registry_path);
  const std::string clsid = GuidToString(CLSID_KestroTVSystem);
  reg.SetString(ClassKey(), "", "KestroTVSystem Object");
  reg.SetString(ClassKey() + "\\InprocServer32", "", module_path);
  reg.SetString(ClassKey() + "\\InprocServer32", "ThreadingModel", "Apartment");
  reg.SetString(ClassKey() + "\\ProgID", "", kKestroTVProgID);
  reg.SetString(ClassKey() + "\\TypeLib", "", GuidToString(LIBID_KestroTV));
  reg.SetString(ProgIDKey(), "", "KestroTVSystem Object");
  reg.SetString(ProgIDKey() + "\\CLSID", "", clsid);
  reg.SetString(TypeLibKey() + "\\1.0", "", "KestroTV Library");
  reg.SetString(TypeLibKey() + "\\1.0\\0\\linux", "", module_path);
  reg.SetString(TypeLibKey() + "\\1.0\\FLAGS", "", "0");
  reg.Save(registry_path);
}

void UnregisterModule(const std::string& registry_path) {
  RegistryFile reg = RegistryFile::Load(registry_path);
  reg.DeleteKey(ClassKey());
  reg.DeleteKey(ProgIDKey());
  reg.DeleteKey(TypeLibKey());
  reg.Save(registry_path);
}

}  // namespace kestro
