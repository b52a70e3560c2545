// kestro status: what each tuner of each lineup records now or next, the next recording and
// whether kestrod runs. It reads the schedules itself, so it works without the daemon; what is
// being recorded comes from the daemon's status file.
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "cli/output.h"
#include "cli/session.h"
#include "cli/time_arg.h"
#include "host/daemon_files.h"
#include "host/host_clock.h"
#include "kestro/tv_schedules.h"
#include "platform/system/registry_file.h"
#include "platform/system/tv_registry.h"
#include "platform/text/text.h"

namespace kestro::cli {

namespace {

struct Next {
  OleDate start = 0;
  std::string text;  // "2024-05-01 20:00 (lineup 1, tuner 2: News)"
};

std::string SizeText(const std::string& file) {
  std::error_code ec;
  const uintmax_t bytes = std::filesystem::file_size(file, ec);
  if (ec) return "missing";
  return Format("%.1f MB", static_cast<double>(bytes) / 1e6);
}

std::string ProgressText(OleDate start, OleDate end, OleDate now) {
  if (end <= start) return "";
  const double done = std::clamp((now - start) / (end - start), 0.0, 1.0);
  return Format("%d%%", static_cast<int>(done * 100));
}

// One row per tuner of the lineup; updates `next` with the lineup's earliest waiting start.
void AddLineupRows(Session& session, ITVLineup* lineup, const host::DaemonStatus* daemon,
                   OleDate now, TableOutput& table, Next& next) {
  const int32_t lineup_id = Get(lineup, &ITVLineup::get_ID);
  ComPtr<ITVListings> listings = session.OpenListings(lineup);
  ComPtr<ITVScheduler> scheduler = GetObject(listings.Get(), &ITVListings::GetScheduler);
  const int32_t tuners = Get(scheduler.Get(), &ITVScheduler::get_TunerCount);
  for (int32_t tuner = 1; tuner <= tuners; ++tuner) {
    const host::RecordingRequest* recording = nullptr;
    if (daemon) {
      for (const host::RecordingRequest& r : daemon->recordings)
        if (r.lineup_id == lineup_id && r.tuner_id == tuner) recording = &r;
    }
    ComPtr<ITVScheduleList> list;
    CheckHResult(scheduler->GetSchedulesForTuner(tuner, list.ReleaseAndGetAddressOf()));
    ComPtr<ITVSchedule> first;  // the first schedule not under way on the tuner
    for (const ComPtr<ITVSchedule>& s : ListItems(list.Get())) {
      if (Get(s.Get(), &ITVSchedule::get_EndTime) <= now) continue;
      if (recording && Get(s.Get(), &ITVSchedule::get_ID) == recording->schedule_id) continue;
      first = s;
      break;
    }
    const std::string lineup_text = std::to_string(lineup_id), tuner_text = std::to_string(tuner);
    if (recording) {
      table.AddRow({lineup_text, tuner_text, "recording", recording->caption,
                    FormatTime(recording->start_time), FormatTime(recording->end_time),
                    ProgressText(recording->start_time, recording->end_time, now), recording->file,
                    SizeText(recording->file)});
    } else if (first) {
      const OleDate start = Get(first.Get(), &ITVSchedule::get_StartTime);
      table.AddRow({lineup_text, tuner_text,
                    start > now ? "waiting" : daemon ? "starting" : "not recording",
                    Get(first.Get(), &ITVSchedule::get_Title), FormatTime(start),
                    FormatTime(Get(first.Get(), &ITVSchedule::get_EndTime)), "", "", ""});
    } else {
      table.AddRow({lineup_text, tuner_text, "idle", "", "", "", "", "", ""});
    }
    if (!first) continue;
    const OleDate start = Get(first.Get(), &ITVSchedule::get_StartTime);
    if (start > now && (next.start == 0 || start < next.start)) {
      next.start = start;
      next.text = Format("%s (lineup %d, tuner %d: %s)", FormatTime(start).c_str(), lineup_id,
                         tuner, Get(first.Get(), &ITVSchedule::get_Title).c_str());
    }
  }
}

int RunStatus(CommandContext& ctx) {
  ArgParser args(ctx.args, {"format"}, {});
  args.ExpectAtMost(0);
  const OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  const ModuleConfig config = SetUpConfig(ctx.registry_path);

  const std::optional<pid_t> pid =
      host::InstanceLock::Holder(host::DaemonLockFile(config.root_dir));
  std::optional<host::DaemonStatus> daemon;
  if (pid) {
    try {
      daemon = host::ReadDaemonStatus(host::DaemonStatusFile(config.root_dir));
    } catch (const std::exception& e) {
      ctx.err << "kestro status: " << e.what() << "\n";  // the schedules still tell the rest
    }
  }

  Session session(ctx);
  const OleDate now = host::NowLocal();
  TableOutput table({Number("lineup"), Number("tuner"), "state", "title", "start", "end",
                     "progress", "file", "size"});
  Next next;
  for (const ComPtr<ITVLineup>& lineup : ListItems(session.Lineups()))
    AddLineupRows(session, lineup.Get(), daemon ? &*daemon : nullptr, now, table, next);

  const std::string daemon_text =
      pid ? Format("running (process %d)", static_cast<int>(*pid)) : "not running";
  switch (format) {
    case OutputFormat::kJson: {
      std::ostringstream rows;
      table.Print(rows, OutputFormat::kJson);
      const nlohmann::json next_start =
          next.start == 0 ? nlohmann::json() : nlohmann::json(FormatTime(next.start));
      nlohmann::json document = {
          {"daemon", {{"running", pid.has_value()}, {"pid", pid.value_or(0)}}},
          {"next_recording", next_start},
          {"tuners", nlohmann::json::parse(rows.str())}};
      ctx.out << document.dump(2) << "\n";
      break;
    }
    case OutputFormat::kTable:
      ctx.out << "kestrod         " << daemon_text << "\n"
              << "Next recording  " << (next.start == 0 ? "none" : next.text) << "\n\n";
      [[fallthrough]];
    case OutputFormat::kTsv:
      table.Print(ctx.out, format);
      break;
  }
  return kExitOk;
}

}  // namespace

std::vector<Command> StatusCommands() {
  return {{"status", "kestro status [--format table|tsv|json]",
           "what each tuner records now (progress and file) or next, and whether kestrod runs",
           "Works without kestrod too: then from the schedules alone.\n", RunStatus}};
}

}  // namespace kestro::cli
