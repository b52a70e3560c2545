#include "scheduling/rule_store.h"

#include <cmath>

#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "scheduling/schedule_store.h"

namespace kestro {
namespace {


// Time-of-day fields are stored as db time of today's date plus that time.
int32_t StoredTime(OleDate today, OleDate time_of_day) {
  return DateTimeToDbTime(DateOf(today) + time_of_day);
}

RuleFields ReadRuleRow(const ITable& rows) {
  auto integer = [&](const char* column, int32_t fallback) {
    return StrToIntDef(rows.Text(column), fallback);
  };
  RuleFields f;
  f.id = integer("rs_id", 0);
  f.rs_type = integer("rs_type", TV_RS_TYPE_SEARCH);
  f.priority = integer("priority", 0);
  f.title = rows.Text("title");
  f.hard_padding_before = integer("hard_padding_before", 0);
  f.hard_padding_after = integer("hard_padding_after", 0);
  f.soft_padding_before = integer("soft_padding_before", 0);
  f.soft_padding_after = integer("soft_padding_after", 0);
  f.channel_id = integer("channel_id", 0);
  f.start_time = TimeOfDay(DbTimeToDateTime(integer("start_time", 0)));
  f.end_time = TimeOfDay(DbTimeToDateTime(integer("end_time", 0)));
  f.frequency = rows.Text("frequency");
  f.search_criteria = rows.Text("search_criteria");
  f.keep_until = integer("keep_until", 0);
  f.folder = rows.Text("folder");
  f.quality = rows.Text("quality");
  f.keep_at_most = integer("keep_at_most", 0);
  f.repeats = integer("repeats", 0);
  f.created_by = rows.Text("created_by");
  f.duplicates = integer("duplicates", 0);
  return f;
}

// The values of every column but rs_id, in the order of kRuleColumns; `today` dates the times.
SqlArgs RuleRowArgs(const RuleFields& f, OleDate today) {
  return {SqlArg::Int(f.rs_type),
          SqlArg::Int(f.priority),
          SqlArg::Quoted(f.title),
          SqlArg::Int(f.hard_padding_before),
          SqlArg::Int(f.hard_padding_after),
          SqlArg::Int(f.soft_padding_before),
          SqlArg::Int(f.soft_padding_after),
          SqlArg::Int(f.channel_id),
          SqlArg::Int(StoredTime(today, f.start_time)),
          SqlArg::Int(StoredTime(today, f.end_time)),
          SqlArg::Quoted(f.frequency),
          SqlArg::Quoted(f.search_criteria),
          SqlArg::Int(f.keep_until),
          SqlArg::Quoted(f.folder),
          SqlArg::Quoted(f.quality),
          SqlArg::Int(f.keep_at_most),
          SqlArg::Int(f.repeats),
          SqlArg::Quoted(f.created_by),
          SqlArg::Int(f.duplicates)};
}

// Every CR LF pair becomes a backslash, so a rule's criteria stay on one log line.
std::string ReplaceLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += '\\';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

OleDate TimeOfDay(OleDate value) { return std::isfinite(value) ? TimeOf(value) : OleDate(); }

bool FrequencyMatchesDay(const std::string& frequency, int iso_weekday) {
  static const char* const kDays[] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
  const std::string token = AsciiLower(frequency);
  if (token == "every-day") return true;
  if (token == "week-day") return iso_weekday >= 1 && iso_weekday <= 5;
  if (token == "week-end") return iso_weekday == 6 || iso_weekday == 7;
  return iso_weekday >= 1 && iso_weekday <= 7 && token == kDays[iso_weekday - 1];
}

std::string RuleValidationError(const RuleFields& r) {
  if (r.hard_padding_before < 0) return "Hard padding before < 0";
  if (r.hard_padding_after < 0) return "Hard padding after < 0";
  if (r.soft_padding_before < 0) return "Soft padding before < 0";
  if (r.soft_padding_after < 0) return "Soft padding after < 0";
  if (r.keep_at_most < 0) return "Keep at most < 0";
  if (r.IsSearchRule()) return r.search_criteria.empty() ? "Missing search criteria" : "";
  if (r.IsTimeRule()) {
    if (r.channel_id < 1) return "Invalid channel id";
    if (r.frequency.empty()) return "Missing frequency";
    return "";
  }
  return "Invalid repeating schedule type";
}

const char* RuleTypeName(int32_t rs_type) {
  switch (rs_type) {
    case TV_RS_TYPE_TIME: return "TIME";
    case TV_RS_TYPE_SEARCH: return "SEARCH";
    default: return "UNKNOWN";
  }
}

std::string RuleLogText(const RuleFields& r) {
  if (r.IsTimeRule()) {
    return Format("(%d) : %s : \"%s\" : pr %d : kam %d : channel %d : %s : %s - %s", r.id,
                  RuleTypeName(r.rs_type), r.title.c_str(), r.priority, r.keep_at_most,
                  r.channel_id, r.frequency.c_str(), FormatDateTime("hh:nn", r.start_time).c_str(),
                  FormatDateTime("hh:nn", r.end_time).c_str());
  }
  if (r.IsSearchRule()) {
    return Format("(%d) : %s : \"%s\" : pr %d : kam %d : search \"%s\"", r.id,
                  RuleTypeName(r.rs_type), r.title.c_str(), r.priority, r.keep_at_most,
                  ReplaceLineBreaks(r.search_criteria).c_str());
  }
  return Format("(%d) : %s : \"%s\": pr %d", r.id, RuleTypeName(r.rs_type), r.title.c_str(),
                r.priority);
}

// --- the table --------------------------------------------------------------------------------

std::optional<RuleFields> FindRuleFields(IDB& db, int32_t rs_id) {
  TablePtr rows =
      db.QueryFmt("select * from repeating_schedules where rs_id = %d", {SqlArg::Int(rs_id)});
  if (rows->Eof()) return std::nullopt;
  return ReadRuleRow(*rows);
}

std::vector<RuleFields> LoadAllRuleFields(IDB& db) {
  TablePtr rows = db.Query("select * from repeating_schedules order by priority desc");
  std::vector<RuleFields> rules;
  for (rows->First(); !rows->Eof(); rows->Next()) rules.push_back(ReadRuleRow(*rows));
  return rules;
}

int32_t InsertRuleRow(IDB& db, const RuleFields& rule) {
  db.ExecFmt(
      "insert into repeating_schedules ( rs_id , rs_type , priority , title , "
      "hard_padding_before , hard_padding_after , soft_padding_before , soft_padding_after , "
      "channel_id , start_time , end_time , frequency , search_criteria , keep_until , folder , "
      "quality , keep_at_most , repeats , created_by , duplicates ) values ( null , %d , %d , %s , "
      "%d , %d , %d , %d , %d , %d , %d , %s , %s , %d , %s , %s , %d , %d , %s , %d )",
      RuleRowArgs(rule, db.GetEnv()->NowLocal()));
  return db.LastInsertRowID();
}

void UpdateRuleRow(IDB& db, const RuleFields& rule) {
  SqlArgs args = RuleRowArgs(rule, db.GetEnv()->NowLocal());
  args.push_back(SqlArg::Int(rule.id));
  db.ExecFmt(
      "update repeating_schedules set rs_type = %d , priority = %d , title = %s , "
      "hard_padding_before = %d , hard_padding_after = %d , soft_padding_before = %d , "
      "soft_padding_after = %d , channel_id = %d , start_time = %d , end_time = %d , "
      "frequency = %s , search_criteria = %s , keep_until = %d , folder = %s , quality = %s , "
      "keep_at_most = %d , repeats = %d , created_by = %s , duplicates = %d where rs_id = %d",
      args);
}

ComPtr<TTVScheduleList> LoadRuleSchedules(const DBPtr& db, const RuleFields& rule) {
  if (rule.IsNew()) return MakeObject<TTVScheduleList>();
  return QueryScheduleList(
      db, "select * from schedules where deleted = 0 and rs_id = %d order by start_time",
      {SqlArg::Int(rule.id)});
}

}  // namespace kestro
