#include "listings/tv_program.h"

#include <cstdlib>

#include "kestro/tv_schedules.h"
#include "listings/program_details_batch.h"
#include "listings/schedule_access.h"
#include "listings/table_fields.h"
#include "listings/tv_channel.h"
#include "listings/tv_program_list.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "support/dictionary.h"

namespace kestro {

namespace {

// Db times compare as unsigned: years from 2044 set the top bit of the packed value.
uint32_t DbTimeKey(int32_t db_time) { return static_cast<uint32_t>(db_time); }

}  // namespace

TTableTVProgram::TTableTVProgram(TablePtr table, int32_t row,
                                 std::shared_ptr<ProgramDetailsBatch> batch)
    : table_(std::move(table)), row_(row), batch_(std::move(batch)) {
  ReadNumbers();
}

TTableTVProgram::~TTableTVProgram() = default;

bool TTableTVProgram::MoveToRow() const {
  if (!table_ || row_ < 0 || row_ >= table_->RowCount()) return false;
  // The programmes of one search share the table: each read places the cursor on its own row.
  table_->MoveTo(row_);
  return true;
}

void TTableTVProgram::ReadNumbers() {
  id_ = channel_id_ = start_db_ = end_db_ = schedule_id_ = 0;
  if (!MoveToRow()) return;
  id_ = FieldIntOr(table_->Field(kProgramID), 0);
  channel_id_ = FieldIntOr(table_->Field(kProgramChannelID), 0);
  start_db_ = FieldIntOr(table_->Field(kProgramStartTime), 0);
  end_db_ = FieldIntOr(table_->Field(kProgramEndTime), 0);
  schedule_id_ = FieldIntOr(table_->Field(kProgramScheduleID), 0);
}

std::string_view TTableTVProgram::Text(ProgramColumn column) const {
  if (!MoveToRow()) return {};
  const char* cell = table_->Field(column);
  return cell ? std::string_view(cell) : std::string_view();
}

OleDate TTableTVProgram::StartTime() const { return DbTimeToDateTime(start_db_); }
OleDate TTableTVProgram::EndTime() const { return DbTimeToDateTime(end_db_); }

bool TTableTVProgram::OnNowAt(OleDate now) const {
  const uint32_t now_key = DbTimeKey(DateTimeToDbTime(now));
  return DbTimeKey(start_db_) <= now_key && now_key < DbTimeKey(end_db_);
}

bool TTableTVProgram::OverAt(OleDate now) const {
  return DbTimeKey(DateTimeToDbTime(now)) >= DbTimeKey(end_db_);
}

int32_t TTableTVProgram::Minutes() const {
  const int64_t ms = std::llabs(OleDateToMillis(EndTime()) - OleDateToMillis(StartTime()));
  return static_cast<int32_t>(ms / 60000);
}

std::string TTableTVProgram::LogLine() const {
  const std::string title(Title());
  const std::string subtitle(Text(kProgramSubtitle));
  return Format("(%d) : \"%s : %s\" on %d : %s - %s", id_, title.c_str(), subtitle.c_str(),
                channel_id_, FormatDateTime("ddd mm/dd hh:nn", StartTime()).c_str(),
                FormatDateTime("ddd mm/dd hh:nn", EndTime()).c_str());
}

ComPtr<IKestroItem> TTableTVProgram::AsKestroItem() const {
  ComPtr<TDictionary> item = NewDictionary();
  item->Set("program-id", id_);
  item->Set("channel-id", channel_id_);
  item->Set("program-equality-key", EqualityKey());
  item->Set("program-start-time", Variant::Date(StartTime()));
  item->Set("program-end-time", Variant::Date(EndTime()));
  item->Set("program-title", Title());
  item->Set("program-subtitle", Text(kProgramSubtitle));
  item->Set("program-tv-rating", Text(kProgramTVRating));
  item->Set("program-movie-rating", Text(kProgramMovieRating));
  item->Set("program-program-type", Text(kProgramType));
  item->Set("program-sort-title", Text(kProgramSortTitle));
  item->Set("program-search-title", Text(kProgramSearchTitle));
  item->Set("program-schedule-id", schedule_id_);
  item->Set("program-duration", FormatDateTime("h:nn", EndTime() - StartTime()));
  std::string_view rating = Text(kProgramMovieRating);
  item->Set("program-rating", rating.empty() ? Text(kProgramTVRating) : rating);
  item->Set("program-record", schedule_id_ > 0 ? "Y" : "N");
  return item;
}

ComPtr<ITVChannel> TTableTVProgram::Channel() {
  if (!channel_ && table_) {
    TablePtr row = table_->GetDB()->QueryFmt("select * from channels where channel_id = %d",
                                             {SqlArg::Int(channel_id_)});
    channel_ = MakeObject<TTVChannel>(*row);
  }
  return channel_;
}

ComPtr<TTVProgramDetails> TTableTVProgram::Details() {
  if (!details_ && batch_) details_ = batch_->DetailsOf(row_);
  if (!details_ && table_) {
    DBPtr db = table_->GetDB();
    TablePtr row = db->QueryFmt("select * from program_details where id = %d", {SqlArg::Int(id_)});
    details_ = MakeObject<TTVProgramDetails>(db, id_, *row);
  }
  return details_;
}

ComPtr<ITVSchedule> TTableTVProgram::Schedule() {
  if (schedule_id_ <= 0 || !table_) return nullptr;
  if (!schedule_) {
    const DBPtr db = table_->GetDB();
    schedule_ = ScheduleAccessOf(*db).FindSchedule(db, schedule_id_);
  }
  return schedule_;
}

bool TTableTVProgram::ReloadRow() {
  if (!table_) return false;
  TablePtr fresh =
      table_->GetDB()->QueryFmt("select * from programs where id = %d", {SqlArg::Int(id_)});
  if (fresh->Eof()) return false;
  table_ = std::move(fresh);
  row_ = 0;
  batch_ = nullptr;
  ReadNumbers();
  channel_ = nullptr;
  details_ = nullptr;
  schedule_ = nullptr;
  return true;
}

// ITVProgram --------------------------------------------------------------------------------

HRESULT TTableTVProgram::get_ID(int32_t* value) { return GetProperty(value, id_); }
HRESULT TTableTVProgram::get_ChannelID(int32_t* value) { return GetProperty(value, channel_id_); }
HRESULT TTableTVProgram::get_StartTime(OleDate* value) {
  return GetProperty(value, [&] { return StartTime(); });
}
HRESULT TTableTVProgram::get_EndTime(OleDate* value) {
  return GetProperty(value, [&] { return EndTime(); });
}
HRESULT TTableTVProgram::get_Title(std::string* value) {
  return GetProperty(value, [&] { return std::string(Title()); });
}
HRESULT TTableTVProgram::get_Subtitle(std::string* value) {
  return GetProperty(value, [&] { return std::string(Text(kProgramSubtitle)); });
}
HRESULT TTableTVProgram::get_TVRating(std::string* value) {
  return GetProperty(value, [&] { return std::string(Text(kProgramTVRating)); });
}
HRESULT TTableTVProgram::get_MovieRating(std::string* value) {
  return GetProperty(value, [&] { return std::string(Text(kProgramMovieRating)); });
}
HRESULT TTableTVProgram::get_ProgramType(std::string* value) {
  return GetProperty(value, [&] { return std::string(Text(kProgramType)); });
}
HRESULT TTableTVProgram::get_SortTitle(std::string* value) {
  return GetProperty(value, [&] { return std::string(Text(kProgramSortTitle)); });
}
HRESULT TTableTVProgram::get_SearchTitle(std::string* value) {
  return GetProperty(value, [&] { return std::string(Text(kProgramSearchTitle)); });
}
HRESULT TTableTVProgram::get_EqualityKey(std::string* value) {
  return GetProperty(value, [&] { return std::string(EqualityKey()); });
}
HRESULT TTableTVProgram::get_Channel(ITVChannel** result) {
  return GetProperty(result, [&] { return Channel(); });
}
HRESULT TTableTVProgram::get_Details(ITVProgramDetails** result) {
  return GetProperty(result, [&] { return Details(); });
}
HRESULT TTableTVProgram::GetAsKestroItem(IKestroItem** result) {
  return FrameOut(result, [&] { return AsKestroItem(); });
}
HRESULT TTableTVProgram::IsOver(bool* result) {
  return FrameValue(result, [&] { return OverAt(table_->GetDB()->GetEnv()->NowLocal()); });
}
HRESULT TTableTVProgram::IsOnNow(bool* result) {
  return FrameValue(result, [&] { return OnNowAt(table_->GetDB()->GetEnv()->NowLocal()); });
}
HRESULT TTableTVProgram::DurationMinutes(int32_t* result) {
  return FrameValue(result, [&] { return Minutes(); });
}
HRESULT TTableTVProgram::Reload(bool* result) {
  return FrameValue(result, [&] { return ReloadRow(); });
}
HRESULT TTableTVProgram::get_ScheduleID(int32_t* value) { return GetProperty(value, schedule_id_); }
HRESULT TTableTVProgram::IsToBeRecorded(bool* result) {
  return FrameValue(result, [&] { return schedule_id_ != 0; });
}
HRESULT TTableTVProgram::GetAsProgramList(ITVProgramList** result) {
  return FrameOut(result, [&] {
    ComPtr<TTVProgramList> list = MakeObject<TTVProgramList>();
    list->Append(ComPtr<ITVProgram>(this));
    return list;
  });
}
HRESULT TTableTVProgram::SetScheduleID(int32_t schedule_id, bool* result) {
  return FrameValue(result, [] { return true; });
}
HRESULT TTableTVProgram::LogText(std::string* result) {
  return FrameValue(result, [&] { return LogLine(); });
}
HRESULT TTableTVProgram::GetSchedule(ITVSchedule** result) {
  return FrameOut(result, [&] { return Schedule(); });
}
HRESULT TTableTVProgram::GetRepeatingSchedule(ITVListings* listings,
                                              ITVRepeatingSchedule** result) {
  return FrameOut(result, [&] {
    ComPtr<ITVRepeatingSchedule> repeating;
    if (ComPtr<ITVSchedule> schedule = Schedule())
      CheckHResult(schedule->GetRepeatingSchedule(listings, repeating.ReleaseAndGetAddressOf()));
    return repeating;
  });
}

}  // namespace kestro
