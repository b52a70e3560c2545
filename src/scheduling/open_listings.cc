#include "scheduling/open_listings.h"

#include "scheduling/schedule_store.h"
#include "scheduling/tv_scheduler.h"

namespace kestro {

namespace {

class TScheduleAccess final : public IScheduleAccess {
 public:
  ComPtr<ITVScheduler> NewScheduler(ComPtr<ITVListings> listings, DBPtr db) const override {
    return MakeScheduler(std::move(listings), std::move(db));
  }
  ComPtr<ITVSchedule> FindSchedule(const DBPtr& db, int32_t schedule_id) const override {
    return FindScheduleByID(db, schedule_id);
  }
};

}  // namespace

std::shared_ptr<const IScheduleAccess> SchedulingAccess() {
  static const auto access = std::make_shared<const TScheduleAccess>();
  return access;
}

ComPtr<TTVListings> OpenListings(const std::string& file_name, int32_t lineup_id,
                                 const std::shared_ptr<Env>& env) {
  return MakeObject<TTVListings>(file_name, lineup_id, env, SchedulingAccess());
}

}  // namespace kestro
