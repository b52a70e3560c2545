#include "recording/lineup_schedules.h"

#include <algorithm>
#include <cmath>

#include "kestro/interface_reads.h"
#include "kestro/tv_programs.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "recording/item_values.h"
#include "recording/recording_tags.h"

namespace kestro {
namespace {

constexpr const char* kSystem = "System";
constexpr int32_t kCheckVersionSeconds = 3;
constexpr int32_t kWakeUpLeadSeconds = 30;
constexpr int32_t kWarnLeadSeconds = 5 * 60;
// A schedule starting sooner than this after a load gets no warning.
constexpr int32_t kLatestWarnSeconds = 20;
// A schedule whose end is further back than this at a load was missed.
constexpr int32_t kMissedAfterSeconds = 60;
constexpr int32_t kDefaultBitrate = 5000;
constexpr uint32_t kMaxBitrate = 18000;

// The order of two moments as db times (to 2 seconds): <0, 0, >0.
int32_t CompareDb(OleDate a, OleDate b) {
  return DbTimeDiff(DateTimeToDbTime(a), DateTimeToDbTime(b));
}

int64_t MillisBetween(OleDate from, OleDate to) {
  return OleDateToMillis(to) - OleDateToMillis(from);
}

int32_t SecondsBetween(OleDate from, OleDate to) {
  return static_cast<int32_t>(std::llround(MillisBetween(from, to) / 1000.0));
}

// "hh:nn:ss" of a length of time.
std::string DurationText(int64_t ms) { return FormatDateTime("hh:nn:ss", MillisToOleDate(ms)); }

// The folder part of a file name, with its trailing "/"; "" when it has none.
std::string FolderOf(const std::string& file_name) {
  const size_t slash = file_name.rfind('/');
  return slash == std::string::npos ? std::string() : file_name.substr(0, slash + 1);
}

}  // namespace

TLineupSchedules::TLineupSchedules(EngineServices services, ComPtr<ITVLineup> lineup,
                                   std::unique_ptr<IRecordingHousekeeping> housekeeping)
    : services_(std::move(services)),
      log_(*services_.logger),
      lineup_(std::move(lineup)),
      housekeeping_(std::move(housekeeping)),
      timers_(services_.env, services_.owner) {
  lineup_name_ = Get(lineup_.Get(), &ITVLineup::get_Name);
  OpenListings();
  timers_.SetOnTimer([this](uint32_t, int32_t, const std::string& name, TDictionary& properties,
                            int32_t) { OnTimer(name, properties); });
  const int32_t tuner_count = Get(scheduler_.Get(), &ITVScheduler::get_TunerCount);
  if (tuner_count < 1) {
    log_.LogFmt("BAD : Lineup \"%s\" does not have a tuner", lineup_name_.c_str());
    return;
  }
  log_.LogFmt("STARTUP : Starting scheduler for lineup \"%s\" with %d tuner(s)",
              lineup_name_.c_str(), tuner_count);
  for (int32_t id = 1; id <= tuner_count; ++id) tuners_.push_back(TunerSchedule{id, {}, nullptr});
  // Armed before the first check, so that a first check that fails is tried again.
  ArmVersionCheck();
  CheckVersion();
}

void TLineupSchedules::ArmVersionCheck() {
  timers_.AddTimerIn(TTimerManager::kSeconds, kCheckVersionSeconds, 0, 0, "check-version",
                     nullptr, false);
}

TLineupSchedules::~TLineupSchedules() = default;

void TLineupSchedules::OpenListings() {
  listings_ = GetObject(lineup_.Get(), &ITVLineup::GetListings);
  if (!listings_) throw Exception("The lineup \"" + lineup_name_ + "\" has no listings");
  scheduler_ = GetObject(listings_.Get(), &ITVListings::GetScheduler);
  lineup_id_ = Get(listings_.Get(), &ITVListings::get_ID);
}

void TLineupSchedules::OnTimer(const std::string& name, IKestroItem& properties) {
  try {
    if (name == "check-version") CheckVersion();
    else if (name == "start-recording") StartRecording(properties);
    else if (name == "warn-recording") WarnRecording(properties);
    else if (name == "stop-recording") StopRecording(properties);
    else if (name == "wakeup-call") WakeUpTuners(properties);
  } catch (const std::exception& e) {
    log_.LogExceptionFmt(e, "Timer \"%s\" of lineup \"%s\"", name.c_str(), lineup_name_.c_str());
  }
}

// --- loading ---------------------------------------------------------------------------------

void TLineupSchedules::CheckVersion() {
  try {
    if (!scheduler_) throw Exception("Scheduler is nil");
    const int32_t version = Get(scheduler_.Get(), &ITVScheduler::get_ScheduleVersion);
    if (version == -1) throw Exception("New data version is -1");
    if (version != schedule_version_) {
      LoadSchedules();
      schedule_version_ = version;
    }
  } catch (const std::exception& e) {
    log_.LogFmt("BAD : Failed to check schedule version for lineup \"%s\" : %s",
                lineup_name_.c_str(), e.what());
    log_.Log("WARN : Re-opening listings DB");
    scheduler_ = nullptr;
    listings_ = nullptr;
    try {
      OpenListings();
    } catch (const std::exception&) {
      // The next check tries again.
    }
    schedule_version_ = -1;
    log_.Log("WARN : Listings DB re-opened");
  }
}

void TLineupSchedules::LoadSchedules() {
  log_.Log("LOAD : Loading schedules for lineup");
  timers_.ClearTimers();
  ArmVersionCheck();
  const OleDate now = services_.env->NowLocal();
  for (TunerSchedule& tuner : tuners_) {
    tuner.schedules = LoadTunerSchedules(tuner.tuner_id);
    SettleSoftPadding(tuner.schedules, now);
    DeleteElapsed(tuner.schedules, now);
  }
  time_of_next_recording_ = 0;
  for (TunerSchedule& tuner : tuners_) ArmTuner(tuner, now);
  PublishTimeOfNextRecording();
}

std::vector<ComPtr<TTVSchedule>> TLineupSchedules::LoadTunerSchedules(int32_t tuner_id) {
  ComPtr<ITVScheduleList> list;
  CheckHResult(scheduler_->GetSchedulesForTuner(tuner_id, list.ReleaseAndGetAddressOf()));
  std::vector<ComPtr<TTVSchedule>> schedules;
  if (!list) {
    log_.LogFmt("BAD : Failed to get schedules for tuner %d", tuner_id);
    return schedules;
  }
  for (const ComPtr<ITVSchedule>& schedule : ListItems(list.Get()))
    schedules.push_back(OwnSchedule(*schedule));
  return schedules;
}

void SettleSoftPadding(const std::vector<ComPtr<TTVSchedule>>& schedules, OleDate now) {
  for (size_t i = schedules.size(); i-- > 0;) {
    ScheduleFields& s = schedules[i]->fields();
    TTVSchedule* previous = i > 0 ? schedules[i - 1].Get() : nullptr;
    const OleDate gap_start = previous ? previous->fields().end_time : now;
    const int32_t gap =
        CompareDb(s.start_time, gap_start) > 0 ? SecondsBetween(gap_start, s.start_time) : 0;
    s.soft_padding_before = std::min(s.soft_padding_before, gap);
    if (previous) {
      ScheduleFields& p = previous->fields();
      p.soft_padding_after = std::min(p.soft_padding_after, gap);
      if (CompareDb(previous->SoftEndTime(), schedules[i]->SoftStartTime()) > 0) {
        const int32_t overlap =
            SecondsBetween(schedules[i]->SoftStartTime(), previous->SoftEndTime());
        s.soft_padding_before -= std::min(overlap, s.soft_padding_before);
      }
    }
    s.start_time = s.start_time - s.soft_padding_before * kOneSecond;
    s.end_time = s.end_time + s.soft_padding_after * kOneSecond;
    s.soft_padding_before = 0;
    s.soft_padding_after = 0;
  }
}

void TLineupSchedules::DeleteElapsed(std::vector<ComPtr<TTVSchedule>>& schedules, OleDate now) {
  const OleDate missed_before = now - kMissedAfterSeconds * kOneSecond;
  for (size_t i = schedules.size(); i-- > 0;) {
    TTVSchedule& s = *schedules[i];
    if (!s.ElapsedAt(now) || CompareDb(s.fields().end_time, missed_before) >= 0) continue;
    log_.LogFmt("ELAPSED : Deleting elapsed schedule with status \"%s\" : %s",
                s.fields().status.c_str(), DescribeSchedule(s).c_str());
    DeleteSchedule(s.fields().id, "Missed");
    schedules.erase(schedules.begin() + static_cast<ptrdiff_t>(i));
  }
}

void TLineupSchedules::ArmTuner(TunerSchedule& tuner, OleDate now) {
  if (tuner.schedules.empty()) {
    log_.LogFmt("IDLE : Nothing to record on tuner %d", tuner.tuner_id);
    ComPtr<IKestroItem> idle = NewItem();
    std::string caption;
    CheckHResult(services_.host->LookupText("Nothing to record", &caption));
    SetValue(*idle, "caption", caption);
    SetValue(*idle, "status", "NOTHING");
    PublishStatus(tuner.tuner_id, *idle);
    StopDeletedCurrent(tuner);
    return;
  }
  ComPtr<TTVSchedule> first = tuner.schedules.front();
  const ScheduleFields& s = first->fields();
  const OleDate start = CompareDb(s.start_time, now) > 0 ? s.start_time : now;
  ComPtr<IKestroItem> item = ScheduleItem(*first, start);
  ComPtr<IKestroItem> status = NewItem();
  CheckHResult(status->Assign(item.Get()));
  if (!tuner.current || tuner.current->fields().id != s.id) {
    timers_.AddTimerAt(0, "start-recording", start, item.Get(), s.wake_up);
    log_.Log("WAIT : Waiting to start recording : " + DescribeSchedule(*first));
    SetValue(*status, "status", "WAITING");
    PublishStatus(tuner.tuner_id, *status);
    const OleDate wake_at = start - kWakeUpLeadSeconds * kOneSecond;
    if (s.wake_up && CompareDb(now, wake_at) < 0)
      timers_.AddTimerAt(0, "wakeup-call", wake_at, item.Get(), true);
    if (CompareDb(now + kLatestWarnSeconds * kOneSecond, start) <= 0) {
      const OleDate warn_at = std::max<double>(now, start - kWarnLeadSeconds * kOneSecond);
      timers_.AddTimerAt(0, "warn-recording", warn_at, item.Get(), false);
    }
    if (time_of_next_recording_ != -1) {
      const int32_t packed = DateTimeToDbTime(start);
      if (time_of_next_recording_ == 0 || DbTimeDiff(packed, time_of_next_recording_) < 0)
        time_of_next_recording_ = packed;
    }
  } else {
    tuner.current = first;
    log_.Log("STATUS : Should be recording : " + DescribeSchedule(*first));
    time_of_next_recording_ = -1;
    SetValue(*status, "status", "RECORDING");
    PublishStatus(tuner.tuner_id, *status);
  }
  timers_.AddTimerAt(0, "stop-recording", s.end_time, item.Get(), s.wake_up);
  StopDeletedCurrent(tuner);
}

// The tuner's recording is no longer its first schedule: when it was deleted, it is stopped now.
// Either way the tuner no longer records it.
void TLineupSchedules::StopDeletedCurrent(TunerSchedule& tuner) {
  if (!tuner.current) return;
  if (!tuner.schedules.empty() && tuner.schedules.front()->fields().id == tuner.current->fields().id)
    return;
  TTVSchedule& current = *tuner.current;
  ComPtr<ITVSchedule> stored;
  CheckHResult(scheduler_->FindSchedule(current.fields().id, stored.ReleaseAndGetAddressOf()));
  const bool gone = !stored;
  if (gone || Get(stored.Get(), &ITVSchedule::get_IsDeleted)) {
    log_.Log((gone ? "DELETED : Current schedule has been PERMANENTLY deleted : "
                   : "DELETED : Current schedule has been deleted : ") +
             DescribeSchedule(current));
    ComPtr<IKestroItem> item = NewItem();
    SetScheduleValues(*item, current.fields(), current.fields().start_time);
    StopRecording(*item);
  }
  tuner.current = nullptr;
}

// --- timer handlers ----------------------------------------------------------------------------

void TLineupSchedules::StartRecording(IKestroItem& properties) {
  ComPtr<TTVSchedule> schedule = ScheduleOf(properties, "Start recording");
  if (!schedule) return;
  const int32_t id = schedule->fields().id;
  log_.Log("START : Start recording : " + DescribeSchedule(*schedule));
  if (!SetStatus(id, "START-REQUESTED"))
    log_.Log("BAD : Start recording : Failed to set START-REQUESTED status");
  Send("tv-tuner.start-recording", properties, schedule.Get());
}

void TLineupSchedules::WarnRecording(IKestroItem& properties) {
  ComPtr<TTVSchedule> schedule = ScheduleOf(properties, "Warn recording");
  if (!schedule) return;
  log_.Log("WARN : Warn recording : " + DescribeSchedule(*schedule));
  Send("tv-tuner.warn-recording", properties, schedule.Get());
}

void TLineupSchedules::StopRecording(IKestroItem& properties) {
  ComPtr<TTVSchedule> schedule = ScheduleOf(properties, "Stop recording");
  const int32_t id = IntValue(properties, "schedule-id", 0);
  if (schedule) {
    log_.Log("STOP : Stop recording : " + DescribeSchedule(*schedule));
    if (!SetStatus(id, "STOP-REQUESTED"))
      log_.Log("BAD : Stop recording : Failed to set STOP-REQUESTED status");
  }
  Send("tv-tuner.stop-recording", properties, schedule.Get());
  housekeeping_->ReleaseReservation(id);
}

void TLineupSchedules::WakeUpTuners(IKestroItem& properties) {
  log_.Log("WAKEUP : Waking up tuners");
  Send("tv-tuner.wake-up", properties, nullptr);
}

// --- the host's reports ------------------------------------------------------------------------

void TLineupSchedules::RecordingStarted(IKestroMessage& message) {
  ComPtr<TTVSchedule> schedule = ScheduleOf(message, "Recording started");
  if (!schedule) return;
  const int32_t id = schedule->fields().id;
  log_.Log("STARTED : Recording started : " + DescribeSchedule(*schedule));
  try {
    housekeeping_->KeepAtMost(*schedule);
  } catch (const std::exception& e) {
    log_.LogFmt("BAD : Problem with KAM : %s", e.what());
  }
  const ScheduleFields& f = schedule->fields();
  const std::string file_name = TextValue(message, "program-filename");
  int32_t minutes = IntValue(message, "duration-minutes", -1);
  if (minutes <= 0)
    minutes = static_cast<int32_t>(std::llround(MillisBetween(f.start_time, f.end_time) / 60000.0));
  int32_t bitrate = IntValue(message, "bitrate", kDefaultBitrate);
  if (bitrate == 0) bitrate = kDefaultBitrate;
  if (static_cast<uint32_t>(bitrate) > kMaxBitrate) bitrate = kMaxBitrate;
  try {
    housekeeping_->MakeRoom(FolderOf(file_name), minutes, bitrate, file_name, id);
  } catch (const std::exception& e) {
    log_.LogFmt("BAD : Problem making room : %s", e.what());
  }
  if (!SetStatus(id, "STARTED")) log_.Log("BAD : Recording started : Failed to set STARTED status");
  for (TunerSchedule& tuner : tuners_) {
    if (tuner.tuner_id != f.tuner_id) continue;
    log_.LogFmt("SET : Set current schedule for tuner %d", tuner.tuner_id);
    tuner.current = schedule;
    break;
  }
  housekeeping_->AddRecordingToLibrary(*schedule, &message);
  time_of_next_recording_ = -1;
  PublishTimeOfNextRecording();
  log_.Log(" ");
  ReportUsage(*schedule);
}

void TLineupSchedules::RecordingStartFailed(IKestroMessage& message) {
  ComPtr<TTVSchedule> schedule = ScheduleOf(message, "Recording start failed");
  if (!schedule) return;
  const int32_t id = schedule->fields().id;
  std::string reason = TextValue(message, "reason");
  if (reason.empty()) reason = "The tuner did not specify a reason";
  log_.LogFmt("START FAILED : Recording start failed : %s : %s", reason.c_str(),
              DescribeSchedule(*schedule).c_str());
  if (!SetStatus(id, "START-FAILED"))
    log_.Log("BAD : Recording start failed : Failed to set START-FAILED status");
  if (DeleteSchedule(id, "There was a problem starting the recording : " + reason)) {
    log_.Log("START FAILED : Recording start failed : schedule was deleted");
  } else {
    log_.Log("BAD : Recording start failed : unable to delete schedule");
  }
  CheckVersion();
}

void TLineupSchedules::RecordingFinished(IKestroMessage& message) {
  ComPtr<TTVSchedule> schedule = ScheduleOf(message, "Recording finished");
  if (!schedule) return;
  const int32_t id = schedule->fields().id;
  log_.LogFmt("FINISHED : Recording finished : %s", DescribeSchedule(*schedule).c_str());
  if (!SetStatus(id, "FINISHED"))
    log_.Log("BAD : Recording finished : Failed to set FINISHED status");
  log_.Log("");
  for (TunerSchedule& tuner : tuners_) {
    if (tuner.tuner_id != schedule->fields().tuner_id) continue;
    if (tuner.current && tuner.current->fields().id == id) {
      log_.LogFmt("CLEAR : Cleared current schedule for tuner %d", tuner.tuner_id);
      tuner.current = nullptr;
    }
    break;
  }
  CheckHResult(scheduler_->LogRecordedProgram(schedule->Program().Get()));
  DeleteSchedule(id, "Finished");
  ComPtr<IKestroMessage> finished;
  CheckHResult(services_.host->CreateMessage("tv-scheduler.event.recording-finished",
                                             finished.ReleaseAndGetAddressOf()));
  CheckHResult(finished->Assign(&message));
  CheckHResult(finished->Send());
  CheckVersion();
}

// --- helpers -----------------------------------------------------------------------------------

ComPtr<TTVSchedule> TLineupSchedules::ScheduleOf(IKestroItem& values, const char* handler) {
  const int32_t id = IntValue(values, "schedule-id", 0);
  ComPtr<TTVSchedule> schedule = FindSchedule(id);
  if (!schedule) log_.LogFmt("BAD : %s : schedule %d was not found", handler, id);
  return schedule;
}

ComPtr<TTVSchedule> TLineupSchedules::FindSchedule(int32_t schedule_id) {
  for (const TunerSchedule& tuner : tuners_) {
    if (tuner.current && tuner.current->fields().id == schedule_id) return tuner.current;
    for (const ComPtr<TTVSchedule>& s : tuner.schedules)
      if (s->fields().id == schedule_id) return s;
  }
  if (!scheduler_) return nullptr;
  ComPtr<ITVSchedule> stored;
  CheckHResult(scheduler_->FindSchedule(schedule_id, stored.ReleaseAndGetAddressOf()));
  return stored ? OwnSchedule(*stored) : nullptr;
}

bool TLineupSchedules::SetStatus(int32_t schedule_id, const char* status) {
  bool ok = false;
  return scheduler_ && Succeeded(scheduler_->SetScheduleStatus(schedule_id, status, &ok)) && ok;
}

bool TLineupSchedules::DeleteSchedule(int32_t schedule_id, const std::string& reason) {
  bool ok = false;
  return scheduler_ && Succeeded(scheduler_->DeleteSchedule(schedule_id, kSystem, reason, &ok)) &&
         ok;
}

ComPtr<IKestroItem> TLineupSchedules::NewItem() {
  ComPtr<IKestroItem> item;
  CheckHResult(services_.host->CreateItem(item.ReleaseAndGetAddressOf()));
  if (!item) throw Exception("The host made no item");
  return item;
}

void TLineupSchedules::SetScheduleValues(IKestroItem& item, const ScheduleFields& f,
                                         OleDate start) {
  const int64_t length_ms = MillisBetween(start, f.end_time);
  SetValue(item, "schedule-id", f.id);
  SetValue(item, "tuner-id", f.tuner_id);
  SetValue(item, "lineup-id", lineup_id_);
  SetValue(item, "channel-id", f.channel_id);
  SetValue(item, "program-id", f.program_id);
  SetValue(item, "caption", f.title);
  SetValue(item, "duration", length_ms / 1000.0);
  SetValue(item, "duration-text", DurationText(length_ms));
  SetValue(item, "start-time", Variant::Date(start));
  SetValue(item, "end-time", Variant::Date(f.end_time));
}

ComPtr<IKestroItem> TLineupSchedules::ScheduleItem(TTVSchedule& schedule, OleDate start) {
  const ScheduleFields& f = schedule.fields();
  ComPtr<IKestroItem> item = NewItem();
  IKestroItem& i = *item;
  SetScheduleValues(i, f, start);
  SetValue(i, "program-filename", BuildRecordingFileName(schedule));
  SetValue(i, "duration-minutes",
           static_cast<int32_t>(std::llround(MillisBetween(start, f.end_time) / 60000.0)));
  SetValue(i, "quality", f.quality);
  if (ComPtr<TTVChannel> channel = schedule.Channel()) {
    SetValue(i, "tuner-channel", channel->fields().number);
    SetValue(i, "channel-number", channel->fields().number);
    SetValue(i, "channel-frequency", channel->fields().frequency);
    // What a stream source finds the channel by.
    SetValue(i, "channel-name", channel->fields().short_name);
    SetValue(i, "channel-external-id", channel->fields().external_id);
  }
  const RecordingTags tags =
      BuildRecordingTags(schedule, item.Get(), "tag:", services_.env->NowLocal());
  CheckHResult(i.Assign(tags.tags.Get()));
  return item;
}

void TLineupSchedules::PublishStatus(int32_t tuner_id, IKestroItem& item) {
  CheckHResult(services_.host->SetRuntimeProperty(
      Format("tv.recording-status.tuner-%d", tuner_id), &item));
}

void TLineupSchedules::Send(const char* subject, IKestroItem& values, TTVSchedule* data_of) {
  ComPtr<IKestroMessage> message;
  CheckHResult(services_.host->CreateMessage(subject, message.ReleaseAndGetAddressOf()));
  CheckHResult(message->Assign(&values));
  if (data_of) {
    ForEachItemValue(&data_of->data(), [&](const std::string& name, const Variant& value) {
      bool present = false;
      CheckHResult(message->HasValue(name, &present));
      if (!present) SetValue(*message, name, value);
    });
  }
  CheckHResult(message->Send());
}

void TLineupSchedules::PublishTimeOfNextRecording() {
  ComPtr<IKestroMessage> message;
  CheckHResult(services_.host->CreateMessage("tv-scheduler.event.time-of-next-recording-updated",
                                             message.ReleaseAndGetAddressOf()));
  SetValue(*message, "time-of-next-recording", time_of_next_recording_);
  CheckHResult(message->Send());
}

// The usage event "rtv" with the channel's and the programme's keys; failures are dropped.
void TLineupSchedules::ReportUsage(TTVSchedule& schedule) noexcept {
  try {
    ComPtr<TTableTVProgram> program = schedule.Program();
    if (!program) return;
    ComPtr<ITVChannel> channel = GetObject(program.Get(), &ITVProgram::get_Channel);
    if (!channel) return;
    ComPtr<IKestroInstrumentation> instrumentation =
        services_.host.As<IKestroInstrumentation>();
    if (!instrumentation) return;
    ComPtr<IKestroItem> pairs = NewItem();
    SetValue(*pairs, "cid", Get(channel.Get(), &ITVChannel::get_ExternalID));
    SetValue(*pairs, "pid", Get(program.Get(), &ITVProgram::get_EqualityKey));
    instrumentation->RecordEvent("rtv", pairs.Get());
  } catch (const std::exception&) {
  }
}

}  // namespace kestro
