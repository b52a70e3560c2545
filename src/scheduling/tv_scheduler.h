// TTVScheduler: the only writer of single schedules of one listings database. It validates a
// schedule, picks its tuner (making room when allowed), stores it, deletes and re-attaches
// schedules, and raises "schedule-data-version" on every change so the recording engine notices.
//
// Every change runs in one transaction (BeginScheduleChange) and is all or nothing. Operations
// that return a result turn expected problems into its code (EAddSchedule inside);
// DeleteSchedule answers false on failure and reports why (ReportFailure); listings let database
// errors fail the call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/kestro_object.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_schedules.h"
#include "platform/time/clock.h"
#include "scheduling/conflict_resolver.h"
#include "scheduling/schedule_result.h"
#include "scheduling/schedule_store.h"
#include "scheduling/tv_schedule.h"
#include "scheduling/tv_schedule_list.h"
#include "storage/db.h"

namespace kestro {

class TTVScheduler : public TKestroTVObject<ITVScheduler> {
 public:
  // `listings` is handed on to objects that need it; `tuner_count` is fixed for the scheduler's
  // life (below 1, every schedule is refused with TV_ADD_SCHEDULE_INVALID_GROUP).
  TTVScheduler(ComPtr<ITVListings> listings, DBPtr db, int32_t tuner_count);

  // ITVScheduler.
  HRESULT SetTunerCount(int32_t tuner_count, bool* result) override;
  HRESULT CreateSchedule(ITVSchedule** result) override;
  HRESULT GetSchedules(ITVScheduleList** result) override;
  HRESULT AddSchedule(ITVSchedule* schedule, ITVScheduleResult** result) override;
  HRESULT DeleteSchedule(int32_t schedule_id, const std::string& deleted_by,
                         const std::string& reason, bool* result) override;
  HRESULT FindSchedule(int32_t schedule_id, ITVSchedule** result) override;
  HRESULT GetDeletedSchedules(ITVScheduleList** result) override;
  HRESULT SetScheduleStatus(int32_t schedule_id, const std::string& status, bool* result) override;
  HRESULT get_ScheduleVersion(int32_t* value) override;
  HRESULT GetSchedulesForTuner(int32_t tuner_id, ITVScheduleList** result) override;
  HRESULT Reschedule(int32_t schedule_id, int32_t new_program_id, double new_program_start_time,
                     double new_program_end_time, ITVSchedule** new_schedule,
                     ITVScheduleResult** result) override;
  HRESULT CreateScheduleFromScheduleAndProgram(ITVSchedule* existing, ITVProgram* program,
                                               ITVSchedule** result) override;
  HRESULT get_TunerCount(int32_t* value) override;
  HRESULT GetLostSchedules(ITVScheduleList** result) override;
  HRESULT GetSchedulesForTimeSlice(double start_time, double end_time,
                                   ITVScheduleList** result) override;
  HRESULT ClearLostSchedules() override;
  HRESULT GetConflictsForSchedule(ITVSchedule* schedule, ITVScheduleResult** result) override;
  HRESULT GetConflictsForScheduleFromList(ITVSchedule* schedule, ITVScheduleList* list,
                                          ITVScheduleResult** result) override;
  HRESULT CreateRepeatingSchedule(ITVRepeatingSchedule** result) override;
  HRESULT FindRepeatingSchedule(int32_t rs_id, ITVRepeatingSchedule** result) override;
  HRESULT GetRepeatingSchedules(ITVRepeatingScheduleList** result) override;
  HRESULT PrioritizeRepeatingSchedules(const Variant& rs_ids, std::string* error,
                                       ITVRSPrioritizeResult** results, bool* result) override;
  HRESULT DeleteRepeatingSchedule(int32_t rs_id, const std::string& deleted_by,
                                  const std::string& reason, bool* result) override;
  HRESULT LogRecordedProgram(ITVProgram* program) override;
  HRESULT HasBeenRecorded(ITVProgram* program, bool* result) override;

  // The operations behind the interface, for the module's own callers.

  ComPtr<TTVSchedule> NewSchedule() const;
  // Validates and stores the schedule on the tuner the conflict resolution picks. On success the
  // schedule carries its ID and TunerID; otherwise it keeps the ones it had and nothing changed.
  ComPtr<TTVScheduleResult> Add(ITVSchedule& schedule);
  // Marks the schedule deleted (or purges it for kPurgeScheduleReason) and unlinks its
  // programme. An unknown id is no change and true. False on any failure, nothing changed.
  bool Delete(int32_t schedule_id, std::string_view deleted_by, std::string_view reason) noexcept;
  // See TConflictResolver::Resolve.
  ComPtr<TTVScheduleResult> ResolveConflicts(ITVSchedule& schedule);
  // Deletes the schedule and adds one with its options around the new programme times;
  // `*made` receives the new schedule once it is made. All or nothing.
  ComPtr<TTVScheduleResult> Move(int32_t schedule_id, int32_t new_program_id, OleDate start,
                                 OleDate end, ComPtr<TTVSchedule>* made);
  // A new unsaved schedule for the programme with the options of `existing`.
  ComPtr<TTVSchedule> ScheduleForProgram(ITVSchedule& existing, ITVProgram& program) const;
  // Live schedules overlapping [start, end); empty when end < start.
  ComPtr<TTVScheduleList> SchedulesForTimeSlice(OleDate start, OleDate end) const;
  int32_t TunerCount() const { return tuner_count_; }
  const DBPtr& db() const { return db_; }

 private:
  // The storing part of an add: the rows, the data, the programme link and the version.
  void Store(ITVSchedule& schedule, Transaction& transaction);
  // A new schedule with the recording options of `existing`: paddings, deletion and wake-up
  // flags, Data, CreatedBy, repeating schedule, folder and quality (not KeepUntil).
  ComPtr<TTVSchedule> CopyOptions(ITVSchedule& existing) const;

  ComPtr<ITVListings> listings_;
  DBPtr db_;
  int32_t tuner_count_;
  TConflictResolver resolver_;
};

// The scheduler of a lineup's listings, with the tuner count of the tuner configuration
// document. This is what the listings object's GetScheduler hands out.
ComPtr<ITVScheduler> MakeScheduler(ComPtr<ITVListings> listings, DBPtr db);

}  // namespace kestro
