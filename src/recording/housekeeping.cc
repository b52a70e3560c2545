#include "recording/housekeeping.h"

#include "recording/recording_library.h"

namespace kestro {
namespace {

class TRecordingHousekeeping final : public IRecordingHousekeeping {
 public:
  explicit TRecordingHousekeeping(const HousekeepingSetup& setup)
      : setup_(setup),
        disk_space_(DiskSpaceSetup{setup.host, setup.logger, setup.env, setup.reservations,
                                   setup.make_space, setup.min_free_space_bytes}) {}

  void KeepAtMost(TTVSchedule& schedule) override { disk_space_.KeepAtMost(schedule); }
  void MakeRoom(const std::string& folder, int32_t minutes, int32_t bitrate,
                const std::string& file_name, int32_t schedule_id) override {
    disk_space_.MakeRoom(folder, minutes, bitrate, file_name, schedule_id);
  }
  void ReleaseReservation(int32_t schedule_id) override {
    disk_space_.ReleaseReservation(schedule_id);
  }
  void AddRecordingToLibrary(TTVSchedule& schedule, IKestroItem* notification) override {
    if (!notification) return;
    kestro::AddRecordingToLibrary(*setup_.host, *setup_.logger, schedule, *notification,
                                  setup_.env->NowLocal());
  }

 private:
  const HousekeepingSetup setup_;
  TDiskSpace disk_space_;
};

}  // namespace

std::unique_ptr<IRecordingHousekeeping> NewRecordingHousekeeping(const HousekeepingSetup& setup) {
  return std::make_unique<TRecordingHousekeeping>(setup);
}

}  // namespace kestro
