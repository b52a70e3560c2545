#include "scheduling/repeating_schedule.h"

#include <cmath>

#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/rule_save.h"

namespace kestro {
namespace {

// Only the time of day of an OLE date, to the millisecond.
OleDate TimeOfDay(OleDate value) { return std::isfinite(value) ? TimeOf(value) : 0.0; }

}  // namespace

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

#define KESTRO_RULE_PROPERTY(Name, Type, field)                          \
  HRESULT TTVRepeatingSchedule::get_##Name(Type* value) {                \
    return FrameValue(value, [&] { return static_cast<Type>(field); }); \
  }
#define KESTRO_RULE_SETTER(Name, Type, field) \
  HRESULT TTVRepeatingSchedule::put_##Name(Type value) { return Frame([&] { field = value; }); }

KESTRO_RULE_PROPERTY(ID, int32_t, fields_.id)
KESTRO_RULE_SETTER(ID, int32_t, fields_.id)
KESTRO_RULE_PROPERTY(RSType, TV_RS_TYPE, fields_.rs_type)
KESTRO_RULE_SETTER(RSType, TV_RS_TYPE, fields_.rs_type)
KESTRO_RULE_PROPERTY(Priority, int32_t, fields_.priority)
KESTRO_RULE_PROPERTY(Title, std::string, fields_.title)
KESTRO_RULE_SETTER(Title, const std::string&, fields_.title)
KESTRO_RULE_PROPERTY(HardPaddingBefore, int32_t, fields_.hard_padding_before)
KESTRO_RULE_SETTER(HardPaddingBefore, int32_t, fields_.hard_padding_before)
KESTRO_RULE_PROPERTY(HardPaddingAfter, int32_t, fields_.hard_padding_after)
KESTRO_RULE_SETTER(HardPaddingAfter, int32_t, fields_.hard_padding_after)
KESTRO_RULE_PROPERTY(SoftPaddingBefore, int32_t, fields_.soft_padding_before)
KESTRO_RULE_SETTER(SoftPaddingBefore, int32_t, fields_.soft_padding_before)
KESTRO_RULE_PROPERTY(SoftPaddingAfter, int32_t, fields_.soft_padding_after)
KESTRO_RULE_SETTER(SoftPaddingAfter, int32_t, fields_.soft_padding_after)
KESTRO_RULE_PROPERTY(ChannelID, int32_t, fields_.channel_id)
KESTRO_RULE_SETTER(ChannelID, int32_t, fields_.channel_id)
KESTRO_RULE_PROPERTY(StartTime, double, TimeOfDay(fields_.start_time))
KESTRO_RULE_PROPERTY(EndTime, double, TimeOfDay(fields_.end_time))
KESTRO_RULE_PROPERTY(Frequency, std::string, fields_.frequency)
KESTRO_RULE_SETTER(Frequency, const std::string&, fields_.frequency)
KESTRO_RULE_PROPERTY(SearchCriteria, std::string, fields_.search_criteria)
KESTRO_RULE_SETTER(SearchCriteria, const std::string&, fields_.search_criteria)
KESTRO_RULE_PROPERTY(KeepUntil, TV_KEEP_UNTIL, fields_.keep_until)
KESTRO_RULE_SETTER(KeepUntil, TV_KEEP_UNTIL, fields_.keep_until)
KESTRO_RULE_PROPERTY(Folder, std::string, fields_.folder)
KESTRO_RULE_SETTER(Folder, const std::string&, fields_.folder)
KESTRO_RULE_PROPERTY(Quality, std::string, fields_.quality)
KESTRO_RULE_SETTER(Quality, const std::string&, fields_.quality)
KESTRO_RULE_PROPERTY(KeepAtMost, int32_t, fields_.keep_at_most)
KESTRO_RULE_SETTER(KeepAtMost, int32_t, fields_.keep_at_most)
KESTRO_RULE_PROPERTY(Repeats, TV_REPEATS, fields_.repeats)
KESTRO_RULE_SETTER(Repeats, TV_REPEATS, fields_.repeats)
KESTRO_RULE_PROPERTY(CreatedBy, std::string, fields_.created_by)
KESTRO_RULE_SETTER(CreatedBy, const std::string&, fields_.created_by)
KESTRO_RULE_PROPERTY(Duplicates, TV_DUPLICATES, fields_.duplicates)
KESTRO_RULE_SETTER(Duplicates, TV_DUPLICATES, fields_.duplicates)

#undef KESTRO_RULE_PROPERTY
#undef KESTRO_RULE_SETTER

// The date part is dropped on the way in and on the way out.
HRESULT TTVRepeatingSchedule::put_StartTime(double value) {
  return Frame([&] { fields_.start_time = TimeOfDay(value); });
}
HRESULT TTVRepeatingSchedule::put_EndTime(double value) {
  return Frame([&] { fields_.end_time = TimeOfDay(value); });
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
  return FrameValue(value, [&] { return RuleLogText(fields_); });
}

HRESULT TTVRepeatingSchedule::IsNew(bool* result) {
  return FrameValue(result, [&] { return fields_.IsNew(); });
}

// --- TTVRepeatingScheduleList -----------------------------------------------------------------

HRESULT TTVRepeatingScheduleList::get_Count(int32_t* value) {
  return FrameValue(value, [&] { return static_cast<int32_t>(items_.size()); });
}

HRESULT TTVRepeatingScheduleList::get_Items(int32_t index, ITVRepeatingSchedule** result) {
  return FrameOut(result, [&] {
    if (index < 0 || index >= static_cast<int32_t>(items_.size())) {
      throw Exception(Format("List index out of bounds (%d)", index));
    }
    return ComPtr<ITVRepeatingSchedule>(items_[static_cast<size_t>(index)]);
  });
}

}  // namespace kestro
