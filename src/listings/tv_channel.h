// TTVChannel: one row of `channels`, read once and edited field by field.
#pragma once

#include <cstdint>
#include <string>

#include "core/kestro_object.h"
#include "kestro/tv_channels.h"
#include "storage/db.h"

namespace kestro {

struct ChannelFields {
  int32_t id = 0;
  std::string external_id;
  int32_t number = 0;
  std::string short_name;
  std::string long_name;
  std::string network;
  std::string frequency;
  std::string image_id;
  bool wanted = false;
};

// Reads the current row of a `channels` query by column name. A null `wanted` reads as true;
// at the end of the table every field keeps its zero or empty value.
ChannelFields ReadChannelFields(const ITable& table);

class TTVChannel : public TKestroTVObject<ITVChannel> {
 public:
  // The channel of the table's current row; its database is the table's.
  explicit TTVChannel(const ITable& table);
  // A channel with the given values on `db` (null: writes are ignored).
  TTVChannel(DBPtr db, ChannelFields fields);

  // ITVChannel.
  HRESULT get_ID(int32_t* value) override;
  HRESULT get_ExternalID(std::string* value) override;
  HRESULT get_Number(int32_t* value) override;
  HRESULT put_Number(int32_t value) override;
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
  HRESULT get_Wanted(bool* value) override;
  HRESULT put_Wanted(bool value) override;
  HRESULT GetAsKestroItem(IKestroItem** result) override;
  HRESULT SetExternalID(const std::string& id) override;

  const ChannelFields& fields() const { return fields_; }
  const DBPtr& db() const { return db_; }

  // The writes behind the property puts. Each runs its update at once, outside any transaction,
  // only when the value differs and the channel has a database; a failed update is dropped,
  // reported (ReportFailure) and the old value kept. Never throw.
  void WriteNumber(int32_t value);
  void WriteShortName(const std::string& value);
  void WriteLongName(const std::string& value);
  void WriteNetwork(const std::string& value);
  void WriteFrequency(const std::string& value);
  void WriteImageID(const std::string& value);
  void WriteWanted(bool value);
  void WriteExternalID(const std::string& value);

  // The "channel-..." property bag.
  ComPtr<IKestroItem> AsKestroItem() const;

 private:
  template <class T>
  void Write(T& field, const T& value, const char* sql, SqlArg arg);

  DBPtr db_;
  ChannelFields fields_;
};

// The ID of any channel through its interface; 0 for null.
int32_t ChannelIDOf(ITVChannel* channel);

}  // namespace kestro
