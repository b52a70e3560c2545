#include "recording/schedule_manager.h"

#include "kestro/interface_reads.h"
#include "platform/exception.h"
#include "platform/system/paths.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "recording/housekeeping.h"
#include "recording/item_values.h"
#include "support/file_logger.h"
#include "support/host_log.h"

namespace kestro {
namespace {

constexpr const char* kNotifications = "tv-scheduler.notify.*";
constexpr const char* kTimeOfNextRecordingUpdated =
    "tv-scheduler.event.time-of-next-recording-updated";

struct SettingInfo {
  const char* name;
  const char* caption;
  const char* type;
  Variant default_value;
  const char* help;
};

const SettingInfo kSettings[] = {
    {"make-space", "Delete recordings", "bool", Variant(true),
     "If you check this property, the system will automatically delete old recordings to make "
     "room for new ones as necessary.This will only affect recordings marked as \"Keep until "
     "space needed\". If you leave this property unchecked, you will need to manually monitor "
     "the space available for new recordings."},
    {"min-free-space", "Minimum free space (GB)", "int", Variant(2),
     "Enter the minimum free space to leave in recording drives in Gigabytes. If free space "
     "falls below this value and \"Delete recordings\" is checked, the system will delete old "
     "recordings to make space available for new ones."},
    {"service-mode", "Run in service", "bool", Variant(false),
     "If checked and the application service is enabled in the general settings, this plugin "
     "will run in the background in a secondary process and will continue to run even if the "
     "main application is closed."},
};

bool Matches(IKestroMessage& message, const char* pattern) {
  bool result = false;
  CheckHResult(message.Matches(pattern, &result));
  return result;
}

}  // namespace

TTVScheduleManager::TTVScheduleManager(ImportServices services, ScheduleManagerOptions options)
    : services_(std::move(services)),
      options_(std::move(options)),
      runtime_props_(options_.runtime_props) {
  runtime_props_.SetValue(kTimeOfNextRecordingSlot, 0);
}

TTVScheduleManager::~TTVScheduleManager() {
  engines_.clear();
  try {
    runtime_props_.SetValue(kTimeOfNextRecordingSlot, 0);
  } catch (const std::exception&) {
    // The block may be gone from under us; there is no one left to tell.
  }
}

// --- IKestroPlugin -----------------------------------------------------------------------------

HRESULT TTVScheduleManager::OnMessage(IKestroSystem* system, IKestroMessage* message,
                                      bool* handled) {
  if (!handled) return E_POINTER;
  *handled = true;
  return Frame([&] {
    if (!system || !message) throw Exception("A message without its host or body");
    HandleMessage(*system, *message);
  });
}

HRESULT TTVScheduleManager::DescribeSetting(int32_t index, IKestroItem* descriptor, bool* ok) {
  return FrameValue(ok, [&] {
    if (!descriptor) throw Exception("No setting descriptor to fill");
    return Describe(index, *descriptor);
  });
}

HRESULT TTVScheduleManager::ApplySettings(IKestroItem* settings, std::string* error, bool* ok) {
  if (!error) return E_POINTER;
  error->clear();
  return FrameValue(ok, [&] {
    if (settings) Apply(*settings);
    return true;
  });
}

HRESULT TTVScheduleManager::IsAvailable(bool* result) {
  return FrameValue(result, [] { return true; });
}

// --- settings ----------------------------------------------------------------------------------

bool TTVScheduleManager::Describe(int32_t index, IKestroItem& descriptor) const {
  if (index < 1 || index > static_cast<int32_t>(std::size(kSettings))) return false;
  const SettingInfo& setting = kSettings[index - 1];
  SetValue(descriptor, "name", setting.name);
  SetValue(descriptor, "caption", setting.caption);
  SetValue(descriptor, "type", setting.type);
  SetValue(descriptor, "help", setting.help);
  SetValue(descriptor, "default", setting.default_value);
  if (index == 2) SetValue(descriptor, "flag", true);
  return true;
}

void TTVScheduleManager::Apply(IKestroItem& settings) {
  Variant make_space, min_free_space;
  CheckHResult(settings.GetValue("make-space", Variant(true), &make_space));
  CheckHResult(settings.GetValue("min-free-space", Variant(2), &min_free_space));
  make_space_ = make_space.ToBool();
  min_free_space_gb_ = std::max(0, min_free_space.ToInt32());
}

// --- messages ----------------------------------------------------------------------------------

void TTVScheduleManager::HandleMessage(IKestroSystem& system, IKestroMessage& message) {
  bool shutdown = false;
  CheckHResult(message.IsShutdown(&shutdown));
  if (Matches(message, "plugin.system-loaded")) {
    Start(system);
  } else if (shutdown) {
    Shutdown();
  } else if (Matches(message, kNotifications)) {
    RouteNotification(message);
  } else if (Matches(message, kTimeOfNextRecordingUpdated)) {
    UpdateTimeOfNextRecording();
  }
}

void TTVScheduleManager::Start(IKestroSystem& system) {
  host_ = ComPtr<IKestroSystem>(&system);
  OpenLog();
  ComPtr<ITVLineups> lineups;
  try {
    lineups = MakeObject<TTVLineups>(services_,
                                     options_.lineups.value_or(LineupLocations::FromConfig()));
  } catch (const std::exception& e) {
    CheckHResult(host_->ShowStatus("Failed to create KestroTV system object"));
    logger_->Log("Failed to create KestroTV system object");
    logger_->LogException(e, "Opening the lineups");
    return;
  }
  CheckHResult(host_->Subscribe(kNotifications, this));
  CheckHResult(host_->Subscribe(kTimeOfNextRecordingUpdated, this));
  StartEngines(*lineups);
  UpdateTimeOfNextRecording();
  CheckHResult(host_->ShowStatus("KestroTV Schedule Manager ready"));
}

// "tv.log" in the host's "logs" folder, and the host's log.
void TTVScheduleManager::OpenLog() {
  std::string folder;
  CheckHResult(host_->GetFolder("logs", &folder));
  const std::string file_name = WithTrailingDelimiter(folder) + "tv.log";
  auto file = std::make_shared<TBufferedFileLogger>(services_.env, file_name, 1, 0);
  file->SetAutoFlush();
  file->SetName("SMAN");
  ComPtr<IKestroLog> host_log;
  CheckHResult(host_->GetLog(1, host_log.ReleaseAndGetAddressOf()));
  logger_ = std::make_shared<TMultiLogger>(std::vector<std::shared_ptr<ILogger>>{
      file, std::make_shared<TMLLogger>(std::move(host_log))});
  CheckHResult(host_->ShowStatus("KestroTV Schedule Manager starting"));
  CheckHResult(host_->ShowStatus("Logging to " + file_name));
  logger_->Log(" ");
  logger_->Log("TV SCHEDULER MANAGER STARTING **************************");
  logger_->Log(" ");
}

void TTVScheduleManager::StartEngines(ITVLineups& lineups) {
  MessageLoop* loop = MessageLoop::Current();
  if (!loop) throw Exception("The schedule manager needs the message loop of its thread");
  const EngineServices services{host_, logger_, services_.env, loop->Runner()};
  const HousekeepingSetup housekeeping{host_, logger_, services_.env,
                                       std::make_shared<TReservations>(), make_space_,
                                       min_free_space_gb_ * kBytesPerGB};
  const std::vector<ComPtr<ITVLineup>> all = ListItems(&lineups);
  if (all.empty()) logger_->Log("There are no lineups");
  for (const ComPtr<ITVLineup>& lineup : all) {
    // A lineup whose guide cannot be opened is left out; the others record.
    try {
      engines_.push_back(std::make_unique<TLineupSchedules>(
          services, lineup, NewRecordingHousekeeping(housekeeping)));
    } catch (const std::exception& e) {
      logger_->LogFmt("BAD : Failed to start the scheduler for lineup %d : %s",
                      Get(lineup.Get(), &ITVLineup::get_ID), e.what());
    }
  }
}

void TTVScheduleManager::Shutdown() {
  if (logger_) {
    logger_->Log("SHUTDOWN : Shutting down");
    logger_->WriteSeparator('-');
    logger_->Flush();
  }
  engines_.clear();
  time_of_next_recording_ = 0;
  runtime_props_.SetValue(kTimeOfNextRecordingSlot, 0);
  // The host keeps its subscribers; without this the two would keep each other alive.
  host_ = nullptr;
}

void TTVScheduleManager::RouteNotification(IKestroMessage& message) {
  // A manager that never started has no log; it has no engines either.
  if (!logger_) return;
  try {
    // "subject : name = value , name = value ..."
    std::string text;
    CheckHResult(message.get_Subject(&text));
    const char* separator = " : ";
    ForEachItemValue(&message, [&](const std::string& name, const Variant& value) {
      text += separator + name + " = " +
              (value.IsInterface() || value.IsArray() ? "(object)" : VarToStr(value));
      separator = " , ";
    });
    logger_->LogFmt("MESSAGE : Scheduler notification : %s", text.c_str());
    if (!engines_.empty()) {
      const int32_t lineup_id = IntValue(message, "lineup-id", -1);
      TLineupSchedules* engine = nullptr;
      for (const auto& e : engines_)
        if (!engine && e->LineupID() == lineup_id) engine = e.get();
      std::string subject;
      CheckHResult(message.get_Subject(&subject));
      if (lineup_id == -1) {
        logger_->Log("Scheduler notification : lineup id is missing or invalid");
      } else if (!engine) {
        logger_->LogFmt("Scheduler notification : message is for unknown lineup id %d", lineup_id);
      } else if (SameText(subject, "tv-scheduler.notify.recording-started")) {
        engine->RecordingStarted(message);
      } else if (SameText(subject, "tv-scheduler.notify.recording-start-failed")) {
        engine->RecordingStartFailed(message);
      } else if (SameText(subject, "tv-scheduler.notify.recording-finished")) {
        engine->RecordingFinished(message);
      } else {
        logger_->Log("Scheduler notification : unknown notification subject");
      }
    }
  } catch (...) {
    logger_->Flush();
    throw;
  }
  logger_->Flush();
}

void TTVScheduleManager::UpdateTimeOfNextRecording() {
  int32_t value = 0;
  for (const auto& engine : engines_) {
    const int32_t t = engine->TimeOfNextRecording();
    if (t == -1) {
      value = -1;
      break;
    }
    if (t != 0 && (value == 0 || DbTimeDiff(t, value) < 0)) value = t;
  }
  time_of_next_recording_ = value;
  std::string trace;
  if (value == -1) trace = "TONR : Currently recording";
  else if (value == 0) trace = "TONR : Nothing to record";
  else trace = "TONR : Next recording at " + DateTimeToStr(DbTimeToDateTime(value));
  if (host_) CheckHResult(host_->ShowTrace(trace));
  runtime_props_.SetValue(kTimeOfNextRecordingSlot, value);
}

}  // namespace kestro
