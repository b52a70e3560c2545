// The recording side of the module as the host sees it: a host plug-in.
#pragma once

#include "kestro/host.h"

namespace kestro {

struct ITVScheduleManager : IKestroPlugin {
  static constexpr GUID kIID = MakeGuid("{2B1112D9-B551-4D80-AB3E-45A27232658A}");
  using Base = IKestroPlugin;
#define ITVScheduleManager_MEMBERS(M)
  KESTRO_DISPATCH_MEMBERS(ITVScheduleManager, "Schedule manager")
};

}  // namespace kestro
