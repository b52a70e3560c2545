// TTVRepeatingSchedule: a rule that makes single schedules over and over. A time rule records one
// channel in a daily window on chosen days; a search rule records what a custom search finds.
// The object is a detached copy of its `repeating_schedules` row; Save stores it (rule_save.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/kestro_object.h"
#include "kestro/ole_date.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_schedules.h"
#include "scheduling/rule_store.h"
#include "scheduling/tv_schedule_list.h"
#include "storage/db.h"

namespace kestro {

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
  HRESULT get_StartTime(OleDate* value) override;
  HRESULT put_StartTime(OleDate value) override;
  HRESULT get_EndTime(OleDate* value) override;
  HRESULT put_EndTime(OleDate value) override;
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

// --- rule objects over the repeating_schedules table ------------------------------------------

// The rule object of rs_id, or null.
ComPtr<TTVRepeatingSchedule> FindRule(const DBPtr& db, const ComPtr<ITVListings>& listings,
                                      int32_t rs_id);
// Every rule by priority, highest first.
ComPtr<TTVRepeatingScheduleList> LoadRules(const DBPtr& db, const ComPtr<ITVListings>& listings);

}  // namespace kestro
