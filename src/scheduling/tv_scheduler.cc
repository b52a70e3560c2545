#include "scheduling/tv_scheduler.h"

#include "kestro/tv_programs.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/open_listings.h"
#include "scheduling/repeating_schedule.h"
#include "scheduling/rule_library.h"
#include "scheduling/rule_operations.h"
#include "scheduling/rule_showings.h"
#include "scheduling/schedule_store.h"
#include "support/failure_report.h"

namespace kestro {
namespace {

// The result of an operation called without its schedule.
ComPtr<TTVScheduleResult> MissingSchedule() {
  ComPtr<TTVScheduleResult> result = MakeObject<TTVScheduleResult>();
  result->Set(TV_ADD_SCHEDULE_INVALID_PARAMETERS, "No schedule given");
  return result;
}

}  // namespace

TTVScheduler::TTVScheduler(ComPtr<ITVListings> listings, DBPtr db, int32_t tuner_count)
    : listings_(std::move(listings)), db_(db), writer_(std::move(db), tuner_count) {}

// --- ITVScheduler -------------------------------------------------------------------------------

HRESULT TTVScheduler::SetTunerCount(int32_t tuner_count, bool* result) {
  if (!result) return E_POINTER;
  *result = false;
  return Frame([] { throw Exception("Tuner count changes not implemented yet"); });
}

HRESULT TTVScheduler::CreateSchedule(ITVSchedule** result) {
  return FrameOut(result, [&] { return ComPtr<ITVSchedule>(NewSchedule()); });
}

HRESULT TTVScheduler::GetSchedules(ITVScheduleList** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVScheduleList>(
        QueryScheduleList(db_, "select * from schedules where deleted = 0 order by start_time"));
  });
}

HRESULT TTVScheduler::AddSchedule(ITVSchedule* schedule, ITVScheduleResult** result) {
  return FrameOut(result, [&] {
    if (!schedule) return ComPtr<ITVScheduleResult>(MissingSchedule());
    ComPtr<TTVSchedule> own = OwnSchedule(*schedule);
    ComPtr<TTVScheduleResult> added = Add(*own);
    if (added->Ok() && own.Get() != schedule) {
      CheckHResult(schedule->put_ID(own->fields().id));
      CheckHResult(schedule->put_TunerID(own->fields().tuner_id));
    }
    return ComPtr<ITVScheduleResult>(added);
  });
}

HRESULT TTVScheduler::DeleteSchedule(int32_t schedule_id, const std::string& deleted_by,
                                     const std::string& reason, bool* result) {
  return FrameValue(result, [&] {
    Transaction transaction = BeginScheduleChange(*db_);
    // A showing of a rule that someone other than the system deletes stays deleted: the rule's
    // recalculations skip it.
    if (CompareText(deleted_by, "System") != 0) {
      if (ComPtr<TTVSchedule> schedule = FindScheduleByID(db_, schedule_id))
        RememberDeletedShowing(*db_, *schedule);
    }
    if (!Delete(schedule_id, deleted_by, reason)) return false;
    transaction.Commit();
    return true;
  });
}

HRESULT TTVScheduler::FindSchedule(int32_t schedule_id, ITVSchedule** result) {
  return FrameOut(result, [&] { return ComPtr<ITVSchedule>(FindScheduleByID(db_, schedule_id)); });
}

HRESULT TTVScheduler::GetDeletedSchedules(ITVScheduleList** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVScheduleList>(
        QueryScheduleList(db_, "select * from schedules where deleted <> 0 order by start_time"));
  });
}

HRESULT TTVScheduler::SetScheduleStatus(int32_t schedule_id, const std::string& status,
                                        bool* result) {
  return FrameValue(result, [&] {
    db_->ExecFmt("update schedules set status = %s where schedule_id = %d",
                 {SqlArg::Quoted(status), SqlArg::Int(schedule_id)});
    return true;
  });
}

HRESULT TTVScheduler::get_ScheduleVersion(int32_t* value) {
  return GetProperty(value, [&] { return ReadScheduleVersion(*db_); });
}

HRESULT TTVScheduler::GetSchedulesForTuner(int32_t tuner_id, ITVScheduleList** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVScheduleList>(QueryScheduleList(
        db_, "select * from schedules where deleted = 0 and tuner_id = %d order by start_time",
        {SqlArg::Int(tuner_id)}));
  });
}

HRESULT TTVScheduler::Reschedule(int32_t schedule_id, int32_t new_program_id,
                                 OleDate new_program_start_time, OleDate new_program_end_time,
                                 ITVSchedule** new_schedule, ITVScheduleResult** result) {
  if (!new_schedule) return E_POINTER;
  *new_schedule = nullptr;
  return FrameOut(result, [&] {
    ComPtr<TTVSchedule> made;
    ComPtr<TTVScheduleResult> moved =
        Move(schedule_id, new_program_id, new_program_start_time, new_program_end_time, &made);
    *new_schedule = ComPtr<ITVSchedule>(made).Detach();
    return ComPtr<ITVScheduleResult>(moved);
  });
}

HRESULT TTVScheduler::CreateScheduleFromScheduleAndProgram(ITVSchedule* existing,
                                                           ITVProgram* program,
                                                           ITVSchedule** result) {
  return FrameOut(result, [&] {
    if (!existing || !program) throw Exception("A schedule and a programme are needed");
    return ComPtr<ITVSchedule>(ScheduleForProgram(*OwnSchedule(*existing), *program));
  });
}

HRESULT TTVScheduler::get_TunerCount(int32_t* value) {
  return GetProperty(value, [&] { return writer_.TunerCount(); });
}

HRESULT TTVScheduler::GetLostSchedules(ITVScheduleList** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVScheduleList>(
        QueryScheduleList(db_,
                          "select s.* from schedules s , lost_schedules l where l.schedule_id = "
                          "s.schedule_id order by s.start_time"));
  });
}

HRESULT TTVScheduler::GetSchedulesForTimeSlice(OleDate start_time, OleDate end_time,
                                               ITVScheduleList** result) {
  return FrameOut(
      result, [&] { return ComPtr<ITVScheduleList>(writer_.SchedulesForTimeSlice(start_time, end_time)); });
}

HRESULT TTVScheduler::ClearLostSchedules() {
  return Frame([&] { db_->Exec("delete from lost_schedules"); });
}

HRESULT TTVScheduler::GetConflictsForSchedule(ITVSchedule* schedule, ITVScheduleResult** result) {
  return FrameOut(result, [&] {
    if (!schedule) return ComPtr<ITVScheduleResult>(MissingSchedule());
    ScheduleFields fields = OwnSchedule(*schedule)->fields();
    ComPtr<TTVScheduleResult> resolved = ResolveConflicts(fields);
    if (resolved->Ok()) CheckHResult(schedule->put_TunerID(fields.tuner_id));
    return ComPtr<ITVScheduleResult>(resolved);
  });
}

HRESULT TTVScheduler::GetConflictsForScheduleFromList(ITVSchedule* schedule, ITVScheduleList* list,
                                                      ITVScheduleResult** result) {
  return FrameOut(result, [&] {
    if (!schedule) return ComPtr<ITVScheduleResult>(MissingSchedule());
    return ComPtr<ITVScheduleResult>(RunScheduleOperation([&](ComPtr<TTVScheduleResult>& out) {
      if (list) CollectListConflicts(*schedule, *list, *out);
    }));
  });
}

// --- repeating schedules ----------------------------------------------------------------------

HRESULT TTVScheduler::CreateRepeatingSchedule(ITVRepeatingSchedule** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVRepeatingSchedule>(MakeObject<TTVRepeatingSchedule>(db_, listings_));
  });
}

HRESULT TTVScheduler::FindRepeatingSchedule(int32_t rs_id, ITVRepeatingSchedule** result) {
  return FrameOut(result,
                  [&] { return ComPtr<ITVRepeatingSchedule>(FindRule(db_, listings_, rs_id)); });
}

HRESULT TTVScheduler::GetRepeatingSchedules(ITVRepeatingScheduleList** result) {
  return FrameOut(result,
                  [&] { return ComPtr<ITVRepeatingScheduleList>(LoadRules(db_, listings_)); });
}

HRESULT TTVScheduler::PrioritizeRepeatingSchedules(const Variant& rs_ids, std::string* error,
                                                   ITVRSPrioritizeResult** results,
                                                   bool* result) {
  if (!error || !results) return E_POINTER;
  error->clear();
  *results = nullptr;
  return FrameValue(result, [&] {
    ComPtr<TTVRSPrioritizeResult> made = MakeObject<TTVRSPrioritizeResult>();
    *results = ComPtr<ITVRSPrioritizeResult>(made).Detach();
    return PrioritizeRules(db_, listings_, rs_ids, error, *made);
  });
}

HRESULT TTVScheduler::DeleteRepeatingSchedule(int32_t rs_id, const std::string& deleted_by,
                                              const std::string& reason, bool* result) {
  return FrameValue(result,
                    [&] { return DeleteRule(db_, listings_, rs_id, deleted_by, reason); });
}

HRESULT TTVScheduler::LogRecordedProgram(ITVProgram* program) {
  return Frame([&] { kestro::LogRecordedProgram(*db_, program); });
}

HRESULT TTVScheduler::HasBeenRecorded(ITVProgram* program, bool* result) {
  return FrameValue(result, [&] { return kestro::HasBeenRecorded(*db_, program); });
}

ComPtr<TTVScheduler> MakeScheduler(ComPtr<ITVListings> listings, DBPtr db) {
  const int32_t tuner_count = LineupTunerCount(*db);
  return MakeObject<TTVScheduler>(std::move(listings), std::move(db), tuner_count);
}

}  // namespace kestro
