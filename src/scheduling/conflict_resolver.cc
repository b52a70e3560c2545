#include "scheduling/conflict_resolver.h"

#include <algorithm>

#include "kestro/interface_reads.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/schedule_store.h"

namespace kestro {
namespace {

enum TunerState : uint8_t {
  kTunerFree = 0,
  kTunerEssential = 1,  // holds a schedule that may not be deleted on conflict
  kTunerDeletable = 2,  // holds only schedules that may be deleted on conflict
};

}  // namespace

TunerSurvey SurveyTuners(int32_t tuner_count, const std::vector<ComPtr<TTVSchedule>>& overlapping) {
  std::vector<TunerState> states(static_cast<size_t>(tuner_count), kTunerFree);
  for (const ComPtr<TTVSchedule>& schedule : overlapping) {
    const int32_t tuner = schedule->fields().tuner_id;
    if (tuner < 1 || tuner > tuner_count) {
      throw EAddSchedule(TV_ADD_SCHEDULE_CORRUPTION,
                         Format("A conflicting schedule has an invalid tuner id = %d", tuner));
    }
    TunerState& state = states[static_cast<size_t>(tuner - 1)];
    if (!schedule->fields().delete_on_conflict) {
      state = kTunerEssential;
    } else if (state == kTunerFree) {
      state = kTunerDeletable;
    }
  }
  TunerSurvey survey;
  for (int32_t tuner = tuner_count; tuner >= 1; --tuner) {
    const TunerState state = states[static_cast<size_t>(tuner - 1)];
    if (state == kTunerFree && survey.free_tuner == 0) survey.free_tuner = tuner;
    if (state == kTunerDeletable && survey.deletable_tuner == 0) survey.deletable_tuner = tuner;
  }
  return survey;
}

TConflictResolver::TConflictResolver(DBPtr db, int32_t tuner_count,
                                     DeleteScheduleFn delete_schedule)
    : db_(std::move(db)), tuner_count_(tuner_count), delete_schedule_(std::move(delete_schedule)) {}

ComPtr<TTVScheduleResult> TConflictResolver::Resolve(ScheduleFields& fields) {
  return RunScheduleOperation([&](ComPtr<TTVScheduleResult>& result) {
    CheckTunerCount();
    RefuseSecondScheduleOfProgram(fields, *result);
    std::vector<ComPtr<TTVSchedule>> overlapping =
        LoadOverlapping(fields.StartDbTime(), fields.EndDbTime());
    if (fields.id > 0) DropSchedule(overlapping, fields.id);

    const TunerSurvey survey = SurveyTuners(tuner_count_, overlapping);
    int32_t tuner = survey.free_tuner;
    if (tuner == 0) {
      if (survey.deletable_tuner == 0) FailWithConflicts(*result, overlapping);
      tuner = MakeRoom(survey.deletable_tuner, overlapping);
    }
    if (tuner < 1 || tuner > tuner_count_) {
      throw EAddSchedule(TV_ADD_SCHEDULE_CORRUPTION,
                         "This should never happen, but the first free tuner is invalid");
    }
    fields.tuner_id = tuner;
  });
}

void TConflictResolver::RefuseSecondScheduleOfProgram(const ScheduleFields& fields,
                                                      TTVScheduleResult& result) const {
  if (fields.program_id <= 0) return;
  std::vector<ComPtr<TTVSchedule>> live = LoadLiveSchedulesOfProgram(db_, fields.program_id);
  std::erase_if(live, [&](const ComPtr<TTVSchedule>& s) { return s->fields().id == fields.id; });
  if (live.empty()) return;
  result.Conflicts().Add(live.front());
  throw EAddSchedule(TV_ADD_SCHEDULE_CONFLICT, Format("The programme is already scheduled as #%d",
                                                      live.front()->fields().id));
}

void TConflictResolver::CheckTunerCount() const {
  if (tuner_count_ < 1) {
    throw EAddSchedule(TV_ADD_SCHEDULE_INVALID_GROUP,
                       Format("Invalid tuner count = %d", tuner_count_));
  }
}

std::vector<ComPtr<TTVSchedule>> TConflictResolver::LoadOverlapping(int32_t start_db,
                                                                    int32_t end_db) const {
  try {
    return LoadOverlappingSchedules(db_, start_db, end_db);
  } catch (const std::exception& e) {
    throw EAddSchedule(TV_ADD_SCHEDULE_LOAD_FAILED,
                       std::string("Failed to load conflicting schedules : ") + e.what());
  }
}

// A schedule saved again must not conflict with its own stored row.
void TConflictResolver::DropSchedule(std::vector<ComPtr<TTVSchedule>>& overlapping,
                                     int32_t schedule_id) {
  std::erase_if(overlapping,
                [&](const ComPtr<TTVSchedule>& s) { return s->fields().id == schedule_id; });
}

int32_t TConflictResolver::MakeRoom(int32_t tuner,
                                    const std::vector<ComPtr<TTVSchedule>>& overlapping) const {
  for (const ComPtr<TTVSchedule>& schedule : overlapping) {
    if (schedule->fields().tuner_id != tuner) continue;
    if (!delete_schedule_(schedule->fields().id, "SYSTEM", "CONFLICT")) {
      throw EAddSchedule(TV_ADD_SCHEDULE_SAVE_FAILED,
                         "Failed to delete conflicting non-essential schedule");
    }
  }
  return tuner;
}

void TConflictResolver::FailWithConflicts(TTVScheduleResult& result,
                                          const std::vector<ComPtr<TTVSchedule>>& overlapping) {
  for (const ComPtr<TTVSchedule>& schedule : overlapping) result.Conflicts().Add(schedule);
  throw EAddSchedule(TV_ADD_SCHEDULE_CONFLICT,
                     Format("There are %d conflicting schedules", result.Conflicts().Count()));
}

void CollectListConflicts(ITVSchedule& schedule, ITVScheduleList& list, TTVScheduleResult& result) {
  const int32_t id = Get(&schedule, &ITVSchedule::get_ID);
  const int32_t s = DateTimeToDbTime(Get(&schedule, &ITVSchedule::get_StartTime));
  const int32_t e = DateTimeToDbTime(Get(&schedule, &ITVSchedule::get_EndTime));
  for (const ComPtr<ITVSchedule>& other : ListItems(&list)) {
    if (!other || Get(other.Get(), &ITVSchedule::get_ID) == id) continue;
    const int32_t cs = DateTimeToDbTime(Get(other.Get(), &ITVSchedule::get_StartTime));
    const int32_t ce = DateTimeToDbTime(Get(other.Get(), &ITVSchedule::get_EndTime));
    if (DbWindowsOverlap(s, e, cs, ce)) {
      result.Conflicts().Add(other);
      result.SetCode(TV_ADD_SCHEDULE_CONFLICT);
    }
  }
}

}  // namespace kestro
