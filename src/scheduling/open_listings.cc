#include "scheduling/open_listings.h"

#include "scheduling/schedule_store.h"
#include "scheduling/tv_scheduler.h"
#include "support/tuner_configuration.h"

namespace kestro {

namespace {

class TScheduleAccess final : public IScheduleAccess {
 public:
  explicit TScheduleAccess(int32_t lineup_id) : lineup_id_(lineup_id) {}
  int32_t LineupID() const { return lineup_id_; }
  ComPtr<ITVScheduler> NewScheduler(ComPtr<ITVListings> listings, DBPtr db) const override {
    return MakeScheduler(std::move(listings), std::move(db));
  }
  ComPtr<ITVSchedule> FindSchedule(const DBPtr& db, int32_t schedule_id) const override {
    return FindScheduleByID(db, schedule_id);
  }

 private:
  int32_t lineup_id_;
};

}  // namespace

std::shared_ptr<const IScheduleAccess> SchedulingAccess(int32_t lineup_id) {
  return std::make_shared<const TScheduleAccess>(lineup_id);
}

int32_t LineupTunerCount(const IDB& db) {
  const auto* access = dynamic_cast<const TScheduleAccess*>(db.Services());
  return TunerCount(access ? access->LineupID() : 0);
}

ComPtr<TTVListings> OpenListings(const std::string& file_name, int32_t lineup_id,
                                 const std::shared_ptr<Env>& env) {
  return MakeObject<TTVListings>(file_name, lineup_id, env, SchedulingAccess(lineup_id));
}

}  // namespace kestro
