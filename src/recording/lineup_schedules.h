// TLineupSchedules: the recording engine of one lineup.
//
// It watches the lineup's schedules (the schedule version, every 3 seconds), keeps each tuner's
// list with its soft paddings settled, publishes per tuner what is being or will next be recorded
// (host run-time property "tv.recording-status.tuner-<id>"), arms the timers that tell the host's
// tuner side to wake, warn, start and stop, follows the host's reports of started, failed and
// finished recordings, keeps the schedules' statuses, and computes the time of the next
// recording (-1 recording now, 0 nothing to record, else the db time of the earliest start).
//
// Every handler logs what it does and carries on past a failed status update; a failing host call
// ends the handler with an exception.
//
// REQUIRES: one thread (the host's plug-in thread) for every call, and its message loop for the
// timers. Holds no locks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kestro/host.h"
#include "kestro/tv_lineups.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_schedules.h"
#include "platform/env/env.h"
#include "platform/system/message_loop.h"
#include "recording/housekeeping.h"
#include "recording/timer_manager.h"
#include "scheduling/tv_schedule.h"
#include "support/logger.h"

namespace kestro {

// What every engine of a schedule manager works with.
struct EngineServices {
  ComPtr<IKestroSystem> host;
  std::shared_ptr<ILogger> logger;
  std::shared_ptr<Env> env;
  TaskRunner owner;  // the loop of the engine's thread
};

// Settles the soft paddings of one tuner's schedules (in start order), then moves each start and
// end out by its padding and sets the paddings to 0. Going from the last schedule to the first, a
// padding never reaches further into the gap before a schedule (from the previous end, or from
// `now` for the first) than the gap is long; where the earlier schedule's padding after and the
// later one's padding before still overlap, the earlier keeps its padding. Changes only the
// objects.
void SettleSoftPadding(const std::vector<ComPtr<TTVSchedule>>& schedules, OleDate now);

class TLineupSchedules {
 public:
  // Reads the lineup's name, its listings and their scheduler (throws when they cannot be had).
  // A lineup without tuners logs so and stays idle; otherwise the engine loads its schedules now.
  TLineupSchedules(EngineServices services, ComPtr<ITVLineup> lineup,
                   std::unique_ptr<IRecordingHousekeeping> housekeeping);
  // Stops every timer.
  ~TLineupSchedules();
  TLineupSchedules(const TLineupSchedules&) = delete;
  TLineupSchedules& operator=(const TLineupSchedules&) = delete;

  // Loads the schedules when their version changed. Never throws: a failure is logged and the
  // listings database is opened again, so the next check starts afresh.
  void CheckVersion();
  // Reloads every tuner's schedules and arms their timers; publishes each tuner's status and the
  // time of the next recording.
  void LoadSchedules();

  // Timer handlers, given the timer's properties (the schedule item).
  void StartRecording(IKestroItem& properties);
  void WarnRecording(IKestroItem& properties);
  void StopRecording(IKestroItem& properties);
  void WakeUpTuners(IKestroItem& properties);

  // The host's reports, each about the value "schedule-id".
  void RecordingStarted(IKestroMessage& message);
  void RecordingStartFailed(IKestroMessage& message);
  void RecordingFinished(IKestroMessage& message);

  int32_t TimeOfNextRecording() const { return time_of_next_recording_; }
  int32_t LineupID() const { return lineup_id_; }
  const TTimerManager& Timers() const { return timers_; }

 private:
  struct TunerSchedule {
    int32_t tuner_id = 0;
    std::vector<ComPtr<TTVSchedule>> schedules;  // as last loaded, in start order
    ComPtr<TTVSchedule> current;                 // being recorded, or null
  };

  void OpenListings();
  void ArmVersionCheck();
  void OnTimer(const std::string& name, IKestroItem& properties);

  // Loading, step by step.
  std::vector<ComPtr<TTVSchedule>> LoadTunerSchedules(int32_t tuner_id);
  void DeleteElapsed(std::vector<ComPtr<TTVSchedule>>& schedules, OleDate now);
  void ArmTuner(TunerSchedule& tuner, OleDate now);
  void StopDeletedCurrent(TunerSchedule& tuner);

  // The schedule of the values' "schedule-id"; null, logged as "BAD : <handler> : schedule %d was
  // not found", when there is none.
  ComPtr<TTVSchedule> ScheduleOf(IKestroItem& values, const char* handler);
  // The schedule in the tuners' lists (or being recorded), else the scheduler's; null when none.
  ComPtr<TTVSchedule> FindSchedule(int32_t schedule_id);
  // False when the scheduler refused or failed.
  bool SetStatus(int32_t schedule_id, const char* status);
  bool DeleteSchedule(int32_t schedule_id, const std::string& reason);

  // The values of a tuner's status item and of the messages to the tuner side.
  ComPtr<IKestroItem> ScheduleItem(TTVSchedule& schedule, OleDate start_moment);
  // The ids, caption and times of a schedule recorded from `start`.
  void SetScheduleValues(IKestroItem& item, const ScheduleFields& fields, OleDate start);
  ComPtr<IKestroItem> NewItem();
  void PublishStatus(int32_t tuner_id, IKestroItem& item);
  // Sends `values`, then those of the schedule's Data that `values` lacks.
  void Send(const char* subject, IKestroItem& values, TTVSchedule* data_of);
  void PublishTimeOfNextRecording();
  void ReportUsage(TTVSchedule& schedule) noexcept;

  const EngineServices services_;
  ILogger& log_;
  const ComPtr<ITVLineup> lineup_;
  const std::unique_ptr<IRecordingHousekeeping> housekeeping_;
  std::string lineup_name_;
  int32_t lineup_id_ = 0;
  ComPtr<ITVListings> listings_;
  ComPtr<ITVScheduler> scheduler_;
  int32_t schedule_version_ = -1;  // -1: not loaded
  TTimerManager timers_;
  std::vector<TunerSchedule> tuners_;
  int32_t time_of_next_recording_ = 0;
};

}  // namespace kestro
