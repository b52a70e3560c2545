#include "module/class_factory.h"

#include "core/kestro_object.h"
#include "kestro/tv_system.h"
#include "module/tv_system.h"

namespace kestro {

const ClassTable& ModuleClasses() {
  static const ClassTable table{
      {{CLSID_KestroTVSystem, "KestroTVSystem", "KestroTVSystem Object", kKestroTVProgID,
        "Apartment", [] { return ComPtr<IUnknown>(MakeObject<TKestroTVSystem>().Get()); }}},
      &ModuleTypeLibrary(),
      &ModuleObjectCounter::LockServer};
  return table;
}

}  // namespace kestro
