#include "scheduling/tv_scheduler.h"

#include <cmath>

#include "kestro/tv_programs.h"
#include "listings/program_store.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/repeating_schedule.h"
#include "scheduling/rule_library.h"
#include "scheduling/rule_operations.h"
#include "scheduling/schedule_store.h"
#include "support/failure_report.h"
#include "support/tuner_configuration.h"

namespace kestro {
namespace {

// A date that is not "no time" (0.0) but has no db time (outside 1980..2107, or not a number).
bool NotConvertible(OleDate value) {
  return value != 0.0 && (!std::isfinite(value) || DateTimeToDbTime(value) == 0);
}

// The checks an add makes before it touches the database; throws EAddSchedule.
void ValidateForAdd(const ScheduleFields& f) {
  if (NotConvertible(f.start_time) || NotConvertible(f.end_time)) {
    throw EAddSchedule(TV_ADD_SCHEDULE_INVALID_TIMES, "Failed to convert start and end times");
  }
  const int32_t start = f.StartDbTime(), end = f.EndDbTime();
  if (DbTimeDiff(end, start) <= 0) {
    throw EAddSchedule(TV_ADD_SCHEDULE_INVALID_TIMES,
                       "End time is less than or equal to start time");
  }
  // Db times from 2044 on are negative as signed integers, so only "no time" is refused here.
  if (start == 0 || end == 0) {
    throw EAddSchedule(TV_ADD_SCHEDULE_INVALID_TIMES, "Start and/or end times are invalid");
  }
  if (f.soft_padding_before < 0 || f.soft_padding_after < 0) {
    throw EAddSchedule(TV_ADD_SCHEDULE_INVALID_PADDING, "Soft padding values are less than zero");
  }
}

// The result of an operation called without its schedule.
ComPtr<TTVScheduleResult> MissingSchedule() {
  ComPtr<TTVScheduleResult> result = MakeObject<TTVScheduleResult>();
  result->Set(TV_ADD_SCHEDULE_INVALID_PARAMETERS, "No schedule given");
  return result;
}

}  // namespace

TTVScheduler::TTVScheduler(ComPtr<ITVListings> listings, DBPtr db, int32_t tuner_count)
    : listings_(std::move(listings)),
      db_(std::move(db)),
      tuner_count_(tuner_count),
      resolver_(db_, tuner_count_,
                [this](int32_t id, std::string_view deleted_by, std::string_view reason) {
                  return Delete(id, deleted_by, reason);
                }) {}

// --- operations ---------------------------------------------------------------------------------

ComPtr<TTVSchedule> TTVScheduler::NewSchedule() const { return MakeObject<TTVSchedule>(db_); }

ComPtr<TTVScheduleResult> TTVScheduler::ResolveConflicts(ITVSchedule& schedule) {
  return resolver_.Resolve(schedule);
}

ComPtr<TTVScheduleResult> TTVScheduler::Add(ITVSchedule& schedule) {
  bool read = false;
  ScheduleFields before;
  ComPtr<TTVScheduleResult> result = RunScheduleOperation([&](ComPtr<TTVScheduleResult>& out) {
    before = ReadScheduleFields(schedule);
    read = true;
    ValidateForAdd(before);
    Transaction transaction = BeginScheduleChange(*db_);
    ComPtr<TTVScheduleResult> resolved = ResolveConflicts(schedule);
    if (!resolved->Ok()) {
      out = resolved;  // the transaction is undone as it goes out of scope
      return;
    }
    Store(schedule, transaction);
  });
  if (!result->Ok() && read) {
    // Nothing was stored: the schedule must not keep an ID or tuner that the database lacks.
    schedule.put_ID(before.id);
    schedule.put_TunerID(before.tuner_id);
  }
  return result;
}

void TTVScheduler::Store(ITVSchedule& schedule, Transaction& transaction) {
  try {
    ScheduleFields fields = ReadScheduleFields(schedule);
    ComPtr<IKestroItem> data;
    CheckHResult(schedule.get_Data(data.ReleaseAndGetAddressOf()));
    if (fields.id < 1) {
      if (fields.program_id > 0) PurgeDeletedSchedulesOfProgram(*db_, fields.program_id);
      fields.id = InsertScheduleRow(*db_, fields);
      CheckHResult(schedule.put_ID(fields.id));
    } else {
      UpdateScheduleRow(*db_, fields);
    }
    WriteScheduleData(*db_, fields.id, data.Get());
    if (fields.program_id > 0) {
      LinkProgramToSchedule(*db_, fields.program_id, fields.id);
    }
    if (!IncreaseScheduleVersion(*db_)) {
      throw EAddSchedule(TV_ADD_SCHEDULE_SAVE_FAILED, "Failed to update the schedule version");
    }
    transaction.Commit();
  } catch (const std::exception& e) {
    throw EAddSchedule(TV_ADD_SCHEDULE_SAVE_FAILED,
                       std::string("There was an error inserting the schedule : ") + e.what());
  }
}

bool TTVScheduler::Delete(int32_t schedule_id, std::string_view deleted_by,
                          std::string_view reason) noexcept {
  try {
    Transaction transaction = BeginScheduleChange(*db_);
    TablePtr rows = db_->QueryFmt("select program_id from schedules where schedule_id = %d",
                                  {SqlArg::Int(schedule_id)});
    if (rows->Eof()) {
      transaction.Commit();
      return true;
    }
    const int32_t program_id = StrToIntDef(rows->Text(0), 0);
    // Only the programme's link to this schedule: deleting an old, already deleted schedule must
    // not unlink the programme from the live schedule that records it now.
    UnlinkProgramFromSchedule(*db_, program_id, schedule_id);
    if (reason == kPurgeScheduleReason) {
      PurgeSchedule(*db_, schedule_id);
    } else {
      MarkScheduleDeleted(*db_, schedule_id, deleted_by, reason);
    }
    if (!IncreaseScheduleVersion(*db_)) throw Exception("Failed to update schedule version");
    transaction.Commit();
    return true;
  } catch (const std::exception& e) {
    ReportFailure(Format("Deleting schedule %d", schedule_id), e);
    return false;
  }
}

ComPtr<TTVSchedule> TTVScheduler::CopyOptions(ITVSchedule& existing) const {
  const ScheduleFields from = ReadScheduleFields(existing);
  ComPtr<TTVSchedule> schedule = NewSchedule();
  ScheduleFields& to = schedule->fields();
  to.soft_padding_before = from.soft_padding_before;
  to.soft_padding_after = from.soft_padding_after;
  to.delete_on_conflict = from.delete_on_conflict;
  to.wake_up = from.wake_up;
  to.created_by = from.created_by;
  to.hard_padding_before = from.hard_padding_before;
  to.hard_padding_after = from.hard_padding_after;
  to.rs_id = from.rs_id;
  to.quality = from.quality;
  to.folder = from.folder;
  ComPtr<IKestroItem> data;
  CheckHResult(existing.get_Data(data.ReleaseAndGetAddressOf()));
  CheckHResult(schedule->data().Assign(data.Get()));
  return schedule;
}

ComPtr<TTVScheduleResult> TTVScheduler::Move(int32_t schedule_id, int32_t new_program_id,
                                             OleDate start, OleDate end,
                                             ComPtr<TTVSchedule>* made) {
  return RunScheduleOperation([&](ComPtr<TTVScheduleResult>& result) {
    Transaction transaction = BeginScheduleChange(*db_);
    ComPtr<TTVSchedule> old = FindScheduleByID(db_, schedule_id);
    if (!old) {
      throw EAddSchedule(TV_ADD_SCHEDULE_LOAD_FAILED,
                         Format("Unable to find existing schedule id %d", schedule_id));
    }
    ComPtr<TTVSchedule> schedule = CopyOptions(*old);
    ScheduleFields& f = schedule->fields();
    f.start_time = start - old->fields().hard_padding_before * kOneSecond;
    f.end_time = end + old->fields().hard_padding_after * kOneSecond;
    f.channel_id = old->fields().channel_id;
    f.title = old->fields().title;
    f.program_id = new_program_id;
    if (made) *made = schedule;

    if (!Delete(schedule_id, "System", "Re-scheduling")) {
      throw EAddSchedule(TV_ADD_SCHEDULE_SAVE_FAILED,
                         "Unable to delete old schedule in attempt to re-schedule");
    }
    result = Add(*schedule);
    if (result->Ok()) transaction.Commit();
  });
}

ComPtr<TTVSchedule> TTVScheduler::ScheduleForProgram(ITVSchedule& existing,
                                                     ITVProgram& program) const {
  ComPtr<TTVSchedule> schedule = CopyOptions(existing);
  ScheduleFields& f = schedule->fields();
  OleDate start = 0.0, end = 0.0;
  CheckHResult(program.get_StartTime(&start));
  CheckHResult(program.get_EndTime(&end));
  CheckHResult(program.get_ChannelID(&f.channel_id));
  CheckHResult(program.get_Title(&f.title));
  CheckHResult(program.get_ID(&f.program_id));
  f.start_time = start - f.hard_padding_before * kOneSecond;
  f.end_time = end + f.hard_padding_after * kOneSecond;
  return schedule;
}

ComPtr<TTVScheduleList> TTVScheduler::SchedulesForTimeSlice(OleDate start, OleDate end) const {
  if (end < start) return MakeObject<TTVScheduleList>();
  return MakeScheduleList(
      LoadOverlappingSchedules(db_, DateTimeToDbTime(start), DateTimeToDbTime(end)));
}

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
    return ComPtr<ITVScheduleResult>(schedule ? Add(*schedule) : MissingSchedule());
  });
}

HRESULT TTVScheduler::DeleteSchedule(int32_t schedule_id, const std::string& deleted_by,
                                     const std::string& reason, bool* result) {
  return FrameValue(result, [&] { return Delete(schedule_id, deleted_by, reason); });
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
  return FrameValue(value, [&] { return ReadScheduleVersion(*db_); });
}

HRESULT TTVScheduler::GetSchedulesForTuner(int32_t tuner_id, ITVScheduleList** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVScheduleList>(QueryScheduleList(
        db_, "select * from schedules where deleted = 0 and tuner_id = %d order by start_time",
        {SqlArg::Int(tuner_id)}));
  });
}

HRESULT TTVScheduler::Reschedule(int32_t schedule_id, int32_t new_program_id,
                                 double new_program_start_time, double new_program_end_time,
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
    return ComPtr<ITVSchedule>(ScheduleForProgram(*existing, *program));
  });
}

HRESULT TTVScheduler::get_TunerCount(int32_t* value) {
  return FrameValue(value, [&] { return tuner_count_; });
}

HRESULT TTVScheduler::GetLostSchedules(ITVScheduleList** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVScheduleList>(
        QueryScheduleList(db_,
                          "select s.* from schedules s , lost_schedules l where l.schedule_id = "
                          "s.schedule_id order by s.start_time"));
  });
}

HRESULT TTVScheduler::GetSchedulesForTimeSlice(double start_time, double end_time,
                                               ITVScheduleList** result) {
  return FrameOut(
      result, [&] { return ComPtr<ITVScheduleList>(SchedulesForTimeSlice(start_time, end_time)); });
}

HRESULT TTVScheduler::ClearLostSchedules() {
  return Frame([&] { db_->Exec("delete from lost_schedules"); });
}

HRESULT TTVScheduler::GetConflictsForSchedule(ITVSchedule* schedule, ITVScheduleResult** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVScheduleResult>(schedule ? ResolveConflicts(*schedule) : MissingSchedule());
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

ComPtr<ITVScheduler> MakeScheduler(ComPtr<ITVListings> listings, DBPtr db) {
  return ComPtr<ITVScheduler>(
      MakeObject<TTVScheduler>(std::move(listings), std::move(db), TunerCount()));
}

}  // namespace kestro
