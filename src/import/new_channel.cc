#include "import/new_channel.h"

#include <utility>

#include "platform/text/text.h"

namespace kestro {

TTVNewChannel::TTVNewChannel(ComPtr<ITVListingsUpdateSession> session)
    : session_(std::move(session)) {}

void TTVNewChannel::ClearFields() {
  id_ = 0;
  number_ = 0;
  external_id_.clear();
  short_name_.clear();
  long_name_.clear();
  network_.clear();
  frequency_.clear();
  image_id_.clear();
}

TV_CHANNEL_SAVE_RESULT TTVNewChannel::MatchOrInsert() {
  IDB& db = *session_->GetDatabase();
  TablePtr row = db.QueryFmt("select * from channels where external_id = %s",
                             {SqlArg::Quoted(external_id_)});
  if (row->Eof()) {
    db.ExecFmt(
        "insert into channels ( channel_id , external_id , number , short_name , long_name , "
        "network , frequency , image_id , wanted  ) values ( null , %s , %d , %s , %s , %s , %s "
        ", %s , 1 )",
        {SqlArg::Quoted(external_id_), SqlArg::Int(number_), SqlArg::Quoted(short_name_),
         SqlArg::Quoted(long_name_), SqlArg::Quoted(network_), SqlArg::Quoted(frequency_),
         SqlArg::Quoted(image_id_)});
    id_ = db.LastInsertRowID();
    session_->ChannelAdded();
    return TV_CHANNEL_SAVE_OK;
  }
  // A wanted value that is not a number counts as wanted.
  if (StrToIntDef(row->Text("wanted"), 1) == 0) {
    session_->ChannelRejected();
    return TV_CHANNEL_SAVE_UNWANTED;
  }
  id_ = row->Int("channel_id");
  return TV_CHANNEL_SAVE_OK;
}

TV_CHANNEL_SAVE_RESULT TTVNewChannel::SaveChannel() {
  std::shared_ptr<ILogger> logger = session_->GetLogger();
  if (external_id_.empty() || number_ <= 0 || short_name_.empty()) {
    if (logger) logger->Log("Channel missing external id, number or short name");
    session_->ChannelFailed();
    return TV_CHANNEL_SAVE_INCOMPLETE_CHANNEL;
  }
  const int32_t id_before = id_;
  session_->Lookups().Forget();  // the programmes' saves read the channels anew
  try {
    return MatchOrInsert();
  } catch (const std::exception& e) {
    id_ = id_before;
    session_->ChannelFailed();
    if (logger) {
      logger->LogExceptionFmt(
          e, "Saving channel number %d with external id \"%s\" and short name \"%s\"", number_,
          external_id_.c_str(), short_name_.c_str());
    }
  }
  return TV_CHANNEL_SAVE_FAILED;
}

HRESULT TTVNewChannel::get_ID(int32_t* value) { return GetProperty(value, id_); }
HRESULT TTVNewChannel::put_ID(int32_t value) { return PutProperty(id_, value); }
HRESULT TTVNewChannel::get_Number(int32_t* value) { return GetProperty(value, number_); }
HRESULT TTVNewChannel::put_Number(int32_t value) { return PutProperty(number_, value); }
HRESULT TTVNewChannel::get_ExternalID(std::string* value) {
  return GetProperty(value, external_id_);
}
HRESULT TTVNewChannel::put_ExternalID(const std::string& value) {
  return PutProperty([&] { external_id_ = Trim(value); });
}
HRESULT TTVNewChannel::get_ShortName(std::string* value) { return GetProperty(value, short_name_); }
HRESULT TTVNewChannel::put_ShortName(const std::string& value) {
  return PutProperty([&] { short_name_ = Trim(value); });
}
HRESULT TTVNewChannel::get_LongName(std::string* value) { return GetProperty(value, long_name_); }
HRESULT TTVNewChannel::put_LongName(const std::string& value) {
  return PutProperty([&] { long_name_ = Trim(value); });
}
HRESULT TTVNewChannel::get_Network(std::string* value) { return GetProperty(value, network_); }
HRESULT TTVNewChannel::put_Network(const std::string& value) {
  return PutProperty([&] { network_ = Trim(value); });
}
HRESULT TTVNewChannel::get_Frequency(std::string* value) { return GetProperty(value, frequency_); }
HRESULT TTVNewChannel::put_Frequency(const std::string& value) {
  return PutProperty([&] { frequency_ = Trim(value); });
}
HRESULT TTVNewChannel::get_ImageID(std::string* value) { return GetProperty(value, image_id_); }
HRESULT TTVNewChannel::put_ImageID(const std::string& value) {
  return PutProperty([&] { image_id_ = Trim(value); });
}
HRESULT TTVNewChannel::Clear() {
  return Frame([&] { ClearFields(); });
}
HRESULT TTVNewChannel::Save(TV_CHANNEL_SAVE_RESULT* result) {
  return FrameValue(result, [&] { return SaveChannel(); });
}

}  // namespace kestro
