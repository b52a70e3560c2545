// Objects of the host's creatable classes (the media library), made the way the host makes the
// module's: the class is looked up in the registry file, the library named under its
// InprocServer32 is loaded and asked for the class factory.
#pragma once

#include "kestro/com.h"
#include "platform/exception.h"

namespace kestro {

KESTRO_DECLARE_EXCEPTION(EHostObjectError, Exception);
// The class is not in the registry: the host does not offer it (no media library, say).
KESTRO_DECLARE_EXCEPTION(EHostClassNotRegistered, EHostObjectError);

// A new instance of `clsid` through *out as `iid`. Throws EHostClassNotRegistered "Host class %s
// is not registered", or EHostObjectError: "Failed to load host library "%s" : %s", "Host library "%s" has no
// DllGetClassObject", or "Failed to create host object %s : %s".
void CreateHostObject(const CLSID& clsid, const IID& iid, void** out);

template <class I>
ComPtr<I> CreateHostObject(const CLSID& clsid) {
  I* raw = nullptr;
  CreateHostObject(clsid, I::kIID, reinterpret_cast<void**>(&raw));
  return ComPtr<I>::Attach(raw);
}

}  // namespace kestro
