// What a rule keeps of its showings from one save to the next: the showings the user deleted,
// which the rule must not schedule again, and its stored schedules, which a recalculation keeps
// (with their ids and statuses) when their showing is still wanted unchanged.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "scheduling/schedule_writer.h"
#include "scheduling/tv_schedule.h"
#include "storage/db.h"

namespace kestro {

// --- showings deleted by the user -------------------------------------------------------------

// A showing as an exclusion names it: its programme's equality key ("" for a window without a
// programme) and the db time at which it starts, without the hard padding.
using ShowingKey = std::pair<std::string, int32_t>;
ShowingKey KeyOfShowing(TTVSchedule& schedule);

// Remembers that the user deleted the showing of `schedule`, when it belongs to a rule.
void RememberDeletedShowing(IDB& db, TTVSchedule& schedule);
// The showings of the rule that the user deleted.
std::set<ShowingKey> DeletedShowingsOfRule(IDB& db, int32_t rs_id);
void ForgetDeletedShowingsOfRule(IDB& db, int32_t rs_id);

// --- schedules kept through a recalculation ---------------------------------------------------

// Sets the rule's live schedules aside (inside the caller's transaction) so that a save does not
// meet them as conflicts: `in_progress_too` decides for those recording now. Returns how many.
int32_t SetRuleSchedulesAside(IDB& db, int32_t rs_id, bool in_progress_too, OleDate now);

// The schedules a save of the rule set aside. Take hands one back for a candidate of the same
// showing with the same options; the save stores the candidate under its id.
class SetAsideSchedules {
 public:
  SetAsideSchedules() = default;
  SetAsideSchedules(const DBPtr& db, int32_t rs_id);

  // The set-aside schedule of the candidate's showing recorded the same way, live again; null
  // when there is none.
  ComPtr<TTVSchedule> Take(IDB& db, const TTVSchedule& candidate);
  // Sets a taken schedule aside again (the candidate could not be stored).
  void PutBack(IDB& db, ComPtr<TTVSchedule> schedule);
  // The set-aside schedule of the candidate's showing, however recorded, still set aside; null
  // when there is none. It is no longer offered.
  ComPtr<TTVSchedule> TakeAnyOfShowing(const TTVSchedule& candidate);
  int32_t Count() const { return static_cast<int32_t>(schedules_.size()); }
  // Removes those not taken; returns how many.
  int32_t PurgeRest(TScheduleWriter& writer);

 private:
  std::vector<ComPtr<TTVSchedule>> schedules_;
};

}  // namespace kestro
