#include "scheduling/rule_showings.h"

#include <algorithm>

#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/schedule_store.h"

namespace kestro {
namespace {

// The `deleted` value of a schedule set aside by a save. Only the save's own transaction ever
// sees it: the save either takes the row back, deletes it, or is undone.
constexpr int32_t kSetAside = 2;

// Db time of the showing's start: the reserved window without its hard padding.
int32_t ShowingStart(const ScheduleFields& f) {
  return DateTimeToDbTime(f.start_time + f.hard_padding_before * kOneSecond);
}

bool SameShowing(const ScheduleFields& a, const ScheduleFields& b) {
  return a.program_id == b.program_id && a.channel_id == b.channel_id &&
         ShowingStart(a) == ShowingStart(b);
}

// The same showing recorded the same way: a schedule of it can stay as it is.
bool SameRecording(const ScheduleFields& a, const ScheduleFields& b) {
  return SameShowing(a, b) && a.StartDbTime() == b.StartDbTime() &&
         a.EndDbTime() == b.EndDbTime() && a.title == b.title &&
         a.hard_padding_before == b.hard_padding_before &&
         a.hard_padding_after == b.hard_padding_after &&
         a.soft_padding_before == b.soft_padding_before &&
         a.soft_padding_after == b.soft_padding_after && a.keep_until == b.keep_until &&
         a.folder == b.folder && a.quality == b.quality && a.created_by == b.created_by &&
         a.delete_on_conflict == b.delete_on_conflict && a.wake_up == b.wake_up;
}

void SetDeletedValue(IDB& db, int32_t schedule_id, int32_t value) {
  db.ExecFmt("update schedules set deleted = %d where schedule_id = %d",
             {SqlArg::Int(value), SqlArg::Int(schedule_id)});
}

}  // namespace

// --- showings deleted by the user -------------------------------------------------------------

ShowingKey KeyOfShowing(TTVSchedule& schedule) {
  const ScheduleFields& f = schedule.fields();
  std::string key;
  if (f.program_id > 0) {
    if (ComPtr<TTableTVProgram> program = schedule.Program()) {
      CheckHResult(program->get_EqualityKey(&key));
      key = Trim(key);
    }
  }
  return {key, ShowingStart(f)};
}

void RememberDeletedShowing(IDB& db, TTVSchedule& schedule) {
  const int32_t rs_id = schedule.fields().rs_id;
  if (rs_id <= 0) return;
  const auto [key, start] = KeyOfShowing(schedule);
  db.ExecFmt(
      "insert or ignore into rule_exclusions ( rs_id , equality_key , start_time ) values ( %d , "
      "%s , %d )",
      {SqlArg::Int(rs_id), SqlArg::Quoted(key), SqlArg::Int(start)});
}

std::set<ShowingKey> DeletedShowingsOfRule(IDB& db, int32_t rs_id) {
  std::set<ShowingKey> keys;
  TablePtr rows = db.QueryFmt(
      "select equality_key , start_time from rule_exclusions where rs_id = %d",
      {SqlArg::Int(rs_id)});
  for (; !rows->Eof(); rows->Next()) keys.emplace(rows->Text(0), StrToIntDef(rows->Text(1), 0));
  return keys;
}

void ForgetDeletedShowingsOfRule(IDB& db, int32_t rs_id) {
  db.ExecFmt("delete from rule_exclusions where rs_id = %d", {SqlArg::Int(rs_id)});
}

// --- schedules kept through a recalculation ---------------------------------------------------

int32_t SetRuleSchedulesAside(IDB& db, int32_t rs_id, bool in_progress_too, OleDate now) {
  const int32_t now_db = DateTimeToDbTime(now);
  const std::string in_progress =
      in_progress_too ? ""
                      : Format(" and not ( start_time <= %d and end_time > %d )", now_db, now_db);
  const std::string where = Format("where deleted = 0 and rs_id = %d", rs_id) + in_progress;
  const int32_t count = db.QueryInt("select count ( * ) from schedules " + where);
  db.ExecFmt("update schedules set deleted = %d %s", {SqlArg::Int(kSetAside), SqlArg::Raw(where)});
  return count;
}

SetAsideSchedules::SetAsideSchedules(const DBPtr& db, int32_t rs_id) {
  TablePtr rows = db->QueryFmt(
      "select * from schedules where deleted = %d and rs_id = %d order by start_time",
      {SqlArg::Int(kSetAside), SqlArg::Int(rs_id)});
  schedules_ = ReadSchedules(db, *rows);
}

ComPtr<TTVSchedule> SetAsideSchedules::Take(IDB& db, const TTVSchedule& candidate) {
  auto found = std::find_if(schedules_.begin(), schedules_.end(), [&](const auto& s) {
    return SameRecording(s->fields(), candidate.fields());
  });
  if (found == schedules_.end()) return nullptr;
  ComPtr<TTVSchedule> taken = *found;
  schedules_.erase(found);
  SetDeletedValue(db, taken->fields().id, 0);
  return taken;
}

void SetAsideSchedules::PutBack(IDB& db, ComPtr<TTVSchedule> schedule) {
  SetDeletedValue(db, schedule->fields().id, kSetAside);
  schedules_.push_back(std::move(schedule));
}

ComPtr<TTVSchedule> SetAsideSchedules::TakeAnyOfShowing(const TTVSchedule& candidate) {
  auto found = std::find_if(schedules_.begin(), schedules_.end(), [&](const auto& s) {
    return SameShowing(s->fields(), candidate.fields());
  });
  if (found == schedules_.end()) return nullptr;
  ComPtr<TTVSchedule> taken = *found;
  schedules_.erase(found);
  return taken;
}

int32_t SetAsideSchedules::PurgeRest(TScheduleWriter& writer) {
  int32_t purged = 0;
  for (const ComPtr<TTVSchedule>& s : schedules_) {
    if (writer.Delete(s->fields().id, "", kPurgeScheduleReason)) ++purged;
  }
  schedules_.clear();
  return purged;
}

}  // namespace kestro
