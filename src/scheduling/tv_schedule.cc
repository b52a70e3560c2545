#include "scheduling/tv_schedule.h"

#include <cmath>

#include "listings/channel_store.h"
#include "listings/program_store.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "scheduling/repeating_schedule.h"

namespace kestro {

bool DbWindowsOverlap(int32_t s, int32_t e, int32_t cs, int32_t ce) {
  const bool starts_inside = DbTimeDiff(cs, s) >= 0 && DbTimeDiff(cs, e) < 0;
  const bool ends_inside = DbTimeDiff(ce, s) > 0 && DbTimeDiff(ce, e) <= 0;
  const bool covers = DbTimeDiff(cs, s) <= 0 && DbTimeDiff(ce, e) >= 0;
  return starts_inside || ends_inside || covers;
}

int32_t ScheduleFields::StartDbTime() const { return DateTimeToDbTime(start_time); }
int32_t ScheduleFields::EndDbTime() const { return DateTimeToDbTime(end_time); }

ComPtr<TTVSchedule> OwnSchedule(ITVSchedule& s) {
  if (auto* own = dynamic_cast<TTVSchedule*>(&s)) return ComPtr<TTVSchedule>(own);
  ScheduleFields f;
  TV_KEEP_UNTIL keep_until = TV_KEEP_UNTIL_SPACE_NEEDED;
  CheckHResult(s.get_ID(&f.id));
  CheckHResult(s.get_IsDeleted(&f.deleted));
  CheckHResult(s.get_TunerID(&f.tuner_id));
  CheckHResult(s.get_ProgramID(&f.program_id));
  CheckHResult(s.get_ChannelID(&f.channel_id));
  CheckHResult(s.get_RepeatingScheduleID(&f.rs_id));
  CheckHResult(s.get_Title(&f.title));
  CheckHResult(s.get_StartTime(&f.start_time));
  CheckHResult(s.get_EndTime(&f.end_time));
  CheckHResult(s.get_HardPaddingBefore(&f.hard_padding_before));
  CheckHResult(s.get_HardPaddingAfter(&f.hard_padding_after));
  CheckHResult(s.get_SoftPaddingBefore(&f.soft_padding_before));
  CheckHResult(s.get_SoftPaddingAfter(&f.soft_padding_after));
  CheckHResult(s.get_DeleteOnConflict(&f.delete_on_conflict));
  CheckHResult(s.get_WakeUp(&f.wake_up));
  CheckHResult(s.get_CreatedBy(&f.created_by));
  CheckHResult(s.get_DeletedBy(&f.deleted_by));
  CheckHResult(s.get_Reason(&f.reason));
  CheckHResult(s.get_Status(&f.status));
  CheckHResult(s.get_KeepUntil(&keep_until));
  CheckHResult(s.get_Folder(&f.folder));
  CheckHResult(s.get_Quality(&f.quality));
  f.keep_until = keep_until;
  ComPtr<IKestroItem> data;
  CheckHResult(s.get_Data(data.ReleaseAndGetAddressOf()));
  ComPtr<TTVSchedule> copy = MakeObject<TTVSchedule>(nullptr, std::move(f));
  if (data) CheckHResult(copy->data().Assign(data.Get()));
  return copy;
}

TTVSchedule::TTVSchedule(DBPtr db) : TTVSchedule(std::move(db), ScheduleFields{}) {}

TTVSchedule::TTVSchedule(DBPtr db, ScheduleFields fields)
    : db_(std::move(db)), fields_(std::move(fields)), data_(NewDictionary()) {}

// --- plain values ---------------------------------------------------------------------------

HRESULT TTVSchedule::get_ID(int32_t* value) { return GetProperty(value, fields_.id); }
HRESULT TTVSchedule::put_ID(int32_t value) { return PutProperty(fields_.id, value); }
HRESULT TTVSchedule::get_TunerID(int32_t* value) { return GetProperty(value, fields_.tuner_id); }
HRESULT TTVSchedule::put_TunerID(int32_t value) { return PutProperty(fields_.tuner_id, value); }
HRESULT TTVSchedule::get_StartTime(OleDate* value) {
  return GetProperty(value, fields_.start_time);
}
HRESULT TTVSchedule::put_StartTime(OleDate value) { return PutProperty(fields_.start_time, value); }
HRESULT TTVSchedule::get_EndTime(OleDate* value) { return GetProperty(value, fields_.end_time); }
HRESULT TTVSchedule::put_EndTime(OleDate value) { return PutProperty(fields_.end_time, value); }
HRESULT TTVSchedule::get_SoftPaddingBefore(int32_t* value) {
  return GetProperty(value, fields_.soft_padding_before);
}
HRESULT TTVSchedule::put_SoftPaddingBefore(int32_t value) {
  return PutProperty(fields_.soft_padding_before, value);
}
HRESULT TTVSchedule::get_SoftPaddingAfter(int32_t* value) {
  return GetProperty(value, fields_.soft_padding_after);
}
HRESULT TTVSchedule::put_SoftPaddingAfter(int32_t value) {
  return PutProperty(fields_.soft_padding_after, value);
}
HRESULT TTVSchedule::get_DeleteOnConflict(bool* value) {
  return GetProperty(value, fields_.delete_on_conflict);
}
HRESULT TTVSchedule::put_DeleteOnConflict(bool value) {
  return PutProperty(fields_.delete_on_conflict, value);
}
HRESULT TTVSchedule::get_WakeUp(bool* value) { return GetProperty(value, fields_.wake_up); }
HRESULT TTVSchedule::put_WakeUp(bool value) { return PutProperty(fields_.wake_up, value); }
HRESULT TTVSchedule::get_Data(IKestroItem** result) { return GetProperty(result, data_); }
HRESULT TTVSchedule::get_CreatedBy(std::string* value) {
  return GetProperty(value, fields_.created_by);
}
HRESULT TTVSchedule::put_CreatedBy(const std::string& value) {
  return PutProperty(fields_.created_by, value);
}
HRESULT TTVSchedule::get_DeletedBy(std::string* value) {
  return GetProperty(value, fields_.deleted_by);
}
HRESULT TTVSchedule::get_Reason(std::string* value) { return GetProperty(value, fields_.reason); }
HRESULT TTVSchedule::get_Status(std::string* value) { return GetProperty(value, fields_.status); }
HRESULT TTVSchedule::get_Title(std::string* value) { return GetProperty(value, fields_.title); }
HRESULT TTVSchedule::put_Title(const std::string& value) {
  return PutProperty(fields_.title, value);
}
HRESULT TTVSchedule::get_HardPaddingBefore(int32_t* value) {
  return GetProperty(value, fields_.hard_padding_before);
}
HRESULT TTVSchedule::put_HardPaddingBefore(int32_t value) {
  return PutProperty(fields_.hard_padding_before, value);
}
HRESULT TTVSchedule::get_HardPaddingAfter(int32_t* value) {
  return GetProperty(value, fields_.hard_padding_after);
}
HRESULT TTVSchedule::put_HardPaddingAfter(int32_t value) {
  return PutProperty(fields_.hard_padding_after, value);
}
HRESULT TTVSchedule::get_ProgramID(int32_t* value) {
  return GetProperty(value, fields_.program_id);
}
HRESULT TTVSchedule::put_ProgramID(int32_t value) { return PutProperty(fields_.program_id, value); }
HRESULT TTVSchedule::get_ChannelID(int32_t* value) {
  return GetProperty(value, fields_.channel_id);
}
HRESULT TTVSchedule::put_ChannelID(int32_t value) { return PutProperty(fields_.channel_id, value); }
HRESULT TTVSchedule::get_RepeatingScheduleID(int32_t* value) {
  return GetProperty(value, fields_.rs_id);
}
HRESULT TTVSchedule::put_RepeatingScheduleID(int32_t value) {
  return PutProperty(fields_.rs_id, value);
}
HRESULT TTVSchedule::get_IsDeleted(bool* value) { return GetProperty(value, fields_.deleted); }
HRESULT TTVSchedule::get_KeepUntil(TV_KEEP_UNTIL* value) {
  return GetProperty(value, static_cast<TV_KEEP_UNTIL>(fields_.keep_until));
}
HRESULT TTVSchedule::put_KeepUntil(TV_KEEP_UNTIL value) {
  return PutProperty(fields_.keep_until, value);
}
HRESULT TTVSchedule::get_Folder(std::string* value) { return GetProperty(value, fields_.folder); }
HRESULT TTVSchedule::put_Folder(const std::string& value) {
  return PutProperty(fields_.folder, value);
}
HRESULT TTVSchedule::get_Quality(std::string* value) { return GetProperty(value, fields_.quality); }
HRESULT TTVSchedule::put_Quality(const std::string& value) {
  return PutProperty(fields_.quality, value);
}
HRESULT TTVSchedule::get_IsNew(bool* value) {
  return GetProperty(value, [&] { return fields_.id < 0; });
}

// --- derived values -------------------------------------------------------------------------

bool TTVSchedule::InProgressAt(OleDate now) const {
  const int32_t now_db = DateTimeToDbTime(now);
  return DbTimeDiff(fields_.StartDbTime(), now_db) <= 0 &&
         DbTimeDiff(now_db, fields_.EndDbTime()) < 0;
}

bool TTVSchedule::ElapsedAt(OleDate now) const {
  return DbTimeDiff(DateTimeToDbTime(now), fields_.EndDbTime()) >= 0;
}

OleDate TTVSchedule::SoftStartTime() const {
  return fields_.start_time - fields_.soft_padding_before * kOneSecond;
}

OleDate TTVSchedule::SoftEndTime() const {
  return fields_.end_time + fields_.soft_padding_after * kOneSecond;
}

std::string TTVSchedule::LogLine() const {
  const ScheduleFields& f = fields_;
  return Format(
      "\"%s\" : (%d) : tuner %d : pgm %d : chnl %d : rsid %d : %s to %s : hp %d , %d : "
      "sp %d , %d",
      f.title.c_str(), f.id, f.tuner_id, f.program_id, f.channel_id, f.rs_id,
      FormatDateTime("ddd mm/dd hh:nn", f.start_time).c_str(),
      FormatDateTime("ddd mm/dd hh:nn", f.end_time).c_str(), f.hard_padding_before,
      f.hard_padding_after, f.soft_padding_before, f.soft_padding_after);
}

ComPtr<IKestroItem> TTVSchedule::AsKestroItem() const {
  const ScheduleFields& f = fields_;
  const OleDate duration = f.end_time - f.start_time;
  ComPtr<TDictionary> item = NewDictionary();
  item->Set("schedule-id", Variant(f.id));
  item->Set("tuner-id", Variant(f.tuner_id));
  item->Set("program-start-time", Variant::Date(f.start_time));
  item->Set("program-end-time", Variant::Date(f.end_time));
  item->Set("created-by", Variant(f.created_by));
  item->Set("deleted-by", Variant(f.deleted_by));
  item->Set("delete-on-conflict", Variant(f.delete_on_conflict));
  item->Set("caption", Variant(f.title));
  item->Set("program-duration", Variant(FormatDateTime("h:nn", duration)));
  item->Set("duration", Variant(FormatDateTime("h:nn", duration)));
  item->Set("duration-long", Variant(FormatDateTime("hh:nn", duration)));
  item->Set("duration-minutes", Variant(static_cast<int64_t>(std::llround(duration * 1440.0))));
  item->Set("start-day", Variant::Date(DateOf(f.start_time)));
  item->Set("status", Variant(f.status));
  item->Set("reason", Variant(f.reason));
  return ComPtr<IKestroItem>(item.Get());
}

ComPtr<TTableTVProgram> TTVSchedule::Program() {
  if (program_ && program_->ID() != fields_.program_id) program_ = nullptr;
  if (!program_) program_ = kestro::GetProgram(db_, fields_.program_id);
  return program_;
}

ComPtr<TTVChannel> TTVSchedule::Channel() {
  if (channel_ && channel_->fields().id != fields_.channel_id) channel_ = nullptr;
  if (!channel_) channel_ = FindChannelByID(db_, fields_.channel_id);
  return channel_;
}

HRESULT TTVSchedule::get_IsInProgress(bool* value) {
  return GetProperty(value, [&] { return InProgressAt(db_->GetEnv()->NowLocal()); });
}
HRESULT TTVSchedule::get_HasElapsed(bool* value) {
  return GetProperty(value, [&] { return ElapsedAt(db_->GetEnv()->NowLocal()); });
}
HRESULT TTVSchedule::get_SoftStartTime(OleDate* value) {
  return GetProperty(value, [&] { return SoftStartTime(); });
}
HRESULT TTVSchedule::get_SoftEndTime(OleDate* value) {
  return GetProperty(value, [&] { return SoftEndTime(); });
}

HRESULT TTVSchedule::StartsBefore(ITVSchedule* other, bool* result) {
  return FrameValue(result, [&] {
    if (!other) throw Exception("No schedule to compare with");
    OleDate other_start = 0.0;
    CheckHResult(other->get_StartTime(&other_start));
    return DbTimeDiff(fields_.StartDbTime(), DateTimeToDbTime(other_start)) < 0;
  });
}

HRESULT TTVSchedule::GetProgram(ITVProgram** result) {
  return FrameOut(result, [&] { return ComPtr<ITVProgram>(Program().Get()); });
}

HRESULT TTVSchedule::GetChannel(ITVChannel** result) {
  return FrameOut(result, [&] { return ComPtr<ITVChannel>(Channel().Get()); });
}

HRESULT TTVSchedule::get_LogText(std::string* value) {
  return GetProperty(value, [&] { return LogLine(); });
}

HRESULT TTVSchedule::GetRepeatingSchedule(ITVListings* listings, ITVRepeatingSchedule** result) {
  return FrameOut(result, [&]() -> ComPtr<ITVRepeatingSchedule> {
    if (fields_.rs_id <= 0) return nullptr;
    return FindRule(db_, ComPtr<ITVListings>(listings), fields_.rs_id);
  });
}

HRESULT TTVSchedule::GetAsKestroItem(IKestroItem** result) {
  return FrameOut(result, [&] { return AsKestroItem(); });
}

}  // namespace kestro
