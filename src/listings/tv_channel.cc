#include "listings/tv_channel.h"

#include <exception>

#include "listings/table_fields.h"
#include "platform/text/text.h"
#include "support/dictionary.h"
#include "support/failure_report.h"

namespace kestro {

ChannelFields ReadChannelFields(const ITable& table) {
  ChannelFields f;
  if (table.Eof()) return f;
  f.id = FieldIntOr(table, "channel_id", 0);
  f.external_id = table.Text("external_id");
  f.number = FieldIntOr(table, "number", 0);
  f.short_name = table.Text("short_name");
  f.long_name = table.Text("long_name");
  f.network = table.Text("network");
  f.frequency = table.Text("frequency");
  f.image_id = table.Text("image_id");
  // A channel is wanted unless marked otherwise: null reads as 1.
  f.wanted = FieldIntOr(table, "wanted", 1) == 1;
  return f;
}

TTVChannel::TTVChannel(const ITable& table)
    : db_(table.GetDB()), fields_(ReadChannelFields(table)) {}

TTVChannel::TTVChannel(DBPtr db, ChannelFields fields)
    : db_(std::move(db)), fields_(std::move(fields)) {}

template <class T>
void TTVChannel::Write(T& field, const T& value, const char* sql, SqlArg arg) {
  if (field == value || !db_) return;
  try {
    db_->ExecFmt(sql, {std::move(arg), SqlArg::Int(fields_.id)});
    field = value;
  } catch (const std::exception& e) {
    // A guide that cannot be written at all is the caller's to hear of. A single edit that the
    // database refuses is dropped; the channel keeps its value.
    if (IsReadOnlyFailure(e)) throw;
    ReportFailure(Format("Changing channel %d", fields_.id), e);
  }
}

void TTVChannel::WriteNumber(int32_t value) {
  Write(fields_.number, value, "update channels set number = %d where channel_id = %d",
        SqlArg::Int(value));
}
void TTVChannel::WriteShortName(const std::string& value) {
  Write(fields_.short_name, value, "update channels set short_name=%s where channel_id = %d",
        SqlArg::Quoted(value));
}
void TTVChannel::WriteLongName(const std::string& value) {
  Write(fields_.long_name, value, "update channels set long_name =%s where channel_id = %d",
        SqlArg::Quoted(value));
}
void TTVChannel::WriteNetwork(const std::string& value) {
  Write(fields_.network, value, "update channels set network=%s where channel_id = %d",
        SqlArg::Quoted(value));
}
void TTVChannel::WriteFrequency(const std::string& value) {
  Write(fields_.frequency, value, "update channels set frequency=%s where channel_id = %d",
        SqlArg::Quoted(value));
}
void TTVChannel::WriteImageID(const std::string& value) {
  Write(fields_.image_id, value, "update channels set image_id=%s where channel_id = %d",
        SqlArg::Quoted(value));
}
void TTVChannel::WriteWanted(bool value) {
  Write(fields_.wanted, value, "update channels set wanted = %d where channel_id = %d",
        SqlArg::Int(value ? 1 : 0));
}
void TTVChannel::WriteExternalID(const std::string& value) {
  Write(fields_.external_id, value, "update channels set external_id=%s where channel_id = %d",
        SqlArg::Quoted(value));
}

ComPtr<IKestroItem> TTVChannel::AsKestroItem() const {
  ComPtr<TDictionary> item = NewDictionary();
  item->Set("channel-id", fields_.id);
  item->Set("channel-external-id", fields_.external_id);
  item->Set("channel-number", fields_.number);
  item->Set("channel-short-name", fields_.short_name);
  item->Set("channel-long-name", fields_.long_name);
  item->Set("channel-network", fields_.network);
  item->Set("channel-frequency", fields_.frequency);
  item->Set("channel-image-id", fields_.image_id);
  item->Set("channel-wanted", fields_.wanted);
  return item;
}

// ITVChannel --------------------------------------------------------------------------------

HRESULT TTVChannel::get_ID(int32_t* value) { return GetProperty(value, fields_.id); }
HRESULT TTVChannel::get_ExternalID(std::string* value) {
  return GetProperty(value, fields_.external_id);
}
HRESULT TTVChannel::get_Number(int32_t* value) { return GetProperty(value, fields_.number); }
HRESULT TTVChannel::put_Number(int32_t value) {
  return PutProperty([&] { WriteNumber(value); });
}
HRESULT TTVChannel::get_ShortName(std::string* value) {
  return GetProperty(value, fields_.short_name);
}
HRESULT TTVChannel::put_ShortName(const std::string& value) {
  return PutProperty([&] { WriteShortName(value); });
}
HRESULT TTVChannel::get_LongName(std::string* value) {
  return GetProperty(value, fields_.long_name);
}
HRESULT TTVChannel::put_LongName(const std::string& value) {
  return PutProperty([&] { WriteLongName(value); });
}
HRESULT TTVChannel::get_Network(std::string* value) { return GetProperty(value, fields_.network); }
HRESULT TTVChannel::put_Network(const std::string& value) {
  return PutProperty([&] { WriteNetwork(value); });
}
HRESULT TTVChannel::get_Frequency(std::string* value) {
  return GetProperty(value, fields_.frequency);
}
HRESULT TTVChannel::put_Frequency(const std::string& value) {
  return PutProperty([&] { WriteFrequency(value); });
}
HRESULT TTVChannel::get_ImageID(std::string* value) { return GetProperty(value, fields_.image_id); }
HRESULT TTVChannel::put_ImageID(const std::string& value) {
  return PutProperty([&] { WriteImageID(value); });
}
HRESULT TTVChannel::get_Wanted(bool* value) { return GetProperty(value, fields_.wanted); }
HRESULT TTVChannel::put_Wanted(bool value) {
  return PutProperty([&] { WriteWanted(value); });
}
HRESULT TTVChannel::GetAsKestroItem(IKestroItem** result) {
  return FrameOut(result, [&] { return AsKestroItem(); });
}
HRESULT TTVChannel::SetExternalID(const std::string& id) {
  return Frame([&] { WriteExternalID(id); });
}

int32_t ChannelIDOf(ITVChannel* channel) {
  int32_t id = 0;
  if (channel) CheckHResult(channel->get_ID(&id));
  return id;
}

}  // namespace kestro
