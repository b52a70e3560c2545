#include "scheduling/repeating_schedule.h"

#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/rule_save.h"

namespace kestro {

ComPtr<TTVRepeatingSchedule> FindRule(const DBPtr& db, const ComPtr<ITVListings>& listings,
                                      int32_t rs_id) {
  std::optional<RuleFields> fields = FindRuleFields(*db, rs_id);
  if (!fields) return nullptr;
  return MakeObject<TTVRepeatingSchedule>(db, listings, std::move(*fields));
}

ComPtr<TTVRepeatingScheduleList> LoadRules(const DBPtr& db, const ComPtr<ITVListings>& listings) {
  ComPtr<TTVRepeatingScheduleList> list = MakeObject<TTVRepeatingScheduleList>();
  for (RuleFields& fields : LoadAllRuleFields(*db)) {
    list->Add(MakeObject<TTVRepeatingSchedule>(db, listings, std::move(fields)));
  }
  return list;
}

// --- TTVRepeatingSchedule ---------------------------------------------------------------------

TTVRepeatingSchedule::TTVRepeatingSchedule(DBPtr db, ComPtr<ITVListings> listings)
    : TTVRepeatingSchedule(std::move(db), std::move(listings), RuleFields{}) {}

TTVRepeatingSchedule::TTVRepeatingSchedule(DBPtr db, ComPtr<ITVListings> listings,
                                           RuleFields fields)
    : db_(std::move(db)), listings_(std::move(listings)), fields_(std::move(fields)) {}

HRESULT TTVRepeatingSchedule::get_ID(int32_t* value) { return GetProperty(value, fields_.id); }
HRESULT TTVRepeatingSchedule::put_ID(int32_t value) { return PutProperty(fields_.id, value); }
HRESULT TTVRepeatingSchedule::get_RSType(TV_RS_TYPE* value) {
  return GetProperty(value, static_cast<TV_RS_TYPE>(fields_.rs_type));
}
HRESULT TTVRepeatingSchedule::put_RSType(TV_RS_TYPE value) {
  return PutProperty(fields_.rs_type, value);
}
HRESULT TTVRepeatingSchedule::get_Priority(int32_t* value) {
  return GetProperty(value, fields_.priority);
}
HRESULT TTVRepeatingSchedule::get_Title(std::string* value) {
  return GetProperty(value, fields_.title);
}
HRESULT TTVRepeatingSchedule::put_Title(const std::string& value) {
  return PutProperty(fields_.title, value);
}
HRESULT TTVRepeatingSchedule::get_HardPaddingBefore(int32_t* value) {
  return GetProperty(value, fields_.hard_padding_before);
}
HRESULT TTVRepeatingSchedule::put_HardPaddingBefore(int32_t value) {
  return PutProperty(fields_.hard_padding_before, value);
}
HRESULT TTVRepeatingSchedule::get_HardPaddingAfter(int32_t* value) {
  return GetProperty(value, fields_.hard_padding_after);
}
HRESULT TTVRepeatingSchedule::put_HardPaddingAfter(int32_t value) {
  return PutProperty(fields_.hard_padding_after, value);
}
HRESULT TTVRepeatingSchedule::get_SoftPaddingBefore(int32_t* value) {
  return GetProperty(value, fields_.soft_padding_before);
}
HRESULT TTVRepeatingSchedule::put_SoftPaddingBefore(int32_t value) {
  return PutProperty(fields_.soft_padding_before, value);
}
HRESULT TTVRepeatingSchedule::get_SoftPaddingAfter(int32_t* value) {
  return GetProperty(value, fields_.soft_padding_after);
}
HRESULT TTVRepeatingSchedule::put_SoftPaddingAfter(int32_t value) {
  return PutProperty(fields_.soft_padding_after, value);
}
HRESULT TTVRepeatingSchedule::get_ChannelID(int32_t* value) {
  return GetProperty(value, fields_.channel_id);
}
HRESULT TTVRepeatingSchedule::put_ChannelID(int32_t value) {
  return PutProperty(fields_.channel_id, value);
}
HRESULT TTVRepeatingSchedule::get_StartTime(OleDate* value) {
  return GetProperty(value, [&] { return TimeOfDay(fields_.start_time); });
}
HRESULT TTVRepeatingSchedule::get_EndTime(OleDate* value) {
  return GetProperty(value, [&] { return TimeOfDay(fields_.end_time); });
}
HRESULT TTVRepeatingSchedule::get_Frequency(std::string* value) {
  return GetProperty(value, fields_.frequency);
}
HRESULT TTVRepeatingSchedule::put_Frequency(const std::string& value) {
  return PutProperty(fields_.frequency, value);
}
HRESULT TTVRepeatingSchedule::get_SearchCriteria(std::string* value) {
  return GetProperty(value, fields_.search_criteria);
}
HRESULT TTVRepeatingSchedule::put_SearchCriteria(const std::string& value) {
  return PutProperty(fields_.search_criteria, value);
}
HRESULT TTVRepeatingSchedule::get_KeepUntil(TV_KEEP_UNTIL* value) {
  return GetProperty(value, static_cast<TV_KEEP_UNTIL>(fields_.keep_until));
}
HRESULT TTVRepeatingSchedule::put_KeepUntil(TV_KEEP_UNTIL value) {
  return PutProperty(fields_.keep_until, value);
}
HRESULT TTVRepeatingSchedule::get_Folder(std::string* value) {
  return GetProperty(value, fields_.folder);
}
HRESULT TTVRepeatingSchedule::put_Folder(const std::string& value) {
  return PutProperty(fields_.folder, value);
}
HRESULT TTVRepeatingSchedule::get_Quality(std::string* value) {
  return GetProperty(value, fields_.quality);
}
HRESULT TTVRepeatingSchedule::put_Quality(const std::string& value) {
  return PutProperty(fields_.quality, value);
}
HRESULT TTVRepeatingSchedule::get_KeepAtMost(int32_t* value) {
  return GetProperty(value, fields_.keep_at_most);
}
HRESULT TTVRepeatingSchedule::put_KeepAtMost(int32_t value) {
  return PutProperty(fields_.keep_at_most, value);
}
HRESULT TTVRepeatingSchedule::get_Repeats(TV_REPEATS* value) {
  return GetProperty(value, static_cast<TV_REPEATS>(fields_.repeats));
}
HRESULT TTVRepeatingSchedule::put_Repeats(TV_REPEATS value) {
  return PutProperty(fields_.repeats, value);
}
HRESULT TTVRepeatingSchedule::get_CreatedBy(std::string* value) {
  return GetProperty(value, fields_.created_by);
}
HRESULT TTVRepeatingSchedule::put_CreatedBy(const std::string& value) {
  return PutProperty(fields_.created_by, value);
}
HRESULT TTVRepeatingSchedule::get_Duplicates(TV_DUPLICATES* value) {
  return GetProperty(value, static_cast<TV_DUPLICATES>(fields_.duplicates));
}
HRESULT TTVRepeatingSchedule::put_Duplicates(TV_DUPLICATES value) {
  return PutProperty(fields_.duplicates, value);
}

// The date part is dropped on the way in and on the way out.
HRESULT TTVRepeatingSchedule::put_StartTime(OleDate value) {
  return PutProperty([&] { fields_.start_time = TimeOfDay(value); });
}
HRESULT TTVRepeatingSchedule::put_EndTime(OleDate value) {
  return PutProperty([&] { fields_.end_time = TimeOfDay(value); });
}

HRESULT TTVRepeatingSchedule::Save(TV_RS_SAVE_MODE mode, IKestroLog* log,
                                   ITVRepeatingScheduleResult** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVRepeatingScheduleResult>(SaveRule(fields_, db_, listings_, mode, log, /*preview=*/false));
  });
}

HRESULT TTVRepeatingSchedule::Preview(IKestroLog* log, ITVRepeatingScheduleResult** result) {
  return FrameOut(result, [&] {
    const TV_RS_SAVE_MODE mode = fields_.IsNew() ? TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE
                                                 : TV_RS_SAVE_MODE_RECALCULATE;
    return ComPtr<ITVRepeatingScheduleResult>(SaveRule(fields_, db_, listings_, mode, log, /*preview=*/true));
  });
}

HRESULT TTVRepeatingSchedule::GetSchedules(ITVScheduleList** result) {
  return FrameOut(result,
                  [&] { return ComPtr<ITVScheduleList>(LoadRuleSchedules(db_, fields_)); });
}

HRESULT TTVRepeatingSchedule::get_LogText(std::string* value) {
  return GetProperty(value, [&] { return RuleLogText(fields_); });
}

HRESULT TTVRepeatingSchedule::IsNew(bool* result) {
  return FrameValue(result, [&] { return fields_.IsNew(); });
}

// --- TTVRepeatingScheduleList -----------------------------------------------------------------

HRESULT TTVRepeatingScheduleList::get_Count(int32_t* value) {
  return GetProperty(value, [&] { return static_cast<int32_t>(items_.size()); });
}

HRESULT TTVRepeatingScheduleList::get_Items(int32_t index, ITVRepeatingSchedule** result) {
  return GetProperty(result, [&] {
    if (index < 0 || index >= static_cast<int32_t>(items_.size())) {
      throw Exception(Format("List index out of bounds (%d)", index));
    }
    return ComPtr<ITVRepeatingSchedule>(items_[static_cast<size_t>(index)]);
  });
}

}  // namespace kestro
