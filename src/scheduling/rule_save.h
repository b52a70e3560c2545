// Saving a repeating schedule: in one transaction the rule's old schedules go, the rule gets its
// priority, its candidates are classified against the stored schedules and trimmed, the save
// mode decides whether to go on, and the rule and the chosen schedules are stored (deleting what
// stands in their way when the mode allows it). Every step is written to the save's log.
#pragma once

#include "kestro/host.h"
#include "kestro/tv_schedules.h"
#include "scheduling/repeating_schedule.h"
#include "scheduling/rule_result.h"

namespace kestro {

// Saves the rule in `mode`; problems are the result's code, never an exception. A stopped or
// failed save leaves the database as it was (the rule object keeps its new ID and priority).
// With `preview` the save stops after the analysis and undoes everything, and the rule object
// is left unchanged.
ComPtr<TTVRepeatingScheduleResult> SaveRule(TTVRepeatingSchedule& rule, TV_RS_SAVE_MODE mode,
                                            IKestroLog* log, bool preview);

}  // namespace kestro
