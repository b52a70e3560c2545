#include "kestro/tv_channels.h"
#include "core/type_library.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_programs.h"
#include "kestro/tv_schedules.h"

namespace kestro {

namespace {

const InterfaceInfo& ScheduleTable() {
  using I = ITVSchedule;
  static const InterfaceInfo info{
      I::kIID, "ITVSchedule", "A planned recording", nullptr,
      {PropGet<&I::get_ID>("ID", 201),
       PropPut<&I::put_ID>("ID", 201),
       PropGet<&I::get_TunerID>("TunerID", 202),
       PropPut<&I::put_TunerID>("TunerID", 202),
       PropGet<&I::get_StartTime, true>("StartTime", 203),
       PropPut<&I::put_StartTime>("StartTime", 203),
       PropGet<&I::get_EndTime, true>("EndTime", 204),
       PropPut<&I::put_EndTime>("EndTime", 204),
       PropGet<&I::get_SoftPaddingBefore>("SoftPaddingBefore", 205),
       PropPut<&I::put_SoftPaddingBefore>("SoftPaddingBefore", 205),
       PropGet<&I::get_SoftPaddingAfter>("SoftPaddingAfter", 206),
       PropPut<&I::put_SoftPaddingAfter>("SoftPaddingAfter", 206),
       PropGet<&I::get_DeleteOnConflict>("DeleteOnConflict", 207),
       PropPut<&I::put_DeleteOnConflict>("DeleteOnConflict", 207),
       PropGet<&I::get_WakeUp>("WakeUp", 208),
       PropPut<&I::put_WakeUp>("WakeUp", 208),
       PropGet<&I::get_Data>("Data", 209),
       PropGet<&I::get_CreatedBy>("CreatedBy", 210),
       PropPut<&I::put_CreatedBy>("CreatedBy", 210),
       PropGet<&I::get_DeletedBy>("DeletedBy", 211),
       PropGet<&I::get_Reason>("Reason", 212),
       PropGet<&I::get_Status>("Status", 213),
       PropGet<&I::get_IsInProgress>("IsInProgress", 214),
       PropGet<&I::get_SoftStartTime, true>("SoftStartTime", 215),
       PropGet<&I::get_SoftEndTime, true>("SoftEndTime", 216),
       PropGet<&I::get_HasElapsed>("HasElapsed", 217),
       PropGet<&I::get_Title>("Title", 218),
       PropPut<&I::put_Title>("Title", 218),
       PropGet<&I::get_HardPaddingBefore>("HardPaddingBefore", 219),
       PropPut<&I::put_HardPaddingBefore>("HardPaddingBefore", 219),
       PropGet<&I::get_HardPaddingAfter>("HardPaddingAfter", 220),
       PropPut<&I::put_HardPaddingAfter>("HardPaddingAfter", 220),
       PropGet<&I::get_ProgramID>("ProgramID", 221),
       PropPut<&I::put_ProgramID>("ProgramID", 221),
       Method<&I::StartsBefore>("StartsBefore", 222),
       PropGet<&I::get_ChannelID>("ChannelID", 223),
       PropPut<&I::put_ChannelID>("ChannelID", 223),
       PropGet<&I::get_RepeatingScheduleID>("RepeatingScheduleID", 224),
       PropPut<&I::put_RepeatingScheduleID>("RepeatingScheduleID", 224),
       PropGet<&I::get_IsDeleted>("IsDeleted", 225),
       Method<&I::GetProgram>("GetProgram", 226),
       Method<&I::GetChannel>("GetChannel", 227),
       PropGet<&I::get_KeepUntil>("KeepUntil", 228),
       PropPut<&I::put_KeepUntil>("KeepUntil", 228),
       PropGet<&I::get_Folder>("Folder", 229),
       PropPut<&I::put_Folder>("Folder", 229),
       PropGet<&I::get_Quality>("Quality", 230),
       PropPut<&I::put_Quality>("Quality", 230),
       PropGet<&I::get_LogText>("LogText", 231),
       Method<&I::GetRepeatingSchedule>("GetRepeatingSchedule", 232),
       PropGet<&I::get_IsNew>("IsNew", 233),
       Method<&I::GetAsKestroItem>("GetAsKestroItem", 234)}};
  return info;
}

const InterfaceInfo& ScheduleListTable() {
  using I = ITVScheduleList;
  static const InterfaceInfo info{I::kIID, "ITVScheduleList", "A list of schedules", nullptr,
                                  {PropGet<&I::get_Count>("Count", 201),
                                   PropGet<&I::get_Items>("Items", 0),
                                   Method<&I::Remove>("Remove", 202)}};
  return info;
}

const InterfaceInfo& ScheduleResultTable() {
  using I = ITVScheduleResult;
  static const InterfaceInfo info{I::kIID, "ITVScheduleResult",
                                  "The outcome of a scheduling operation", nullptr,
                                  {PropGet<&I::get_Code>("Code", 201),
                                   PropGet<&I::get_Description>("Description", 202),
                                   PropGet<&I::get_Conflicts>("Conflicts", 203)}};
  return info;
}

const InterfaceInfo& SchedulerTable() {
  using I = ITVScheduler;
  static const InterfaceInfo info{
      I::kIID, "ITVScheduler", "The scheduler of a lineup", nullptr,
      {Method<&I::SetTunerCount>("SetTunerCount", 201),
       Method<&I::CreateSchedule>("CreateSchedule", 202),
       Method<&I::GetSchedules>("GetSchedules", 203),
       Method<&I::AddSchedule>("AddSchedule", 204),
       Method<&I::DeleteSchedule>("DeleteSchedule", 205),
       Method<&I::FindSchedule>("FindSchedule", 206),
       Method<&I::GetDeletedSchedules>("GetDeletedSchedules", 207),
       Method<&I::SetScheduleStatus>("SetScheduleStatus", 208),
       PropGet<&I::get_ScheduleVersion>("ScheduleVersion", 209),
       Method<&I::GetSchedulesForTuner>("GetSchedulesForTuner", 210),
       Method<&I::Reschedule>("Reschedule", 211),
       Method<&I::CreateScheduleFromScheduleAndProgram>("CreateScheduleFromScheduleAndProgram",
                                                        212),
       PropGet<&I::get_TunerCount>("TunerCount", 213),
       Method<&I::GetLostSchedules>("GetLostSchedules", 214),
       Method<&I::GetSchedulesForTimeSlice>("GetSchedulesForTimeSlice", 215),
       Method<&I::ClearLostSchedules>("ClearLostSchedules", 216),
       Method<&I::GetConflictsForSchedule>("GetConflictsForSchedule", 217),
       Method<&I::GetConflictsForScheduleFromList>("GetConflictsForScheduleFromList", 218),
       Method<&I::CreateRepeatingSchedule>("CreateRepeatingSchedule", 219),
       Method<&I::FindRepeatingSchedule>("FindRepeatingSchedule", 220),
       Method<&I::GetRepeatingSchedules>("GetRepeatingSchedules", 221),
       Method<&I::PrioritizeRepeatingSchedules>("PrioritizeRepeatingSchedules", 222),
       Method<&I::DeleteRepeatingSchedule>("DeleteRepeatingSchedule", 223),
       Method<&I::LogRecordedProgram>("LogRecordedProgram", 224),
       Method<&I::HasBeenRecorded>("HasBeenRecorded", 225)}};
  return info;
}

const InterfaceInfo& RepeatingScheduleTable() {
  using I = ITVRepeatingSchedule;
  static const InterfaceInfo info{
      I::kIID, "ITVRepeatingSchedule", "A rule that records over and over", nullptr,
      {PropGet<&I::get_ID>("ID", 201),
       PropPut<&I::put_ID>("ID", 201),
       PropGet<&I::get_RSType>("RSType", 202),
       PropPut<&I::put_RSType>("RSType", 202),
       PropGet<&I::get_Priority>("Priority", 203),
       PropGet<&I::get_Title>("Title", 204),
       PropPut<&I::put_Title>("Title", 204),
       PropGet<&I::get_HardPaddingBefore>("HardPaddingBefore", 205),
       PropPut<&I::put_HardPaddingBefore>("HardPaddingBefore", 205),
       PropGet<&I::get_HardPaddingAfter>("HardPaddingAfter", 206),
       PropPut<&I::put_HardPaddingAfter>("HardPaddingAfter", 206),
       PropGet<&I::get_SoftPaddingBefore>("SoftPaddingBefore", 207),
       PropPut<&I::put_SoftPaddingBefore>("SoftPaddingBefore", 207),
       PropGet<&I::get_SoftPaddingAfter>("SoftPaddingAfter", 208),
       PropPut<&I::put_SoftPaddingAfter>("SoftPaddingAfter", 208),
       PropGet<&I::get_ChannelID>("ChannelID", 209),
       PropPut<&I::put_ChannelID>("ChannelID", 209),
       PropGet<&I::get_StartTime, true>("StartTime", 210),
       PropPut<&I::put_StartTime>("StartTime", 210),
       PropGet<&I::get_EndTime, true>("EndTime", 211),
       PropPut<&I::put_EndTime>("EndTime", 211),
       PropGet<&I::get_Frequency>("Frequency", 212),
       PropPut<&I::put_Frequency>("Frequency", 212),
       PropGet<&I::get_SearchCriteria>("SearchCriteria", 213),
       PropPut<&I::put_SearchCriteria>("SearchCriteria", 213),
       PropGet<&I::get_KeepUntil>("KeepUntil", 214),
       PropPut<&I::put_KeepUntil>("KeepUntil", 214),
       PropGet<&I::get_Folder>("Folder", 215),
       PropPut<&I::put_Folder>("Folder", 215),
       PropGet<&I::get_Quality>("Quality", 216),
       PropPut<&I::put_Quality>("Quality", 216),
       PropGet<&I::get_KeepAtMost>("KeepAtMost", 217),
       PropPut<&I::put_KeepAtMost>("KeepAtMost", 217),
       PropGet<&I::get_Repeats>("Repeats", 218),
       PropPut<&I::put_Repeats>("Repeats", 218),
       PropGet<&I::get_CreatedBy>("CreatedBy", 219),
       PropPut<&I::put_CreatedBy>("CreatedBy", 219),
       Method<&I::Save>("Save", 220),
       Method<&I::GetSchedules>("GetSchedules", 221),
       PropGet<&I::get_LogText>("LogText", 222),
       Method<&I::IsNew>("IsNew", 223),
       PropGet<&I::get_Duplicates>("Duplicates", 224),
       PropPut<&I::put_Duplicates>("Duplicates", 224),
       Method<&I::Preview>("Preview", 225)}};
  return info;
}

const InterfaceInfo& RepeatingScheduleListTable() {
  using I = ITVRepeatingScheduleList;
  static const InterfaceInfo info{I::kIID, "ITVRepeatingScheduleList",
                                  "A list of repeating schedules", nullptr,
                                  {PropGet<&I::get_Count>("Count", 201),
                                   PropGet<&I::get_Items>("Items", 0)}};
  return info;
}

const InterfaceInfo& RepeatingScheduleResultTable() {
  using I = ITVRepeatingScheduleResult;
  static const InterfaceInfo info{I::kIID, "ITVRepeatingScheduleResult",
                                  "The outcome of saving a repeating schedule", nullptr,
                                  {PropGet<&I::get_Code>("Code", 201),
                                   PropGet<&I::get_Description>("Description", 202),
                                   PropGet<&I::get_Schedules>("Schedules", 203),
                                   PropGet<&I::get_Conflicts>("Conflicts", 204),
                                   PropGet<&I::get_ConflictTypes>("ConflictTypes", 205)}};
  return info;
}

const InterfaceInfo& PrioritizeResultTable() {
  using I = ITVRSPrioritizeResult;
  static const InterfaceInfo info{I::kIID, "ITVRSPrioritizeResult",
                                  "The save results of a re-prioritization", nullptr,
                                  {PropGet<&I::get_Count>("Count", 201),
                                   PropGet<&I::get_Items>("Items", 0)}};
  return info;
}

}  // namespace

std::vector<const InterfaceInfo*> SchedulingInterfaces() {
  return {&ScheduleTable(),          &ScheduleListTable(),
          &ScheduleResultTable(),    &SchedulerTable(),
          &RepeatingScheduleTable(), &RepeatingScheduleListTable(),
          &RepeatingScheduleResultTable(), &PrioritizeResultTable()};
}

}  // namespace kestro
