#include "scheduling/schedule_store.h"

#include <algorithm>
#include <limits>

#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/schedule_result.h"
#include "support/failure_report.h"

namespace kestro {
namespace {

constexpr const char* kVersionName = "schedule-data-version";

// Where each column of a schedules result stands, looked up once per result (-1 when absent).
struct ScheduleColumns {
  explicit ScheduleColumns(const ITable& rows) {
    for (int32_t i = 0; i < rows.ColumnCount(); ++i) {
      const std::string name = AsciiLower(rows.ColumnName(i));
      for (auto& [column, index] : Entries()) {
        if (name == column) *index = i;
      }
    }
  }

  int32_t schedule_id = -1, deleted = -1, tuner_id = -1, program_id = -1, channel_id = -1,
          rs_id = -1, title = -1, start_time = -1, end_time = -1, hard_padding_before = -1,
          hard_padding_after = -1, soft_padding_before = -1, soft_padding_after = -1,
          delete_on_conflict = -1, wake_up = -1, keep_until = -1, folder = -1, quality = -1,
          created_by = -1, deleted_by = -1, reason = -1, status = -1;

 private:
  std::vector<std::pair<std::string_view, int32_t*>> Entries() {
    return {{"schedule_id", &schedule_id},
            {"deleted", &deleted},
            {"tuner_id", &tuner_id},
            {"program_id", &program_id},
            {"channel_id", &channel_id},
            {"rs_id", &rs_id},
            {"title", &title},
            {"start_time", &start_time},
            {"end_time", &end_time},
            {"hard_padding_before", &hard_padding_before},
            {"hard_padding_after", &hard_padding_after},
            {"soft_padding_before", &soft_padding_before},
            {"soft_padding_after", &soft_padding_after},
            {"delete_on_conflict", &delete_on_conflict},
            {"wake_up", &wake_up},
            {"keep_until", &keep_until},
            {"folder", &folder},
            {"quality", &quality},
            {"created_by", &created_by},
            {"deleted_by", &deleted_by},
            {"reason", &reason},
            {"status", &status}};
  }
};

// An integer the row must hold: anything else (NULL included) throws EConvertError.
int32_t StrictInt(const ITable& rows, int32_t column) {
  const char* cell = rows.Field(column);
  return StrToInt(cell ? cell : "");
}

// An integer, or 0 when the cell holds anything else.
int32_t LenientInt(const ITable& rows, int32_t column) {
  const char* cell = rows.Field(column);
  int32_t value = 0;
  return cell && TryStrToInt(cell, &value) ? value : 0;
}

ScheduleFields ReadRow(const ITable& rows, const ScheduleColumns& c) {
  ScheduleFields f;
  f.id = StrictInt(rows, c.schedule_id);
  f.tuner_id = StrictInt(rows, c.tuner_id);
  f.start_time = DbTimeToDateTime(StrictInt(rows, c.start_time));
  f.end_time = DbTimeToDateTime(StrictInt(rows, c.end_time));
  f.soft_padding_before = StrictInt(rows, c.soft_padding_before);
  f.soft_padding_after = StrictInt(rows, c.soft_padding_after);
  f.delete_on_conflict = StrictInt(rows, c.delete_on_conflict) == 1;
  f.wake_up = StrictInt(rows, c.wake_up) == 1;

  f.deleted = LenientInt(rows, c.deleted) != 0;
  f.program_id = LenientInt(rows, c.program_id);
  f.channel_id = LenientInt(rows, c.channel_id);
  f.rs_id = LenientInt(rows, c.rs_id);
  f.hard_padding_before = LenientInt(rows, c.hard_padding_before);
  f.hard_padding_after = LenientInt(rows, c.hard_padding_after);
  f.keep_until = LenientInt(rows, c.keep_until);

  f.title = rows.Text(c.title);
  f.created_by = rows.Text(c.created_by);
  f.deleted_by = rows.Text(c.deleted_by);
  f.reason = rows.Text(c.reason);
  f.status = rows.Text(c.status);
  f.folder = rows.Text(c.folder);
  f.quality = rows.Text(c.quality);
  return f;
}

void ReadData(IDB& db, int32_t schedule_id, TDictionary& data) {
  TablePtr rows =
      db.QueryFmt("select prop_name , prop_value from schedule_data where schedule_id = %d",
                  {SqlArg::Int(schedule_id)});
  for (; !rows->Eof(); rows->Next()) data.Set(rows->Text(0), Variant(rows->Text(1)));
}

}  // namespace

std::vector<ComPtr<TTVSchedule>> ReadSchedules(const DBPtr& db, ITable& rows) {
  const ScheduleColumns columns(rows);
  std::vector<ComPtr<TTVSchedule>> schedules;
  schedules.reserve(static_cast<size_t>(rows.RowCount()));
  for (rows.First(); !rows.Eof(); rows.Next()) {
    ComPtr<TTVSchedule> schedule = MakeObject<TTVSchedule>(db, ReadRow(rows, columns));
    ReadData(*db, schedule->fields().id, schedule->data());
    schedules.push_back(std::move(schedule));
  }
  return schedules;
}

ComPtr<TTVScheduleList> MakeScheduleList(const std::vector<ComPtr<TTVSchedule>>& schedules) {
  ComPtr<TTVScheduleList> list = MakeObject<TTVScheduleList>();
  for (const ComPtr<TTVSchedule>& schedule : schedules) list->Add(schedule);
  return list;
}

ComPtr<TTVScheduleList> QueryScheduleList(const DBPtr& db, std::string_view format,
                                          const SqlArgs& args) {
  TablePtr rows = db->QueryFmt(format, args);
  return MakeScheduleList(ReadSchedules(db, *rows));
}

ComPtr<TTVSchedule> FindScheduleByID(const DBPtr& db, int32_t schedule_id) {
  TablePtr rows =
      db->QueryFmt("select * from schedules where schedule_id = %d", {SqlArg::Int(schedule_id)});
  std::vector<ComPtr<TTVSchedule>> found = ReadSchedules(db, *rows);
  return found.empty() ? nullptr : found.front();
}

namespace {

// Bounds of the live schedules' window lengths (end_time - start_time, in db time units).
struct WindowLengths {
  int64_t shortest = 0, longest = 0;
};

// Two seeks in idx_schedules_length: the shortest window of all (deleted ones too, so at most
// the shortest live one) and the longest live one, walking down past longer deleted windows (the
// unary plus keeps SQLite from reading through idx_schedules_deleted instead). Nullopt when no
// schedule is live.
std::optional<WindowLengths> LiveWindowLengths(IDB& db) {
  TablePtr rows = db.QueryFmt(
      "select ( select min ( end_time - start_time ) from schedules ) , ( select max ( end_time "
      "- start_time ) from schedules where +deleted = 0 )",
      {});
  WindowLengths lengths;
  if (rows->Eof() || !rows->Field(0) || !rows->Field(1) ||
      !TryStrToInt64(rows->Text(0), &lengths.shortest) ||
      !TryStrToInt64(rows->Text(1), &lengths.longest)) {
    return std::nullopt;
  }
  return lengths;
}

}  // namespace

std::vector<ComPtr<TTVSchedule>> LoadOverlappingSchedules(const DBPtr& db, int32_t start_db,
                                                          int32_t end_db) {
  const std::optional<WindowLengths> lengths = LiveWindowLengths(*db);
  if (!lengths) return {};
  const int64_t s = start_db, e = end_db;
  // An overlapping window starts inside [s, e), ends inside (s, e] or covers [s, e], and its
  // length lies between the shortest and the longest: so it starts within [low, high]. Bounding
  // start_time reads only the schedules near the slice instead of every live one; the overlap
  // test is the same, and the rows keep the id order a read of every live schedule gives.
  const int64_t low = std::min({s, s + 1 - lengths->longest, e - lengths->longest});
  const int64_t high = std::max({e - 1, e - lengths->shortest, s});
  TablePtr rows = db->QueryFmt(
      "select * from schedules indexed by idx_schedules_start_time where start_time >= %d and "
      "start_time <= %d and deleted = 0 and  ( ( start_time >= %d and start_time <  %d ) or    "
      "( end_time   >  %d and end_time   <= %d ) or    ( start_time <= %d and end_time   >= %d "
      ") ) order by schedule_id",
      {SqlArg::Int(low), SqlArg::Int(high), SqlArg::Int(s), SqlArg::Int(e), SqlArg::Int(s),
       SqlArg::Int(e), SqlArg::Int(s), SqlArg::Int(e)});
  return ReadSchedules(db, *rows);
}

std::vector<ComPtr<TTVSchedule>> LoadLiveSchedulesOfProgram(const DBPtr& db, int32_t program_id) {
  TablePtr rows = db->QueryFmt("select * from schedules where deleted = 0 and program_id = %d",
                               {SqlArg::Int(program_id)});
  return ReadSchedules(db, *rows);
}

namespace {

// The values of the stored columns, in the order both the insert and the update name them.
SqlArgs ScheduleRowArgs(const ScheduleFields& f) {
  return {SqlArg::Int(f.StartDbTime()),
          SqlArg::Int(f.EndDbTime()),
          SqlArg::Int(f.tuner_id),
          SqlArg::Int(f.soft_padding_before),
          SqlArg::Int(f.soft_padding_after),
          SqlArg::Int(f.channel_id),
          SqlArg::Int(f.delete_on_conflict ? 1 : 0),
          SqlArg::Int(f.wake_up ? 1 : 0),
          SqlArg::Int(f.hard_padding_before),
          SqlArg::Int(f.hard_padding_after),
          SqlArg::Quoted(f.title),
          SqlArg::Int(f.program_id),
          SqlArg::Int(f.rs_id),
          SqlArg::Quoted(f.folder),
          SqlArg::Quoted(f.quality),
          SqlArg::Int(f.keep_until),
          SqlArg::Quoted(f.created_by)};
}

}  // namespace

int32_t InsertScheduleRow(IDB& db, const ScheduleFields& f) {
  db.ExecFmt(
      "insert into schedules ( schedule_id , start_time , end_time , tuner_id , "
      "soft_padding_before , soft_padding_after , channel_id , delete_on_conflict , wake_up , "
      "hard_padding_before , hard_padding_after , title , program_id , rs_id , folder , quality , "
      "keep_until , created_by , status , deleted ) values ( null , %d , %d , %d , %d , %d , %d , "
      "%d , %d , %d , %d , %s , %d , %d , %s , %s , %d , %s , \"NEW\" , 0 )",
      ScheduleRowArgs(f));
  return db.LastInsertRowID();
}

void UpdateScheduleRow(IDB& db, const ScheduleFields& f) {
  // An update of a row that is gone would report success and store nothing.
  if (db.QueryIntFmt("select count ( * ) from schedules where schedule_id = %d",
                     {SqlArg::Int(f.id)}) == 0) {
    throw Exception(Format("Schedule %d does not exist", f.id));
  }
  SqlArgs args = ScheduleRowArgs(f);
  args.push_back(SqlArg::Int(f.id));
  db.ExecFmt(
      "update schedules set start_time = %d , end_time = %d , tuner_id = %d , "
      "soft_padding_before = %d , soft_padding_after = %d , channel_id = %d , "
      "delete_on_conflict = %d , wake_up = %d , hard_padding_before = %d , "
      "hard_padding_after = %d , title = %s , program_id = %d , rs_id = %d , folder = %s , "
      "quality = %s , keep_until = %d , created_by = %s where schedule_id = %d",
      args);
}

void WriteScheduleData(IDB& db, int32_t schedule_id, IKestroItem* data) {
  db.ExecFmt("delete from schedule_data where schedule_id = %d", {SqlArg::Int(schedule_id)});
  ForEachItemValue(data, [&](const std::string& name, const Variant& value) {
    db.ExecFmt(
        "insert into schedule_data ( schedule_id , prop_name , prop_value ) values ( %d , %s , "
        "%s )",
        {SqlArg::Int(schedule_id), SqlArg::Quoted(name), SqlArg::Quoted(VarToStr(value))});
  });
}

void PurgeDeletedSchedulesOfProgram(IDB& db, int32_t program_id) {
  TablePtr rows =
      db.QueryFmt("select schedule_id from schedules where deleted = 1 and program_id = %d",
                  {SqlArg::Int(program_id)});
  for (; !rows->Eof(); rows->Next()) {
    const SqlArg id = SqlArg::Raw(rows->Text(0));
    db.ExecFmt("delete from schedules where schedule_id = %s", {id});
    db.ExecFmt("delete from schedule_data where schedule_id = %s", {id});
  }
}

void PurgeSchedule(IDB& db, int32_t schedule_id) {
  db.ExecFmt("delete from schedule_data where schedule_id = %d", {SqlArg::Int(schedule_id)});
  db.ExecFmt("delete from schedules where schedule_id = %d", {SqlArg::Int(schedule_id)});
}

void MarkScheduleDeleted(IDB& db, int32_t schedule_id, std::string_view deleted_by,
                         std::string_view reason) {
  db.ExecFmt(
      "update schedules set deleted = 1 , deleted_by = %s , reason = %s where schedule_id = %d",
      {SqlArg::Quoted(deleted_by), SqlArg::Quoted(reason), SqlArg::Int(schedule_id)});
}

int32_t ReadScheduleVersion(IDB& db) {
  TablePtr rows = db.QueryFmt("select param_value from parameters where param_name = %s",
                              {SqlArg::Quoted(kVersionName)});
  return rows->Eof() ? -1 : StrToInt(rows->Text(0));
}

bool IncreaseScheduleVersion(IDB& db) noexcept {
  try {
    TablePtr rows = db.QueryFmt("select param_value from parameters where param_name = %s",
                                {SqlArg::Quoted(kVersionName)});
    if (rows->Eof()) return false;
    const int32_t version = StrToInt(rows->Text(0));
    const int32_t next = version == std::numeric_limits<int32_t>::max() ? 1 : version + 1;
    db.ExecFmt("update parameters set param_value = %d where param_name = %s",
               {SqlArg::Int(next), SqlArg::Quoted(kVersionName)});
    return true;
  } catch (const std::exception& e) {
    ReportFailure("Increasing the schedule version", e);
    return false;
  }
}

// --- transactions -----------------------------------------------------------------------------

namespace {

[[noreturn]] void ThrowScheduleChangeRefused(const EDatabaseError& e, const char* busy_message) {
  if (e.IsBusy()) throw EAddSchedule(TV_ADD_SCHEDULE_BUSY, busy_message);
  // A read-only database refuses the write lock: the user learns which fault it is.
  throw EAddSchedule(TV_ADD_SCHEDULE_SAVE_FAILED,
                     "Failed to start a transaction : " + FailureCause(e));
}

}  // namespace

Transaction BeginScheduleChange(IDB& db, const char* busy_message) {
  try {
    return Transaction(db);
  } catch (const EDatabaseError& e) {
    ThrowScheduleChangeRefused(e, busy_message);
  }
}

void BeginScheduleChange(std::optional<Transaction>& unit, IDB& db, const char* busy_message) {
  try {
    unit.emplace(db);
  } catch (const EDatabaseError& e) {
    ThrowScheduleChangeRefused(e, busy_message);
  }
}

}  // namespace kestro
