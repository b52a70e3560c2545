#include "module/class_factory.h"

#include "core/kestro_object.h"
#include "kestro/tv_system.h"
#include "module/system_object.h"
#include "platform/env/real_env.h"

namespace kestro {

// Every system object runs on the machine's Env with the module's own import plug-ins.
const ClassTable& ModuleClasses() {
  static const ClassTable table{
      {{CLSID_KestroTVSystem, "KestroTVSystem", "KestroTVSystem Object", kKestroTVProgID,
        "Apartment",
        [] {
          return ComPtr<IUnknown>(
              MakeObject<TKestroTVSystem>(ImportServices::WithBuiltInPlugins(MakeRealEnv())).Get());
        }}},
      &ModuleTypeLibrary(),
      &ModuleObjectCounter::LockServer};
  return table;
}

}  // namespace kestro
