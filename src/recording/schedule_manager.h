// TTVScheduleManager: the recording side of the module as the host sees it, a host plug-in.
//
// When the host has loaded its system ("plugin.system-loaded") the manager opens its log ("tv.log"
// in the host's "logs" folder, and the host's log), starts one recording engine per lineup, and
// subscribes to the tuner side's reports ("tv-scheduler.notify.*"), which it routes by "lineup-id"
// to the engine of that lineup, and to the engines' "tv-scheduler.event.time-of-next-recording-
// updated", on which it publishes the earliest next recording of all lineups in run-time property
// slot 0. The host's shutdown message stops the engines. It describes its three settings to the
// host and takes their values.
//
// REQUIRES: the host calls it on its plug-in thread, whose message loop also runs the engines'
// timers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/kestro_object.h"
#include "import/import_plugin.h"
#include "kestro/tv_schedule_manager.h"
#include "lineups/lineups.h"
#include "recording/lineup_schedules.h"
#include "recording/runtime_props.h"
#include "support/logger.h"

namespace kestro {

struct ScheduleManagerOptions {
  RunTimePropsNames runtime_props;
  // Where the lineups are; none: the module's configuration, read at start-up.
  std::optional<LineupLocations> lineups;
};

class TTVScheduleManager : public TKestroTVObject<ITVScheduleManager> {
 public:
  // Opens the run-time properties and sets the time of the next recording to 0. Throws the run-time
  // properties' failures.
  explicit TTVScheduleManager(ImportServices services, ScheduleManagerOptions options = {});
  // Sets the time of the next recording to 0.
  ~TTVScheduleManager() override;

  // IKestroPlugin. Every message counts as handled.
  HRESULT OnMessage(IKestroSystem* system, IKestroMessage* message, bool* handled) override;
  HRESULT DescribeSetting(int32_t index, IKestroItem* descriptor, bool* ok) override;
  HRESULT ApplySettings(IKestroItem* settings, std::string* error, bool* ok) override;
  HRESULT IsAvailable(bool* result) override;

  void HandleMessage(IKestroSystem& system, IKestroMessage& message);
  // False for an index past the last setting.
  bool Describe(int32_t index, IKestroItem& descriptor) const;
  void Apply(IKestroItem& settings);

  bool MakeSpace() const { return make_space_; }
  int32_t MinFreeSpaceGB() const { return min_free_space_gb_; }
  int32_t TimeOfNextRecording() const { return time_of_next_recording_; }
  // The engines in lineup order; none before start-up and after shutdown.
  const std::vector<std::unique_ptr<TLineupSchedules>>& Engines() const { return engines_; }

 private:
  void Start(IKestroSystem& system);
  void OpenLog();
  void StartEngines(ITVLineups& lineups);
  void Shutdown();
  void RouteNotification(IKestroMessage& message);
  void UpdateTimeOfNextRecording();

  const ImportServices services_;
  const ScheduleManagerOptions options_;
  ComPtr<IKestroSystem> host_;
  std::shared_ptr<ILogger> logger_;
  std::vector<std::unique_ptr<TLineupSchedules>> engines_;
  int32_t time_of_next_recording_ = 0;
  TRunTimeProps runtime_props_;
  bool make_space_ = true;
  int32_t min_free_space_gb_ = 2;
};

}  // namespace kestro
