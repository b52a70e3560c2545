#include "module/type_library.h"

#include "kestro/host_type_library.h"
#include "kestro/tv_system.h"

namespace kestro {

namespace {

const InterfaceInfo* HostInterface(const IID& iid) { return HostTypeLibrary().FindInterface(iid); }

}  // namespace

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
  static const InterfaceInfo lineups{ITVLineups::kIID, "ITVLineups", "Lineups", nullptr, {}};
  static const InterfaceInfo listings{ITVListings::kIID, "ITVListings", "Listings", nullptr, {}};
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
  static const TypeLibInfo lib{
      LIBID_KestroTV,
      "KestroTV",
      "KestroTV Library",
      1,
      0,
      {&system, &lineups, &listings, &manager, &program_screen, &record_screen, &rs_screen,
       &schedule_screen},
      {{CLSID_KestroTVSystem, "KestroTVSystem", "KestroTVSystem Object", IKestroTVSystem::kIID}}};
  return lib;
}

}  // namespace kestro
