// TTVNewChannel: how an import plug-in announces one channel of its source. Save matches the
// channel by external id against the lineup's channels, adds an unknown one (always wanted) and
// answers whether the user wants it. A known channel's row is never changed by an import.
#pragma once

#include <cstdint>
#include <string>

#include "core/kestro_object.h"
#include "import/update_session.h"
#include "kestro/tv_import.h"

namespace kestro {

class TTVNewChannel : public TKestroTVObject<ITVNewChannel> {
 public:
  // A cleared channel of the session's run; the session is held for the object's life.
  explicit TTVNewChannel(ComPtr<ITVListingsUpdateSession> session);

  HRESULT get_ID(int32_t* value) override;
  HRESULT put_ID(int32_t value) override;
  HRESULT get_Number(int32_t* value) override;
  HRESULT put_Number(int32_t value) override;
  HRESULT get_ExternalID(std::string* value) override;
  HRESULT put_ExternalID(const std::string& value) override;
  HRESULT get_ShortName(std::string* value) override;
  HRESULT put_ShortName(const std::string& value) override;
  HRESULT get_LongName(std::string* value) override;
  HRESULT put_LongName(const std::string& value) override;
  HRESULT get_Network(std::string* value) override;
  HRESULT put_Network(const std::string& value) override;
  HRESULT get_Frequency(std::string* value) override;
  HRESULT put_Frequency(const std::string& value) override;
  HRESULT get_ImageID(std::string* value) override;
  HRESULT put_ImageID(const std::string& value) override;
  HRESULT Clear() override;
  HRESULT Save(TV_CHANNEL_SAVE_RESULT* result) override;

  // The work of Save; never throws. Failures are result codes, logged on the session's logger
  // and counted on the session.
  TV_CHANNEL_SAVE_RESULT SaveChannel();
  void ClearFields();

 private:
  // The lookup, insert or acceptance of a save. Throws the database's failures.
  TV_CHANNEL_SAVE_RESULT MatchOrInsert();

  ComPtr<ITVListingsUpdateSession> session_;
  int32_t id_ = 0;
  int32_t number_ = 0;
  std::string external_id_;
  std::string short_name_;
  std::string long_name_;
  std::string network_;
  std::string frequency_;
  std::string image_id_;
};

}  // namespace kestro
