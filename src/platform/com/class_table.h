// The creatable classes of an in-process server, listed once: DllGetClassObject hands out their
// factories from the table and DllRegisterServer writes the same table into the registry file.
#pragma once

#include <string>
#include <vector>

#include "kestro/com.h"
#include "kestro/dispatch.h"

namespace kestro {

struct ClassEntry {
  CLSID clsid;
  const char* name;             // "KestroTVSystem"
  const char* description;      // the default value of the class's keys: "KestroTVSystem Object"
  const char* prog_id;          // "KestroTV.KestroTVSystem"
  const char* threading_model;  // "Apartment", "Both"
  // A new instance for each CreateInstance (multi-instance); throws on failure.
  ComPtr<IUnknown> (*create)();
};

struct ClassTable {
  std::vector<ClassEntry> classes;
  // Registered with the classes when set.
  const TypeLibInfo* type_library = nullptr;
  // What IClassFactory::LockServer does; nothing when unset.
  void (*lock_server)(bool lock) = nullptr;
};

// The class factory of `clsid`: CLASS_E_CLASSNOTAVAILABLE for a class the table does not list,
// E_NOINTERFACE when the factory lacks `iid`. The factory refuses aggregation; a failed creation
// is E_UNEXPECTED with the failure as error info under IClassFactory.
HRESULT GetClassObject(const ClassTable& table, const CLSID& clsid, const IID& iid, void** out);

// Writes every class (the CLSID key with InprocServer32 = module_path and its threading model,
// ProgID and TypeLib; the ProgID key) and the type library into the registry file at
// registry_path; UnregisterClasses removes what RegisterClasses wrote.
void RegisterClasses(const ClassTable& table, const std::string& registry_path,
                     const std::string& module_path);
void UnregisterClasses(const ClassTable& table, const std::string& registry_path);

}  // namespace kestro
