// The exported entry point of libKestroHost.so: the host's creatable classes (the media library)
// as a module of their own, so that a module creates them through the registry.
#include "host/media_library/ml_library.h"
#include "kestro/tv_system.h"

extern "C" __attribute__((visibility("default"))) int32_t DllGetClassObject(
    const kestro::GUID* clsid, const kestro::GUID* iid, void** out) {
  if (!clsid || !iid || !out) return kestro::E_POINTER;
  return kestro::GetClassObject(kestro::host::HostClasses(), *clsid, *iid, out);
}
