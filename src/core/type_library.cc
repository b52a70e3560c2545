#include "core/type_library.h"

#include "kestro/tv_import.h"
#include "kestro/tv_system.h"

namespace kestro {

const TypeLibInfo& ModuleTypeLibrary() {
  static const TypeLibInfo lib{
      LIBID_KestroTV,
      "KestroTV",
      "KestroTV Library",
      1,
      0,
      {&IKestroTVSystem::TypeTable(),
       &ITVScheduleManager::TypeTable(),
       &ITVProgramScreen::TypeTable(),
       &ITVRecordScreen::TypeTable(),
       &ITVRepeatingScheduleScreen::TypeTable(),
       &ITVScheduleScreen::TypeTable(),
       &ITVLineups::TypeTable(),
       &ITVLineup::TypeTable(),
       &ITVChannel::TypeTable(),
       &ITVChannelList::TypeTable(),
       &ITVChannelLists::TypeTable(),
       &ITVProgram::TypeTable(),
       &ITVProgramDetails::TypeTable(),
       &ITVPerson::TypeTable(),
       &ITVProgramList::TypeTable(),
       &ITVListings::TypeTable(),
       &ITVProgramGroups::TypeTable(),
       &ITVSchedule::TypeTable(),
       &ITVScheduleList::TypeTable(),
       &ITVScheduleResult::TypeTable(),
       &ITVScheduler::TypeTable(),
       &ITVRepeatingSchedule::TypeTable(),
       &ITVRepeatingScheduleList::TypeTable(),
       &ITVRepeatingScheduleResult::TypeTable(),
       &ITVRSPrioritizeResult::TypeTable(),
       &ITVListingsImportSystem::TypeTable(),
       &ITVListingsImportPlugin::TypeTable(),
       &ITVNewChannel::TypeTable(),
       &ITVNewProgram::TypeTable()},
      {{CLSID_KestroTVSystem, "KestroTVSystem", "KestroTVSystem Object", IKestroTVSystem::kIID}}};
  return lib;
}

}  // namespace kestro
