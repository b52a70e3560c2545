// What the guide needs of the scheduling layer above it: a scheduler for the listings object and
// the schedule a programme points at. Whoever opens a lineup's listings attaches an
// implementation to the connection (scheduling/open_listings.h), so that every object holding the
// connection reaches it without the guide depending on scheduling.
#pragma once

#include <cstdint>

#include "kestro/tv_listings.h"
#include "kestro/tv_schedules.h"
#include "storage/db.h"

namespace kestro {

class IScheduleAccess : public ConnectionServices {
 public:
  // A new scheduler working on `listings` over its connection `db`.
  virtual ComPtr<ITVScheduler> NewScheduler(ComPtr<ITVListings> listings, DBPtr db) const = 0;
  // The schedule with this id, deleted or not; null when its row is gone.
  virtual ComPtr<ITVSchedule> FindSchedule(const DBPtr& db, int32_t schedule_id) const = 0;
};

// The access attached to `db`. Throws Exception "The listings database "%s" was opened without
// scheduling" when none is.
const IScheduleAccess& ScheduleAccessOf(const IDB& db);

}  // namespace kestro
