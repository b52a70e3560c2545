#include "core/type_library.h"

#include "kestro/host_type_library.h"
#include "kestro/tv_system.h"

namespace kestro {

const InterfaceInfo* HostInterface(const IID& iid) { return HostTypeLibrary().FindInterface(iid); }

const TypeLibInfo& ModuleTypeLibrary() {
  static const InterfaceInfo system{
      IKestroTVSystem::kIID, "IKestroTVSystem", "Dispatch interface for KestroTVSystem Object",
      nullptr,
      {Method<&IKestroTVSystem::GetScheduleManager>("GetScheduleManager", 202),
       Method<&IKestroTVSystem::CreateProgramScreen>("CreateProgramScreen", 204),
       Method<&IKestroTVSystem::CreateRecordScreen>("CreateRecordScreen", 205),
       Method<&IKestroTVSystem::GetLineups>("GetLineups", 207),
       Method<&IKestroTVSystem::CreateRepeatingScheduleScreen>("CreateRepeatingScheduleScreen", 201),
       Method<&IKestroTVSystem::CreateScheduleScreen>("CreateScheduleScreen", 203)}};
  const InterfaceInfo* plugin = HostInterface(IKestroPlugin::kIID);
  static const InterfaceInfo manager{ITVScheduleManager::kIID, "ITVScheduleManager",
                                     "Schedule manager", plugin, {}};
  static const InterfaceInfo program_screen{ITVProgramScreen::kIID, "ITVProgramScreen",
                                            "Programme screen", plugin, {}};
  static const InterfaceInfo record_screen{ITVRecordScreen::kIID, "ITVRecordScreen",
                                           "Record options screen", plugin, {}};
  static const InterfaceInfo rs_screen{ITVRepeatingScheduleScreen::kIID,
                                       "ITVRepeatingScheduleScreen", "Repeating schedule screen",
                                       plugin, {}};
  static const InterfaceInfo schedule_screen{ITVScheduleScreen::kIID, "ITVScheduleScreen",
                                             "Schedule screen", plugin, {}};
  static const TypeLibInfo lib = [&] {
    std::vector<const InterfaceInfo*> interfaces = {
        &system, &manager, &program_screen, &record_screen, &rs_screen, &schedule_screen};
    for (auto area : {LineupInterfaces, ChannelInterfaces, ProgramInterfaces, ListingsInterfaces,
                      SchedulingInterfaces, ImportInterfaces}) {
      std::vector<const InterfaceInfo*> more = area();
      interfaces.insert(interfaces.end(), more.begin(), more.end());
    }
    return TypeLibInfo{
        LIBID_KestroTV,
        "KestroTV",
        "KestroTV Library",
        1,
        0,
        std::move(interfaces),
        {{CLSID_KestroTVSystem, "KestroTVSystem", "KestroTVSystem Object", IKestroTVSystem::kIID}}};
  }();
  return lib;
}

}  // namespace kestro
