// Operations on repeating schedules as a whole: re-prioritizing every rule and deleting one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kestro/tv_listings.h"
#include "kestro/variant.h"
#include "scheduling/rule_result.h"
#include "storage/db.h"

namespace kestro {

// Gives the rules of `rs_ids` (every rule once, highest first) the priorities 100000, 99900, ...,
// purges all their schedules and saves each rule again from the top down in recalculate mode.
// All or nothing: on failure it returns false with `*error` set, and `results` keeps the save
// results made so far. Never throws.
bool PrioritizeRules(const DBPtr& db, const ComPtr<ITVListings>& listings, const Variant& rs_ids,
                     std::string* error, TTVRSPrioritizeResult& results) noexcept;

// Deletes the rule: its schedules are deleted (a recording in progress goes on as a single
// schedule) and its row removed. False when it is missing or anything fails; nothing changed.
bool DeleteRule(const DBPtr& db, const ComPtr<ITVListings>& listings, int32_t rs_id,
                std::string_view deleted_by, std::string_view reason) noexcept;

}  // namespace kestro
