// IRecordingHousekeeping: what a lineup engine does for a recording beside driving the tuner —
// keeping no more recordings of a rule than it allows, making room on the recording's drive,
// and adding the recording to the host's media library. The engine calls it at fixed steps; one
// object serves one engine and lives on its thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kestro/host.h"
#include "platform/env/env.h"
#include "recording/disk_space.h"
#include "scheduling/tv_schedule.h"
#include "support/logger.h"

namespace kestro {

class IRecordingHousekeeping {
 public:
  virtual ~IRecordingHousekeeping() = default;

  // A recording of `schedule` has started: delete the oldest recordings of its rule beyond the
  // rule's keep-at-most. Failures throw; the engine logs them and goes on.
  virtual void KeepAtMost(TTVSchedule& schedule) = 0;
  // Make sure `folder` keeps the minimum free space once this recording (`minutes` long at
  // `bitrate`) and the others under way are written, and reserve its space until it ends.
  // Failures throw; the engine logs them and goes on.
  virtual void MakeRoom(const std::string& folder, int32_t minutes, int32_t bitrate,
                        const std::string& file_name, int32_t schedule_id) = 0;
  // The recording of this schedule is being stopped: its reserved space is free again.
  virtual void ReleaseReservation(int32_t schedule_id) = 0;
  // Adds the started recording to the media library; `notification` is the host's report of the
  // start. A failure throws and ends the engine's handling of the start there.
  virtual void AddRecordingToLibrary(TTVSchedule& schedule, IKestroItem* notification) = 0;
};

// What the housekeeping of one engine works with.
struct HousekeepingSetup {
  ComPtr<IKestroSystem> host;
  std::shared_ptr<ILogger> logger;
  std::shared_ptr<Env> env;
  // The recordings in progress, shared by the engines of one manager.
  std::shared_ptr<TReservations> reservations = std::make_shared<TReservations>();
  bool make_space = true;            // delete keep-until-space-needed recordings for room
  int64_t min_free_space_bytes = 0;  // to leave on a recording drive
};

// The housekeeping of one engine: disk space and keep rules (disk_space.h) and the media-library
// hand-over (recording_library.h).
std::unique_ptr<IRecordingHousekeeping> NewRecordingHousekeeping(const HousekeepingSetup& setup);

}  // namespace kestro
