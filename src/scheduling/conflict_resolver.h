// Conflict resolution: which tuner a schedule goes to, and what must make room for it.
//
// A schedule goes to the highest-numbered tuner that no overlapping schedule uses. When every
// tuner is busy, room is made on the highest-numbered tuner whose overlapping schedules all allow
// deletion on conflict, and all of them are deleted; otherwise the schedule conflicts. Only the
// reserved windows count: soft padding never does, and windows touching at one instant do not
// overlap.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "kestro/tv_schedules.h"
#include "scheduling/schedule_result.h"
#include "scheduling/tv_schedule.h"
#include "storage/db.h"

namespace kestro {

// What the overlapping schedules leave of the tuners.
struct TunerSurvey {
  int32_t free_tuner = 0;       // the highest-numbered tuner nothing overlapping uses; 0 if none
  int32_t deletable_tuner = 0;  // the highest-numbered tuner used only by schedules that allow
                                // deletion on conflict; 0 if none
};

// REQUIRES: tuner_count >= 1. Throws EAddSchedule TV_ADD_SCHEDULE_CORRUPTION when a schedule's
// tuner lies outside 1..tuner_count.
TunerSurvey SurveyTuners(int32_t tuner_count, const std::vector<ComPtr<TTVSchedule>>& overlapping);

// Deletes a stored schedule as the scheduler does; false when it could not.
using DeleteScheduleFn =
    std::function<bool(int32_t schedule_id, std::string_view deleted_by, std::string_view reason)>;

class TConflictResolver {
 public:
  TConflictResolver(DBPtr db, int32_t tuner_count, DeleteScheduleFn delete_schedule);

  // Chooses the schedule's tuner, deleting the schedules in the way when it must, and sets
  // `fields.tuner_id`; the schedule itself is not stored. Runs in the caller's transaction,
  // which must undo the deletions when it fails (the tuner then stays as it was). Failures are
  // the result's code; never throws.
  ComPtr<TTVScheduleResult> Resolve(ScheduleFields& fields);

 private:
  // The steps of Resolve, in order; each throws EAddSchedule.
  void CheckTunerCount() const;
  // One showing never takes two tuners: throws EAddSchedule TV_ADD_SCHEDULE_CONFLICT "The
  // programme is already scheduled as #%d", with that schedule in the result's conflicts, when
  // another live schedule records the schedule's programme.
  void RefuseSecondScheduleOfProgram(const ScheduleFields& fields,
                                     TTVScheduleResult& result) const;
  std::vector<ComPtr<TTVSchedule>> LoadOverlapping(int32_t start_db, int32_t end_db) const;
  static void DropSchedule(std::vector<ComPtr<TTVSchedule>>& overlapping, int32_t schedule_id);
  int32_t MakeRoom(int32_t tuner, const std::vector<ComPtr<TTVSchedule>>& overlapping) const;
  [[noreturn]] static void FailWithConflicts(TTVScheduleResult& result,
                                             const std::vector<ComPtr<TTVSchedule>>& overlapping);

  DBPtr db_;
  int32_t tuner_count_;
  DeleteScheduleFn delete_schedule_;
};

// Adds to the result's Conflicts every entry of `list` with another ID whose window overlaps
// the schedule's, and sets TV_ADD_SCHEDULE_CONFLICT when there is one. Tuners are not
// considered; nothing is stored.
void CollectListConflicts(ITVSchedule& schedule, ITVScheduleList& list, TTVScheduleResult& result);

}  // namespace kestro
