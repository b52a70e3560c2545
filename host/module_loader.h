// Creates COM classes the way a host does: the CLSID (or a ProgID naming it) is looked up in the
// registry file, the module named under InprocServer32 is loaded with dlopen and asked for its
// class factory through DllGetClassObject.
#pragma once

#include <string>

#include "kestro/com.h"
#include "platform/exception.h"

namespace kestro::host {

KESTRO_DECLARE_EXCEPTION(EModuleLoadError, Exception);

struct ClassRegistration {
  CLSID clsid{};
  std::string prog_id;
  std::string module_path;
  std::string threading_model;
};

// Looks a class up by "{CLSID}" or ProgID in the registry file.
// Throws EModuleLoadError "Class "%s" is not registered" when it is not there.
ClassRegistration FindClass(const std::string& registry_path, const std::string& clsid_or_prog_id);

// Creates an instance and returns the interface `iid` through *out (a new reference).
// Throws EModuleLoadError: "Failed to load module "%s" : %s", "Module "%s" has no
// DllGetClassObject", or the failure's error info / HRESULT.
void CreateInstance(const std::string& registry_path, const std::string& clsid_or_prog_id,
                    const IID& iid, void** out);

template <class I>
ComPtr<I> CreateInstance(const std::string& registry_path, const std::string& clsid_or_prog_id) {
  I* raw = nullptr;
  CreateInstance(registry_path, clsid_or_prog_id, I::kIID, reinterpret_cast<void**>(&raw));
  return ComPtr<I>::Attach(raw);
}

// Loads a module file and calls its DllRegisterServer / DllUnregisterServer. The module writes
// into the registry file named by KESTRO_REGISTRY, which the caller sets.
void RegisterModuleFile(const std::string& module_path, bool unregister = false);

// Unloads the modules whose DllCanUnloadNow answers S_OK.
void FreeUnusedLibraries();

}  // namespace kestro::host
