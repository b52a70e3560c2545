#include "platform/com/class_table.h"

#include "kestro/com_object.h"
#include "platform/exception.h"
#include "platform/system/registry_file.h"
#include "platform/text/text.h"

namespace kestro {

namespace {

class TClassFactory : public ComObject<IClassFactory> {
 public:
  TClassFactory(const ClassTable& table, const ClassEntry& entry) : table_(table), entry_(entry) {}

  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return RunInErrorFrame(IClassFactory::kIID, [&] {
      ComPtr<IUnknown> object = entry_.create();
      if (Failed(object->QueryInterface(iid, out)))
        throw Exception(Format("The %s object does not implement the interface %s", entry_.name,
                               GuidToString(iid).c_str()));
    });
  }
  HRESULT LockServer(int32_t lock) override {
    if (table_.lock_server) table_.lock_server(lock != 0);
    return S_OK;
  }

 private:
  const ClassTable& table_;
  const ClassEntry& entry_;
};

const std::string kClassesRoot = "HKEY_CLASSES_ROOT\\";

std::string ClassKey(const ClassEntry& c) {
  return kClassesRoot + "CLSID\\" + GuidToString(c.clsid);
}
std::string ProgIDKey(const ClassEntry& c) { return kClassesRoot + c.prog_id; }
std::string TypeLibKey(const TypeLibInfo& lib) {
  return kClassesRoot + "TypeLib\\" + GuidToString(lib.libid);
}

}  // namespace

HRESULT GetClassObject(const ClassTable& table, const CLSID& clsid, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const ClassEntry& entry : table.classes) {
    // A factory is a plain object; a new one per request behaves as a shared one would.
    if (entry.clsid == clsid)
      return MakeObject<TClassFactory>(table, entry)->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

void RegisterClasses(const ClassTable& table, const std::string& registry_path,
                     const std::string& module_path) {
  RegistryFile reg = RegistryFile::Load(registry_path);
  for (const ClassEntry& c : table.classes) {
    const std::string key = ClassKey(c);
    reg.SetString(key, "", c.description);
    reg.SetString(key + "\\InprocServer32", "", module_path);
    reg.SetString(key + "\\InprocServer32", "ThreadingModel", c.threading_model);
    reg.SetString(key + "\\ProgID", "", c.prog_id);
    if (table.type_library)
      reg.SetString(key + "\\TypeLib", "", GuidToString(table.type_library->libid));
    reg.SetString(ProgIDKey(c), "", c.description);
    reg.SetString(ProgIDKey(c) + "\\CLSID", "", GuidToString(c.clsid));
  }
  if (const TypeLibInfo* lib = table.type_library) {
    const std::string key = TypeLibKey(*lib) + Format("\\%u.%u", lib->major, lib->minor);
    reg.SetString(key, "", lib->help);
    reg.SetString(key + "\\0\\linux", "", module_path);
    reg.SetString(key + "\\FLAGS", "", "0");
  }
  reg.Save(registry_path);
}

void UnregisterClasses(const ClassTable& table, const std::string& registry_path) {
  RegistryFile reg = RegistryFile::Load(registry_path);
  for (const ClassEntry& c : table.classes) {
    reg.DeleteKey(ClassKey(c));
    reg.DeleteKey(ProgIDKey(c));
  }
  if (table.type_library) reg.DeleteKey(TypeLibKey(*table.type_library));
  reg.Save(registry_path);
}

}  // namespace kestro
