#include "host/rule_options.h"

#include <cmath>

#include "host/host_clock.h"
#include "kestro/interface_reads.h"
#include "kestro/tv_programs.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro::host {

const std::vector<std::string>& RuleFrequencies() {
  static const std::vector<std::string> days = {"mon", "tue", "wed",      "thu",      "fri",
                                                "sat", "sun", "week-day", "week-end", "every-day"};
  return days;
}

void CheckNewRuleOptions(const RuleOptions& o) {
  if (o.search && o.HasWindow())
    throw InputError("give --search or --start/--end/--frequency, not both");
  if (!o.search && (!o.channel || *o.channel < 1 || !o.start || !o.end || !o.frequency))
    throw InputError("give --search QUERY, or --channel, --start, --end and --frequency");
}

void ApplyRuleOptions(ITVRepeatingSchedule* rule, const RuleOptions& o) {
  const bool search_rule = Get(rule, &ITVRepeatingSchedule::get_RSType) == TV_RS_TYPE_SEARCH;
  if (search_rule && o.HasWindow())
    throw InputError("a search rule has no time window: --start, --end and --frequency apply to "
                     "time rules");
  if (!search_rule && o.search) throw InputError("--search applies to search rules");
  if (!search_rule && o.channel && *o.channel < 1)
    throw InputError("a time rule needs a --channel of 1 or more");
  if (o.search) CheckHResult(rule->put_SearchCriteria(*o.search));
  if (o.channel) CheckHResult(rule->put_ChannelID(*o.channel));
  if (o.start) CheckHResult(rule->put_StartTime(*o.start));
  if (o.end) CheckHResult(rule->put_EndTime(*o.end));
  if (o.frequency) CheckHResult(rule->put_Frequency(*o.frequency));
  if (o.title) CheckHResult(rule->put_Title(*o.title));
  if (o.folder) CheckHResult(rule->put_Folder(*o.folder));
  if (o.quality) CheckHResult(rule->put_Quality(*o.quality));
  if (o.duplicates) CheckHResult(rule->put_Duplicates(*o.duplicates));
  if (o.repeats) CheckHResult(rule->put_Repeats(*o.repeats));
  if (o.keep) CheckHResult(rule->put_KeepUntil(*o.keep));
  if (o.keep_at_most) CheckHResult(rule->put_KeepAtMost(*o.keep_at_most));
  if (o.before) CheckHResult(rule->put_HardPaddingBefore(*o.before));
  if (o.after) CheckHResult(rule->put_HardPaddingAfter(*o.after));
  if (o.soft_before) CheckHResult(rule->put_SoftPaddingBefore(*o.soft_before));
  if (o.soft_after) CheckHResult(rule->put_SoftPaddingAfter(*o.soft_after));
}

ComPtr<ITVRepeatingSchedule> NewRule(ITVScheduler* scheduler, const RuleOptions& o,
                                     const std::string& user, const std::string& channel_name) {
  ComPtr<ITVRepeatingSchedule> rule = GetObject(scheduler, &ITVScheduler::CreateRepeatingSchedule);
  CheckHResult(rule->put_RSType(o.search ? TV_RS_TYPE_SEARCH : TV_RS_TYPE_TIME));
  ApplyRuleOptions(rule.Get(), o);
  CheckHResult(rule->put_CreatedBy(user));
  if (!o.title) {
    CheckHResult(rule->put_Title(
        o.search ? OneLineQuery(*o.search)
                 : Format("%s %s %s-%s", channel_name.c_str(), o.frequency->c_str(),
                          FormatDateTime("hh:nn", *o.start).c_str(),
                          FormatDateTime("hh:nn", *o.end).c_str())));
  }
  return rule;
}

std::string OneLineQuery(const std::string& query) {
  std::vector<std::string> lines;
  for (const std::string& line : Split(query, '\n')) {
    std::string trimmed = Trim(line);
    if (!trimmed.empty()) lines.push_back(trimmed);
  }
  return Join(lines, " \\ ");
}

namespace {

void ApplyScheduleOptions(ITVSchedule* schedule, const ScheduleOptions& o) {
  CheckHResult(schedule->put_HardPaddingBefore(o.before));
  CheckHResult(schedule->put_HardPaddingAfter(o.after));
  CheckHResult(schedule->put_SoftPaddingBefore(o.soft_before));
  CheckHResult(schedule->put_SoftPaddingAfter(o.soft_after));
  CheckHResult(schedule->put_DeleteOnConflict(o.delete_on_conflict));
  CheckHResult(schedule->put_WakeUp(o.wake_up));
  CheckHResult(schedule->put_KeepUntil(o.keep));
  if (o.folder) CheckHResult(schedule->put_Folder(*o.folder));
  if (o.quality) CheckHResult(schedule->put_Quality(*o.quality));
  CheckHResult(schedule->put_CreatedBy(o.created_by));
}

std::string TimeText(OleDate value) { return FormatDateTime("yyyy-mm-dd hh:nn", value); }

void CheckTitle(const std::optional<std::string>& title) {
  if (title && Trim(*title).empty()) throw InputError("the title must not be empty");
}

// A window of a channel is recorded once: RecordingRefused naming the live schedule that has it.
void RefuseSecondWindow(ITVScheduler* scheduler, ITVChannel* channel, OleDate start, OleDate end) {
  const int32_t channel_id = Get(channel, &ITVChannel::get_ID);
  auto same = [](OleDate a, OleDate b) { return std::fabs(a - b) < kOneSecond / 2; };
  for (const ComPtr<ITVSchedule>& s :
       ListItems(GetObject(scheduler, &ITVScheduler::GetSchedules).Get())) {
    if (Get(s.Get(), &ITVSchedule::get_ChannelID) == channel_id &&
        Get(s.Get(), &ITVSchedule::get_ProgramID) <= 0 &&
        same(Get(s.Get(), &ITVSchedule::get_StartTime), start) &&
        same(Get(s.Get(), &ITVSchedule::get_EndTime), end)) {
      throw RecordingRefused(
          Format("This window of channel %d %s (id:%d) is already scheduled as #%d",
                 Get(channel, &ITVChannel::get_Number),
                 Get(channel, &ITVChannel::get_ShortName).c_str(), channel_id,
                 Get(s.Get(), &ITVSchedule::get_ID)));
    }
  }
}

}  // namespace

void RefuseWithoutTuners(ITVScheduler* scheduler, ITVListings* listings) {
  if (Get(scheduler, &ITVScheduler::get_TunerCount) > 0) return;
  const int32_t id = Get(listings, &ITVListings::get_ID);
  throw RecordingRefused(Format("Lineup %d has no tuners: no group of the tuner configuration "
                                "names it; \"kestro tuners set N --lineup %d\" assigns N tuners "
                                "to it",
                                id, id));
}

ComPtr<ITVSchedule> NewProgramSchedule(ITVScheduler* scheduler, ITVListings* listings,
                                       int32_t program_id, const ScheduleOptions& o) {
  RefuseWithoutTuners(scheduler, listings);
  CheckTitle(o.title);
  ComPtr<ITVProgram> program;
  CheckHResult(listings->FindProgramByID(program_id, program.ReleaseAndGetAddressOf()));
  if (!program) throw Exception(Format("No programme with id %d", program_id));
  const OleDate program_end = Get(program.Get(), &ITVProgram::get_EndTime);
  if (program_end <= NowLocal())
    throw RecordingRefused(
        Format("Programme %d ended at %s", program_id, TimeText(program_end).c_str()));
  ComPtr<ITVSchedule> schedule = GetObject(scheduler, &ITVScheduler::CreateSchedule);
  CheckHResult(schedule->put_ProgramID(program_id));
  CheckHResult(schedule->put_ChannelID(Get(program.Get(), &ITVProgram::get_ChannelID)));
  CheckHResult(schedule->put_Title(o.title.value_or(Get(program.Get(), &ITVProgram::get_Title))));
  // The reserved window includes the hard padding.
  CheckHResult(schedule->put_StartTime(Get(program.Get(), &ITVProgram::get_StartTime) -
                                       o.before * kOneSecond));
  CheckHResult(schedule->put_EndTime(program_end + o.after * kOneSecond));
  ApplyScheduleOptions(schedule.Get(), o);
  return schedule;
}

ComPtr<ITVSchedule> NewWindowSchedule(ITVScheduler* scheduler, ITVListings* listings,
                                      int32_t channel_id, OleDate start, OleDate end,
                                      const ScheduleOptions& o) {
  RefuseWithoutTuners(scheduler, listings);
  if (!o.title) throw InputError("a recording of a time window needs a title");
  CheckTitle(o.title);
  const std::string window = "The window " + TimeText(start) + " to " + TimeText(end);
  if (end <= start) throw InputError(window + " ends before it starts");
  if (end <= NowLocal()) throw RecordingRefused(window + " has already ended");
  if (end - start > 1 + kOneSecond && !o.force)
    throw InputError(window + " is longer than 24 hours; force it to record it");
  ComPtr<ITVChannel> found;
  CheckHResult(listings->FindChannelByID(channel_id, found.ReleaseAndGetAddressOf()));
  if (!found) throw Exception(Format("No channel with id %d", channel_id));
  const OleDate reserved_start = start - o.before * kOneSecond;
  const OleDate reserved_end = end + o.after * kOneSecond;
  RefuseSecondWindow(scheduler, found.Get(), reserved_start, reserved_end);
  ComPtr<ITVSchedule> schedule = GetObject(scheduler, &ITVScheduler::CreateSchedule);
  CheckHResult(schedule->put_ChannelID(channel_id));
  CheckHResult(schedule->put_Title(*o.title));
  CheckHResult(schedule->put_StartTime(reserved_start));
  CheckHResult(schedule->put_EndTime(reserved_end));
  ApplyScheduleOptions(schedule.Get(), o);
  return schedule;
}

bool RuleStored(TV_RS_SAVE_MODE mode, TV_ADD_SCHEDULE_RESULT code) {
  return code == TV_ADD_SCHEDULE_OK ||
         (code == TV_ADD_SCHEDULE_CONFLICT && (mode == TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE ||
                                               mode == TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE ||
                                               mode == TV_RS_SAVE_MODE_RECALCULATE));
}

}  // namespace kestro::host
