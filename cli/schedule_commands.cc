// kestro record and kestro schedule: single recordings on a lineup's tuners.
#include <cmath>

#include "cli/output.h"
#include "cli/session.h"
#include "cli/time_arg.h"
#include "host/host_clock.h"
#include "host/rule_options.h"
#include "kestro/tv_programs.h"
#include "kestro/tv_schedules.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"

namespace kestro::cli {

namespace {

std::string ChannelText(ITVSchedule* s) {
  ComPtr<ITVChannel> channel;
  CheckHResult(s->GetChannel(channel.ReleaseAndGetAddressOf()));
  if (!channel) return std::to_string(Get(s, &ITVSchedule::get_ChannelID));
  return Format("%d %s", Get(channel.Get(), &ITVChannel::get_Number),
                Get(channel.Get(), &ITVChannel::get_ShortName).c_str());
}

void PrintSchedules(std::ostream& out, const std::vector<ComPtr<ITVSchedule>>& schedules,
                    OutputFormat format) {
  TableOutput table(
      {Number("id"), Number("tuner"), "start", "end", "title", "channel", "status", "padding"});
  for (const auto& s : schedules) {
    // Hard padding is inside start..end; soft padding lies outside it.
    std::string padding = Format(
        "hard %d/%d soft %d/%d", Get(s.Get(), &ITVSchedule::get_HardPaddingBefore),
        Get(s.Get(), &ITVSchedule::get_HardPaddingAfter),
        Get(s.Get(), &ITVSchedule::get_SoftPaddingBefore),
        Get(s.Get(), &ITVSchedule::get_SoftPaddingAfter));
    std::string status = Get(s.Get(), &ITVSchedule::get_Status);
    if (Get(s.Get(), &ITVSchedule::get_IsDeleted)) {
      std::string by = Get(s.Get(), &ITVSchedule::get_DeletedBy);
      std::string reason = Get(s.Get(), &ITVSchedule::get_Reason);
      status = "deleted" + (by.empty() ? std::string() : " by " + by) +
               (reason.empty() ? std::string() : ": " + reason);
    }
    table.AddRow({std::to_string(Get(s.Get(), &ITVSchedule::get_ID)),
                  std::to_string(Get(s.Get(), &ITVSchedule::get_TunerID)),
                  FormatTime(Get(s.Get(), &ITVSchedule::get_StartTime)),
                  FormatTime(Get(s.Get(), &ITVSchedule::get_EndTime)),
                  Get(s.Get(), &ITVSchedule::get_Title), ChannelText(s.Get()), status, padding});
  }
  table.Print(out, format);
}

int32_t Seconds(const ArgParser& args, const char* name) {
  return args.IntValue(name, 0, 24 * 3600).value_or(0);
}

// The window of `record --start --end`. A time of day without a date is today's; an end before
// its start is on the next day; a window of times of day that is over already is tomorrow's.
std::pair<OleDate, OleDate> RecordWindow(const ArgParser& args) {
  bool start_time_of_day = false, end_time_of_day = false;
  OleDate start = ParseTimeArgument(*args.Value("start"), "start", &start_time_of_day);
  OleDate end = ParseTimeArgument(*args.Value("end"), "end", &end_time_of_day);
  if (end_time_of_day && end <= start) end += std::ceil(start - end + kOneSecond);
  if (start_time_of_day && end_time_of_day && end <= host::NowLocal()) {
    start += 1;
    end += 1;
  }
  return {start, end};
}

int RunRecord(CommandContext& ctx) {
  ArgParser args(ctx.args,
                 {"before", "after", "soft-before", "soft-after", "keep", "folder", "quality",
                  "channel", "start", "end", "title"},
                 {"delete-on-conflict", "no-wake", "force"});
  args.ExpectAtMost(2);
  std::optional<std::string> keep = args.Choice("keep", {"space-needed", "until-deleted"});
  const bool program = args.Positionals().size() == 2;
  if (program && (args.Value("channel") || args.Value("start") || args.Value("end")))
    throw UsageError("give a PROGRAM-ID or --channel/--start/--end, not both");
  if (!program && (!args.Value("channel") || !args.Value("start") || !args.Value("end") ||
                   !args.Value("title")))
    throw UsageError("give a PROGRAM-ID, or --channel, --start, --end and --title");
  int32_t program_id = 0;
  if (program && !TryStrToInt(args.Positionals()[1], &program_id))
    throw UsageError("PROGRAM-ID is a number");
  const std::pair<OleDate, OleDate> window = program ? std::pair<OleDate, OleDate>{} : RecordWindow(args);

  Session session(ctx);
  ComPtr<ITVLineup> lineup = session.FindLineup(args.Positional(0, "LINEUP"));
  ComPtr<ITVListings> listings = session.OpenListings(lineup.Get());
  ComPtr<ITVScheduler> scheduler = GetObject(listings.Get(), &ITVListings::GetScheduler);
  // Before the channel is looked up: a lineup without tuners says so first.
  host::RefuseWithoutTuners(scheduler.Get(), listings.Get());
  host::ScheduleOptions options;
  options.before = Seconds(args, "before");
  options.after = Seconds(args, "after");
  options.soft_before = Seconds(args, "soft-before");
  options.soft_after = Seconds(args, "soft-after");
  options.delete_on_conflict = args.Flag("delete-on-conflict");
  options.wake_up = !args.Flag("no-wake");
  options.keep = keep == "until-deleted" ? TV_KEEP_UNTIL_DELETED : TV_KEEP_UNTIL_SPACE_NEEDED;
  options.folder = args.Value("folder");
  options.quality = args.Value("quality");
  options.title = args.Value("title");
  options.force = args.Flag("force");
  ComPtr<ITVSchedule> schedule;
  if (program) {  // a programme of the guide
    schedule = host::NewProgramSchedule(scheduler.Get(), listings.Get(), program_id, options);
  } else {  // a bare time window on a channel
    ComPtr<ITVChannel> channel =
        FindChannelArgument(listings.Get(), *args.Value("channel"), "--channel");
    schedule = host::NewWindowSchedule(scheduler.Get(), listings.Get(),
                                       Get(channel.Get(), &ITVChannel::get_ID), window.first,
                                       window.second, options);
  }

  ComPtr<ITVScheduleResult> result;
  CheckHResult(scheduler->AddSchedule(schedule.Get(), result.ReleaseAndGetAddressOf()));
  if (Get(result.Get(), &ITVScheduleResult::get_Code) == TV_ADD_SCHEDULE_OK) {
    ctx.out << "Schedule " << Get(schedule.Get(), &ITVSchedule::get_ID) << " on tuner "
            << Get(schedule.Get(), &ITVSchedule::get_TunerID) << "\n";
    return kExitOk;
  }
  ctx.err << "Not scheduled: " << Get(result.Get(), &ITVScheduleResult::get_Description) << "\n";
  std::vector<ComPtr<ITVSchedule>> conflicts =
      ListItems(GetObject(result.Get(), &ITVScheduleResult::get_Conflicts).Get());
  if (!conflicts.empty()) {
    ctx.err << "Conflicts with:\n";
    PrintSchedules(ctx.err, conflicts, OutputFormat::kTable);
  }
  return kExitFailed;
}

int RunScheduleList(CommandContext& ctx) {
  ArgParser args(ctx.args, {"tuner", "format"}, {"deleted", "lost"});
  args.ExpectAtMost(1);
  OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  std::optional<int32_t> tuner = args.IntValue("tuner", 1, 1 << 30);
  if (args.Flag("deleted") + args.Flag("lost") + tuner.has_value() > 1)
    throw UsageError("give at most one of --deleted, --lost and --tuner");
  Session session(ctx);
  ComPtr<ITVLineup> lineup = session.FindLineup(args.Positional(0, "LINEUP"));
  ComPtr<ITVListings> listings = session.OpenListings(lineup.Get());
  ComPtr<ITVScheduler> scheduler = GetObject(listings.Get(), &ITVListings::GetScheduler);
  ComPtr<ITVScheduleList> list;
  if (args.Flag("deleted"))
    CheckHResult(scheduler->GetDeletedSchedules(list.ReleaseAndGetAddressOf()));
  else if (args.Flag("lost"))
    CheckHResult(scheduler->GetLostSchedules(list.ReleaseAndGetAddressOf()));
  else if (tuner)
    CheckHResult(scheduler->GetSchedulesForTuner(*tuner, list.ReleaseAndGetAddressOf()));
  else
    CheckHResult(scheduler->GetSchedules(list.ReleaseAndGetAddressOf()));
  PrintSchedules(ctx.out, ListItems(list.Get()), format);
  return kExitOk;
}

int RunScheduleDelete(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {"purge"});
  args.ExpectAtMost(2);
  int32_t id = 0;
  if (!TryStrToInt(args.Positional(1, "SCHEDULE-ID"), &id) || id <= 0)
    throw UsageError("SCHEDULE-ID is a number");
  Session session(ctx);
  ComPtr<ITVLineup> lineup = session.FindLineup(args.Positional(0, "LINEUP"));
  ComPtr<ITVListings> listings = session.OpenListings(lineup.Get());
  ComPtr<ITVScheduler> scheduler = GetObject(listings.Get(), &ITVListings::GetScheduler);
  ComPtr<ITVSchedule> found;
  CheckHResult(scheduler->FindSchedule(id, found.ReleaseAndGetAddressOf()));
  if (!found) throw Exception(Format("No schedule with id %d", id));
  bool deleted = false;
  CheckHResult(scheduler->DeleteSchedule(id, "USER", args.Flag("purge") ? kPurgeScheduleReason : "",
                                         &deleted));
  if (!deleted) throw Exception(Format("Schedule %d could not be deleted", id));
  return kExitOk;
}

}  // namespace

std::vector<Command> ScheduleCommands() {
  const std::string options =
      "  --before S / --after S             hard padding in seconds, inside the reserved window\n"
      "  --soft-before S / --soft-after S   soft padding in seconds, never counted in conflicts\n"
      "  --delete-on-conflict               a later recording may take this one's tuner\n"
      "  --no-wake                          do not wake the machine for it\n"
      "  --keep space-needed|until-deleted  how long the recording is kept\n"
      "  --folder F / --quality Q           where and how to record\n";
  return {
      {"record",
       "kestro record LINEUP PROGRAM-ID [OPTIONS] | kestro record LINEUP --channel CHANNEL "
       "--start TIME --end TIME --title TITLE [--force] [OPTIONS]",
       "record a programme, or a time window on a channel; prints the schedule and its tuner",
       options +
           "  --channel CHANNEL                  the channel number the guide shows, or id:N\n"
           "  --start TIME / --end TIME          the window: HH:MM is today (an end before the\n"
           "                                     start is the next day; a window over already\n"
           "                                     is tomorrow's), or \"YYYY-MM-DD HH:MM\", or now+1h\n"
           "  --force                            record a window longer than 24 hours\n"
           "When the recording is refused, the reason and the conflicting schedules are "
           "printed and the exit code is 1.\n",
       RunRecord},
      {"schedule list", "kestro schedule list LINEUP [--deleted | --lost | --tuner N] [--format F]",
       "the recordings of a lineup (or the deleted or lost ones, or one tuner's)", "",
       RunScheduleList},
      {"schedule delete", "kestro schedule delete LINEUP SCHEDULE-ID [--purge]",
       "delete a recording (marked deleted, or removed altogether with --purge)", "",
       RunScheduleDelete},
  };
}

}  // namespace kestro::cli
