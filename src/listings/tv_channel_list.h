// TTVChannelList and TTVChannelLists: ordered channel selections and collections of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/kestro_object.h"
#include "kestro/tv_channels.h"
#include "storage/db.h"

namespace kestro {

// Users text as stored in `channel_lists.users`: comma-separated names. Parsing trims the names,
// drops empty ones and duplicates (ignoring case) and sorts them ignoring case.
std::vector<std::string> ParseChannelListUsers(std::string_view text);
std::string FormatChannelListUsers(const std::vector<std::string>& users);

class TTVChannelList : public TKestroTVObject<ITVChannelList> {
 public:
  static constexpr int32_t kNewListID = -1;
  static constexpr int32_t kBuiltInListID = 0;

  // `db` null makes a built-in list (ID 0): Save and RemoveChannel do nothing on it.
  // `users` is kept as SetUsers keeps it.
  TTVChannelList(DBPtr db, int32_t id, std::string name, std::vector<std::string> users,
                 std::vector<ComPtr<ITVChannel>> channels);

  // ITVChannelList.
  HRESULT get_Items(int32_t index, ITVChannel** result) override;
  HRESULT get_Count(int32_t* value) override;
  HRESULT Add(ITVChannel* channel) override;
  HRESULT Clear() override;
  HRESULT get_ID(int32_t* value) override;
  HRESULT get_Name(std::string* value) override;
  HRESULT put_Name(const std::string& value) override;
  HRESULT Remove(int32_t index) override;
  HRESULT Exchange(int32_t index1, int32_t index2) override;
  HRESULT Save(bool* result) override;
  HRESULT IsForUser(const std::string& user, bool* result) override;
  HRESULT ContainsChannel(ITVChannel* channel, bool* result) override;
  HRESULT RemoveChannel(ITVChannel* channel) override;
  HRESULT get_Users(std::string* value) override;
  HRESULT put_Users(const std::string& value) override;

  int32_t ID() const { return id_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::vector<std::string>& Users() const { return users_; }
  // Trimmed, empty names dropped, sorted and made unique ignoring case; stored on the next Save.
  void SetUsers(std::vector<std::string> users);
  const std::vector<ComPtr<ITVChannel>>& Channels() const { return channels_; }
  int32_t Count() const { return static_cast<int32_t>(channels_.size()); }
  // Throws "List index out of bounds (%d)".
  const ComPtr<ITVChannel>& Item(int32_t index) const;

  void AddChannel(ComPtr<ITVChannel> channel) { channels_.push_back(std::move(channel)); }
  void RemoveAt(int32_t index);
  void ExchangeAt(int32_t index1, int32_t index2);
  // Removes the first member with the channel's ID; nothing for null or a built-in list.
  void RemoveChannelByID(ITVChannel* channel);
  bool Contains(ITVChannel* channel) const;
  bool ForUser(std::string_view user) const;

  // Stores the list (new rows, or name, users and members replaced) in one transaction, rolled
  // back when a statement fails (the failure propagates). A new list takes its new ID on
  // success. false, and nothing done, for a list without a database.
  bool SaveList();

 private:
  void CheckIndex(int32_t index) const;

  DBPtr db_;
  int32_t id_;
  std::string name_;
  std::vector<std::string> users_;
  std::vector<ComPtr<ITVChannel>> channels_;
};

class TTVChannelLists : public TKestroTVObject<ITVChannelLists> {
 public:
  explicit TTVChannelLists(std::vector<ComPtr<ITVChannelList>> lists = {})
      : lists_(std::move(lists)) {}

  HRESULT get_Items(int32_t index, ITVChannelList** result) override;
  HRESULT get_Count(int32_t* value) override;

  const std::vector<ComPtr<ITVChannelList>>& Lists() const { return lists_; }
  int32_t Count() const { return static_cast<int32_t>(lists_.size()); }

 private:
  std::vector<ComPtr<ITVChannelList>> lists_;
};

}  // namespace kestro
