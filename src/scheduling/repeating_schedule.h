// TTVRepeatingSchedule: a rule that makes single schedules over and over. A time rule records one
// channel in a daily window on chosen days; a search rule records what a custom search finds.
// The object is a detached copy of its `repeating_schedules` row; Save (rule_save.h) stores it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kestro/tv_listings.h"
#include "kestro/tv_schedules.h"
#include "module/kestro_object.h"
#include "platform/time/clock.h"
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
  bool IsTimeRule() const { return rs_type == TV_RS_TYPE_TIME; }
  bool IsSearchRule() const { return rs_type == TV_RS_TYPE_SEARCH; }
};

// Whether a lower-cased Frequency token takes in the ISO weekday (Monday = 1 .. Sunday = 7).
bool FrequencyMatchesDay(const std::string& frequency, int iso_weekday);

// The first problem that keeps the rule from being saved ("Hard padding before < 0", ...), or ""
// when there is none.
std::string RuleValidationError(const RuleFields& rule);

// "(%d) : TIME : ..." / "(%d) : SEARCH : ..." as the save log shows a rule.
std::string RuleLogText(const RuleFields& rule);

// "TIME", "SEARCH", otherwise "UNKNOWN".
const char* RuleTypeName(int32_t rs_type);

class TTVRepeatingSchedule : public TKestroTVObject<ITVRepeatingSchedule> {
 public:
  // A new rule (ID 0, a search rule) bound to the lineup's database and listings.
  TTVRepeatingSchedule(DBPtr db, ComPtr<ITVListings> listings);
  TTVRepeatingSchedule(DBPtr db, ComPtr<ITVListings> listings, RuleFields fields);

  // ITVRepeatingSchedule.
  HRESULT get_ID(int32_t* value) override;
  HRESULT put_ID(int32_t value) override;
  HRESULT get_RSType(TV_RS_TYPE* value) override;
  HRESULT put_RSType(TV_RS_TYPE value) override;
  HRESULT get_Priority(int32_t* value) override;
  HRESULT get_Title(std::string* value) override;
  HRESULT put_Title(const std::string& value) override;
  HRESULT get_HardPaddingBefore(int32_t* value) override;
  HRESULT put_HardPaddingBefore(int32_t value) override;
  HRESULT get_HardPaddingAfter(int32_t* value) override;
  HRESULT put_HardPaddingAfter(int32_t value) override;
  HRESULT get_SoftPaddingBefore(int32_t* value) override;
  HRESULT put_SoftPaddingBefore(int32_t value) override;
  HRESULT get_SoftPaddingAfter(int32_t* value) override;
  HRESULT put_SoftPaddingAfter(int32_t value) override;
  HRESULT get_ChannelID(int32_t* value) override;
  HRESULT put_ChannelID(int32_t value) override;
  HRESULT get_StartTime(double* value) override;
  HRESULT put_StartTime(double value) override;
  HRESULT get_EndTime(double* value) override;
  HRESULT put_EndTime(double value) override;
  HRESULT get_Frequency(std::string* value) override;
  HRESULT put_Frequency(const std::string& value) override;
  HRESULT get_SearchCriteria(std::string* value) override;
  HRESULT put_SearchCriteria(const std::string& value) override;
  HRESULT get_KeepUntil(TV_KEEP_UNTIL* value) override;
  HRESULT put_KeepUntil(TV_KEEP_UNTIL value) override;
  HRESULT get_Folder(std::string* value) override;
  HRESULT put_Folder(const std::string& value) override;
  HRESULT get_Quality(std::string* value) override;
  HRESULT put_Quality(const std::string& value) override;
  HRESULT get_KeepAtMost(int32_t* value) override;
  HRESULT put_KeepAtMost(int32_t value) override;
  HRESULT get_Repeats(TV_REPEATS* value) override;
  HRESULT put_Repeats(TV_REPEATS value) override;
  HRESULT get_CreatedBy(std::string* value) override;
  HRESULT put_CreatedBy(const std::string& value) override;
  HRESULT Save(TV_RS_SAVE_MODE mode, IKestroLog* log,
               ITVRepeatingScheduleResult** result) override;
  HRESULT GetSchedules(ITVScheduleList** result) override;
  HRESULT get_LogText(std::string* value) override;
  HRESULT IsNew(bool* result) override;
  HRESULT get_Duplicates(TV_DUPLICATES* value) override;
  HRESULT put_Duplicates(TV_DUPLICATES value) override;
  HRESULT Preview(IKestroLog* log, ITVRepeatingScheduleResult** result) override;

  RuleFields& fields() { return fields_; }
  const RuleFields& fields() const { return fields_; }
  const DBPtr& db() const { return db_; }
  const ComPtr<ITVListings>& listings() const { return listings_; }

 private:
  DBPtr db_;
  ComPtr<ITVListings> listings_;
  RuleFields fields_;
};

class TTVRepeatingScheduleList : public TKestroTVObject<ITVRepeatingScheduleList> {
 public:
  // ITVRepeatingScheduleList.
  HRESULT get_Count(int32_t* value) override;
  HRESULT get_Items(int32_t index, ITVRepeatingSchedule** result) override;

  void Add(ComPtr<TTVRepeatingSchedule> rule) { items_.push_back(std::move(rule)); }
  const std::vector<ComPtr<TTVRepeatingSchedule>>& items() const { return items_; }

 private:
  std::vector<ComPtr<TTVRepeatingSchedule>> items_;
};

// The scheduler of the rule's listings. Throws "Scheduler object from listings is nil" when the
// listings give none.
ComPtr<ITVScheduler> SchedulerOf(const ComPtr<ITVListings>& listings);

// --- the repeating_schedules table ------------------------------------------------------------

// "select * from repeating_schedules where rs_id = %d": the rule, or null.
ComPtr<TTVRepeatingSchedule> FindRule(const DBPtr& db, const ComPtr<ITVListings>& listings,
                                      int32_t rs_id);
// "select * from repeating_schedules order by priority desc".
ComPtr<TTVRepeatingScheduleList> LoadRules(const DBPtr& db, const ComPtr<ITVListings>& listings);
// Inserts a new rule (its id is ignored) and returns the row id, or rewrites the row of an
// existing one. Throws on failure.
int32_t InsertRuleRow(IDB& db, const RuleFields& rule);
void UpdateRuleRow(IDB& db, const RuleFields& rule);
// The rule's live schedules by start time; empty for a new rule.
ComPtr<TTVScheduleList> LoadRuleSchedules(const DBPtr& db, const RuleFields& rule);

}  // namespace kestro
