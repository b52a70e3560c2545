// The module's screens inside the host: host plug-ins bound to a host system and a guide.
#pragma once

#include "kestro/host.h"

namespace kestro {

struct ITVProgramScreen : IKestroPlugin {
  static constexpr GUID kIID = MakeGuid("{AF2ECC76-506B-472A-AE94-50D009ABD298}");
  using Base = IKestroPlugin;
#define ITVProgramScreen_MEMBERS(M)
  KESTRO_DISPATCH_MEMBERS(ITVProgramScreen, "Programme screen")
};
struct ITVRecordScreen : IKestroPlugin {
  static constexpr GUID kIID = MakeGuid("{A6618E5C-CC25-466D-9D9D-D796ACE89AF0}");
  using Base = IKestroPlugin;
#define ITVRecordScreen_MEMBERS(M)
  KESTRO_DISPATCH_MEMBERS(ITVRecordScreen, "Record options screen")
};
struct ITVRepeatingScheduleScreen : IKestroPlugin {
  static constexpr GUID kIID = MakeGuid("{6CB4D808-CAC8-4C1A-AFD2-B3CD9B2E93C7}");
  using Base = IKestroPlugin;
#define ITVRepeatingScheduleScreen_MEMBERS(M)
  KESTRO_DISPATCH_MEMBERS(ITVRepeatingScheduleScreen, "Repeating schedule screen")
};
struct ITVScheduleScreen : IKestroPlugin {
  static constexpr GUID kIID = MakeGuid("{3EDD4C71-5776-4222-94BC-1F28D41D07C0}");
  using Base = IKestroPlugin;
#define ITVScheduleScreen_MEMBERS(M)
  KESTRO_DISPATCH_MEMBERS(ITVScheduleScreen, "Schedule screen")
};

}  // namespace kestro
