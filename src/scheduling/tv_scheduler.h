// TTVScheduler: the scheduler of one listings database as the host sees it. Its changes of single
// schedules are those of its TScheduleWriter (scheduling/schedule_writer.h); its repeating
// schedules are those of the rule objects. A schedule the host hands in is read once at this
// boundary; everything behind it works on the module's own schedule objects. Listings let
// database errors fail the call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/kestro_object.h"
#include "kestro/ole_date.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_schedules.h"
#include "scheduling/schedule_result.h"
#include "scheduling/schedule_store.h"
#include "scheduling/schedule_writer.h"
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
  HRESULT Reschedule(int32_t schedule_id, int32_t new_program_id, OleDate new_program_start_time,
                     OleDate new_program_end_time, ITVSchedule** new_schedule,
                     ITVScheduleResult** result) override;
  HRESULT CreateScheduleFromScheduleAndProgram(ITVSchedule* existing, ITVProgram* program,
                                               ITVSchedule** result) override;
  HRESULT get_TunerCount(int32_t* value) override;
  HRESULT GetLostSchedules(ITVScheduleList** result) override;
  HRESULT GetSchedulesForTimeSlice(OleDate start_time, OleDate end_time,
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

  // The operations behind the interface, for the module's own callers (see TScheduleWriter).
  ComPtr<TTVSchedule> NewSchedule() const { return writer_.NewSchedule(); }
  ComPtr<TTVScheduleResult> Add(TTVSchedule& schedule) { return writer_.Add(schedule); }
  bool Delete(int32_t schedule_id, std::string_view deleted_by, std::string_view reason) noexcept {
    return writer_.Delete(schedule_id, deleted_by, reason);
  }
  ComPtr<TTVScheduleResult> ResolveConflicts(ScheduleFields& fields) {
    return writer_.ResolveConflicts(fields);
  }
  ComPtr<TTVScheduleResult> Move(int32_t schedule_id, int32_t new_program_id, OleDate start,
                                 OleDate end, ComPtr<TTVSchedule>* made) {
    return writer_.Move(schedule_id, new_program_id, start, end, made);
  }
  ComPtr<TTVSchedule> ScheduleForProgram(TTVSchedule& existing, ITVProgram& program) const {
    return writer_.ScheduleForProgram(existing, program);
  }
  TScheduleWriter& writer() { return writer_; }
  int32_t TunerCount() const { return writer_.TunerCount(); }
  const DBPtr& db() const { return db_; }

 private:
  ComPtr<ITVListings> listings_;
  DBPtr db_;
  TScheduleWriter writer_;
};

// The scheduler of a lineup's listings, with the tuners the tuner configuration document
// assigns to the lineup (LineupTunerCount). This is what the listings object's GetScheduler hands out.
ComPtr<TTVScheduler> MakeScheduler(ComPtr<ITVListings> listings, DBPtr db);

}  // namespace kestro
