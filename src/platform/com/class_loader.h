// Creating COM classes the way a host does: the CLSID (or a ProgID naming it) is looked up in a
// registry file, the library named under its InprocServer32 key is loaded with dlopen and asked
// for the class factory through DllGetClassObject. The host creates the module's system object
// this way, and the module the host's classes (the media library).
#pragma once

#include <string>

#include "kestro/com.h"
#include "platform/exception.h"

namespace kestro {

KESTRO_DECLARE_EXCEPTION(EModuleLoadError, Exception);
// The class is not in the registry: its host does not offer it (no media library, say).
KESTRO_DECLARE_EXCEPTION(EClassNotRegistered, EModuleLoadError);

struct ClassRegistration {
  CLSID clsid{};
  std::string prog_id;
  std::string module_path;
  std::string threading_model;
};

// Looks a class up by "{CLSID}" or ProgID in the registry file at `registry_path`.
// Throws EClassNotRegistered "Class "%s" is not registered" when it is not there.
ClassRegistration FindClass(const std::string& registry_path, const std::string& clsid_or_prog_id);

// Creates an instance and returns the interface `iid` through *out (a new reference).
// Throws EClassNotRegistered as FindClass, or EModuleLoadError: "Failed to load module "%s" : %s",
// "Module "%s" has no DllGetClassObject", "Module "%s" refused the class factory of %s : %s" or
// "Failed to create an instance of %s : %s" (the failure's error info or HRESULT).
void CreateClassInstance(const std::string& registry_path, const std::string& clsid_or_prog_id,
                         const IID& iid, void** out);

template <class I>
ComPtr<I> CreateClassInstance(const std::string& registry_path,
                              const std::string& clsid_or_prog_id) {
  I* raw = nullptr;
  CreateClassInstance(registry_path, clsid_or_prog_id, I::kIID, reinterpret_cast<void**>(&raw));
  return ComPtr<I>::Attach(raw);
}

// The module file loaded once per process (dlopen RTLD_NOW); it stays loaded until
// FreeUnusedLibraries finds it idle. Throws EModuleLoadError "Failed to load module "%s" : %s".
void* LoadModuleFile(const std::string& path);
// An exported function of a loaded module. Throws EModuleLoadError "Module "%s" has no %s".
void* ModuleSymbol(void* module, const std::string& path, const char* name);

// Loads a module file and calls its DllRegisterServer / DllUnregisterServer. The module writes
// into the registry file named by KESTRO_REGISTRY, which the caller sets. Throws
// EModuleLoadError, "DllRegisterServer of "%s" failed : %s" when the call fails.
void RegisterModuleFile(const std::string& module_path, bool unregister = false);

// Unloads the modules whose DllCanUnloadNow answers S_OK; a module without it stays loaded.
void FreeUnusedLibraries();

}  // namespace kestro
