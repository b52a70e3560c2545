#include "scheduling/schedule_writer.h"

#include <cmath>
#include <optional>

#include "kestro/tv_programs.h"
#include "listings/program_writer.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "support/failure_report.h"

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

}  // namespace

// One change of the writer. The outermost opens the transaction and, when it commits a change,
// raises the version once; a change made inside another (the resolution and the deletions that
// make room for an add, the parts of a move) runs in the outer one's transaction, which undoes it
// whole when anything fails. A savepoint of its own would copy every page it touches into the
// savepoint journal once more.
class TScheduleWriter::Change {
 public:
  explicit Change(TScheduleWriter& writer) : writer_(writer) {
    if (writer_.depth_ == 0) {
      BeginScheduleChange(transaction_, *writer_.db_);
      writer_.changed_ = false;
    }
    ++writer_.depth_;
  }
  ~Change() { --writer_.depth_; }
  Change(const Change&) = delete;
  Change& operator=(const Change&) = delete;

  // Keeps the change; the outermost writes it. Throws when the version or the commit fails.
  void Commit() {
    if (!transaction_) return;
    if (writer_.changed_ && !writer_.raise_version_) writer_.version_left_ = true;
    if (writer_.changed_ && writer_.raise_version_) writer_.RaiseVersion();
    transaction_->Commit();
  }

 private:
  TScheduleWriter& writer_;
  std::optional<Transaction> transaction_;
};

TScheduleWriter::TScheduleWriter(DBPtr db, int32_t tuner_count)
    : db_(std::move(db)),
      tuner_count_(tuner_count),
      resolver_(db_, tuner_count_,
                [this](int32_t id, std::string_view deleted_by, std::string_view reason) {
                  return Delete(id, deleted_by, reason);
                }) {}

// --- operations ---------------------------------------------------------------------------------

void TScheduleWriter::RaiseVersion() {
  if (!IncreaseScheduleVersion(*db_)) throw Exception("Failed to update the schedule version");
}

void TScheduleWriter::RaiseVersionLeftToCaller() {
  if (!version_left_) return;
  RaiseVersion();
  version_left_ = false;
}

ComPtr<TTVSchedule> TScheduleWriter::NewSchedule() const { return MakeObject<TTVSchedule>(db_); }

ComPtr<TTVScheduleResult> TScheduleWriter::ResolveConflicts(ScheduleFields& fields) {
  return RunScheduleOperation([&](ComPtr<TTVScheduleResult>& out) {
    Change change(*this);
    out = resolver_.Resolve(fields);
    if (out->Ok()) change.Commit();
  });
}

ComPtr<TTVScheduleResult> TScheduleWriter::Add(TTVSchedule& schedule) {
  return RunScheduleOperation([&](ComPtr<TTVScheduleResult>& out) {
    ScheduleFields fields = schedule.fields();
    ValidateForAdd(fields);
    Change change(*this);
    ComPtr<TTVScheduleResult> resolved = resolver_.Resolve(fields);
    if (!resolved->Ok()) {
      out = resolved;  // the change is undone as it goes out of scope
      return;
    }
    fields.id = Store(fields, schedule.data(), change);
    schedule.fields().id = fields.id;  // only once stored: a failed add leaves them as they were
    schedule.fields().tuner_id = fields.tuner_id;
  });
}

int32_t TScheduleWriter::Store(const ScheduleFields& fields, IKestroItem& data, Change& change) {
  try {
    int32_t id = fields.id;
    if (id < 1) {
      if (fields.program_id > 0) PurgeDeletedSchedulesOfProgram(*db_, fields.program_id);
      id = InsertScheduleRow(*db_, fields);
    } else {
      UpdateScheduleRow(*db_, fields);
    }
    WriteScheduleData(*db_, id, &data);
    if (fields.program_id > 0) LinkProgramToSchedule(*db_, fields.program_id, id);
    changed_ = true;
    change.Commit();
    return id;
  } catch (const std::exception& e) {
    throw EAddSchedule(TV_ADD_SCHEDULE_SAVE_FAILED,
                       "There was an error inserting the schedule : " + FailureCause(e));
  }
}

bool TScheduleWriter::Delete(int32_t schedule_id, std::string_view deleted_by,
                          std::string_view reason) noexcept {
  try {
    Change change(*this);
    TablePtr rows = db_->QueryFmt("select program_id from schedules where schedule_id = %d",
                                  {SqlArg::Int(schedule_id)});
    if (rows->Eof()) {
      change.Commit();
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
    changed_ = true;
    change.Commit();
    return true;
  } catch (const std::exception& e) {
    ReportFailure(Format("Deleting schedule %d", schedule_id), e);
    return false;
  }
}

ComPtr<TTVSchedule> TScheduleWriter::CopyOptions(TTVSchedule& existing) const {
  const ScheduleFields& from = existing.fields();
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
  CheckHResult(schedule->data().Assign(&existing.data()));
  return schedule;
}

ComPtr<TTVScheduleResult> TScheduleWriter::Move(int32_t schedule_id, int32_t new_program_id,
                                             OleDate start, OleDate end,
                                             ComPtr<TTVSchedule>* made) {
  return RunScheduleOperation([&](ComPtr<TTVScheduleResult>& result) {
    Change change(*this);
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
    if (result->Ok()) change.Commit();
  });
}

ComPtr<TTVSchedule> TScheduleWriter::ScheduleForProgram(TTVSchedule& existing,
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

ComPtr<TTVScheduleList> TScheduleWriter::SchedulesForTimeSlice(OleDate start, OleDate end) const {
  if (end < start) return MakeObject<TTVScheduleList>();
  return MakeScheduleList(
      LoadOverlappingSchedules(db_, DateTimeToDbTime(start), DateTimeToDbTime(end)));
}

}  // namespace kestro
