// A repeating schedule's stored values and its row in `repeating_schedules`: what the rule save,
// the scheduler and the rule objects share, free of COM.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kestro/ole_date.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_schedules.h"
#include "scheduling/tv_schedule_list.h"
#include "storage/db.h"

namespace kestro {

// The stored values of a rule; the defaults are those of a new rule.
struct RuleFields {
  int32_t id = 0;
  int32_t channel_id = 0;
  std::string title;
  OleDate start_time = 0.0;  // time of day only
  OleDate end_time = 0.0;
  int32_t hard_padding_before = 0;  // seconds
  int32_t hard_padding_after = 0;
  int32_t soft_padding_before = 0;
  int32_t soft_padding_after = 0;
  std::string created_by;
  int32_t keep_until = TV_KEEP_UNTIL_SPACE_NEEDED;
  std::string folder;
  std::string quality;
  std::string frequency;
  std::string search_criteria;
  int32_t keep_at_most = 0;  // 0 = no limit
  int32_t repeats = TV_REPEATS_ALL;
  int32_t rs_type = TV_RS_TYPE_SEARCH;
  int32_t priority = 0;
  int32_t duplicates = TV_DUPLICATES_ALL;

  bool IsNew() const { return id < 1; }
  bool operator==(const RuleFields&) const = default;
  bool IsTimeRule() const { return rs_type == TV_RS_TYPE_TIME; }
  bool IsSearchRule() const { return rs_type == TV_RS_TYPE_SEARCH; }
};

// Only the time of day of an OLE date, to the millisecond (a rule's start and end); 0 for a value
// that is not a number.
OleDate TimeOfDay(OleDate value);

// Whether a lower-cased Frequency token takes in the ISO weekday (Monday = 1 .. Sunday = 7).
bool FrequencyMatchesDay(const std::string& frequency, int iso_weekday);

// The first problem that keeps the rule from being saved ("Hard padding before < 0", ...), or ""
// when there is none.
std::string RuleValidationError(const RuleFields& rule);

// "(%d) : TIME : ..." / "(%d) : SEARCH : ..." as the save log shows a rule.
std::string RuleLogText(const RuleFields& rule);

// "TIME", "SEARCH", otherwise "UNKNOWN".
const char* RuleTypeName(int32_t rs_type);

// --- the repeating_schedules table ------------------------------------------------------------

// "select * from repeating_schedules where rs_id = %d": the rule's values, or none.
std::optional<RuleFields> FindRuleFields(IDB& db, int32_t rs_id);
// "select * from repeating_schedules order by priority desc".
std::vector<RuleFields> LoadAllRuleFields(IDB& db);
// Inserts a new rule (its id is ignored) and returns the row id, or rewrites the row of an
// existing one. Throws on failure.
int32_t InsertRuleRow(IDB& db, const RuleFields& rule);
void UpdateRuleRow(IDB& db, const RuleFields& rule);
// The rule's live schedules by start time; empty for a new rule.
ComPtr<TTVScheduleList> LoadRuleSchedules(const DBPtr& db, const RuleFields& rule);

}  // namespace kestro
