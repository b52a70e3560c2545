// Opening a lineup's guide with scheduling: a listings object whose connection carries this
// layer's scheduler and schedule lookups.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "listings/schedule_access.h"
#include "listings/listings_object.h"

namespace kestro {

// The scheduling services the guide of lineup `lineup_id` calls through IScheduleAccess.
std::shared_ptr<const IScheduleAccess> SchedulingAccess(int32_t lineup_id);

// The tuners of the lineup whose guide `db` is (the groups of the tuner configuration that name
// it). Throws Exception naming the tuner configuration when it cannot be read.
int32_t LineupTunerCount(const IDB& db);

// Opens (creating or upgrading) the listings database `file_name` with `env` as the guide of
// lineup `lineup_id`. Throws with the database's open/create message on failure.
ComPtr<TTVListings> OpenListings(const std::string& file_name, int32_t lineup_id,
                                 const std::shared_ptr<Env>& env);

}  // namespace kestro
