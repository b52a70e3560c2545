// The class factory of KestroTVSystem and the module's registration in the registry file.
#pragma once

#include <string>

#include "kestro/com_object.h"

namespace kestro {

// Multi-instance: every CreateInstance makes a new system object.
class TKestroClassFactory : public ComObject<IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override;
  HRESULT LockServer(int32_t lock) override;
};

// The class factory for a CLSID; CLASS_E_CLASSNOTAVAILABLE for any class but KestroTVSystem,
// E_NOINTERFACE when the factory lacks `iid`.
HRESULT GetModuleClassObject(const CLSID& clsid, const IID& iid, void** out);

// Writes the class (CLSID with InprocServer32 = module_path and ThreadingModel Apartment, the
// ProgID) and the type library into the registry file at registry_path.
void RegisterModule(const std::string& registry_path, const std::string& module_path);
// Removes what RegisterModule wrote.
void UnregisterModule(const std::string& registry_path);

}  // namespace kestro
