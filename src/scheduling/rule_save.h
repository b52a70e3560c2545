// Saving a repeating schedule: in one transaction the rule's old schedules go, the rule gets its
// priority, its candidates are classified against the stored schedules and trimmed, the save
// mode decides whether to go on, and the rule and the chosen schedules are stored (deleting what
// stands in their way when the mode allows it). Every step is written to the save's log.
#pragma once

#include "kestro/host.h"
#include "kestro/tv_listings.h"
#include "scheduling/rule_result.h"
#include "scheduling/rule_store.h"

namespace kestro {

// Saves `rule` into the lineup's database `db` (whose guide is `listings`) in `mode`; problems
// are the result's code, never an exception. A stopped or failed save leaves the database as it
// was (`rule` keeps its new ID and priority). With `preview` the save stops after the analysis
// and undoes everything, and `rule` is left unchanged.
ComPtr<TTVRepeatingScheduleResult> SaveRule(RuleFields& rule, const DBPtr& db,
                                            const ComPtr<ITVListings>& listings,
                                            TV_RS_SAVE_MODE mode, IKestroLog* log, bool preview);

}  // namespace kestro
