#include "recording/housekeeping.h"

namespace kestro {
namespace {

class TNoHousekeeping final : public IRecordingHousekeeping {
 public:
  void KeepAtMost(TTVSchedule&) override {}
  void MakeRoom(const std::string&, int32_t, int32_t, const std::string&, int32_t) override {}
  void ReleaseReservation(int32_t) override {}
  void AddRecordingToLibrary(TTVSchedule&, IKestroItem*) override {}
};

}  // namespace

std::unique_ptr<IRecordingHousekeeping> NewRecordingHousekeeping(const HousekeepingSetup&) {
  return std::make_unique<TNoHousekeeping>();
}

}  // namespace kestro
