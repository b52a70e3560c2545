#include "listings/tv_channel_list.h"

#include <algorithm>
#include <utility>

#include "listings/tv_channel.h"
#include "platform/text/text.h"

namespace kestro {

namespace {

[[noreturn]] void ThrowIndexOutOfBounds(int32_t index) {
  throw Exception(Format("List index out of bounds (%d)", index));
}

// Trimmed, without empty names, sorted ignoring case, the first spelling of each name kept.
std::vector<std::string> NormalizeUsers(std::vector<std::string> users) {
  for (std::string& user : users) user = Trim(user);
  users.erase(std::remove(users.begin(), users.end(), std::string()), users.end());
  std::stable_sort(users.begin(), users.end(), [](const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
  });
  users.erase(std::unique(users.begin(), users.end(),
                          [](const std::string& a, const std::string& b) { return SameText(a, b); }),
              users.end());
  return users;
}

}  // namespace

std::vector<std::string> ParseChannelListUsers(std::string_view text) {
  return NormalizeUsers(Split(text, ','));
}

std::string FormatChannelListUsers(const std::vector<std::string>& users) {
  return Join(users, ",");
}

// TTVChannelList -----------------------------------------------------------------------------

TTVChannelList::TTVChannelList(DBPtr db, int32_t id, std::string name,
                               std::vector<std::string> users,
                               std::vector<ComPtr<ITVChannel>> channels)
    : db_(std::move(db)),
      id_(id),
      name_(std::move(name)),
      users_(NormalizeUsers(std::move(users))),
      channels_(std::move(channels)) {}

void TTVChannelList::SetUsers(std::vector<std::string> users) {
  users_ = NormalizeUsers(std::move(users));
}

void TTVChannelList::CheckIndex(int32_t index) const {
  if (index < 0 || index >= Count()) ThrowIndexOutOfBounds(index);
}

const ComPtr<ITVChannel>& TTVChannelList::Item(int32_t index) const {
  CheckIndex(index);
  return channels_[static_cast<size_t>(index)];
}

void TTVChannelList::RemoveAt(int32_t index) {
  CheckIndex(index);
  channels_.erase(channels_.begin() + index);
}

void TTVChannelList::ExchangeAt(int32_t index1, int32_t index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(channels_[static_cast<size_t>(index1)], channels_[static_cast<size_t>(index2)]);
}

bool TTVChannelList::Contains(ITVChannel* channel) const {
  if (!channel) return false;
  const int32_t id = ChannelIDOf(channel);
  return std::any_of(channels_.begin(), channels_.end(),
                     [&](const ComPtr<ITVChannel>& c) { return ChannelIDOf(c.Get()) == id; });
}

void TTVChannelList::RemoveChannelByID(ITVChannel* channel) {
  if (!channel || !db_) return;
  const int32_t id = ChannelIDOf(channel);
  auto it = std::find_if(channels_.begin(), channels_.end(),
                         [&](const ComPtr<ITVChannel>& c) { return ChannelIDOf(c.Get()) == id; });
  if (it != channels_.end()) channels_.erase(it);
}

bool TTVChannelList::ForUser(std::string_view user) const {
  if (users_.empty() || user.empty()) return true;
  return std::any_of(users_.begin(), users_.end(),
                     [&](const std::string& u) { return SameText(u, user); });
}

bool TTVChannelList::SaveList() {
  if (!db_) return false;
  const std::string users = FormatChannelListUsers(users_);
  Transaction transaction(*db_);
  int32_t id = id_;
  if (id >= 0) {
    db_->ExecFmt("update channel_lists set name = %s , users = %s where list_id = %d",
                 {SqlArg::Quoted(name_), SqlArg::Quoted(users), SqlArg::Int(id)});
    db_->ExecFmt("delete from channel_list_channels where list_id = %d", {SqlArg::Int(id)});
  } else {
    db_->ExecFmt("insert into channel_lists ( list_id , name , users ) values ( null , %s , %s )",
                 {SqlArg::Quoted(name_), SqlArg::Quoted(users)});
    id = db_->LastInsertRowID();
  }
  int32_t position = 0;
  for (const ComPtr<ITVChannel>& channel : channels_) {
    db_->ExecFmt(
        "insert into channel_list_channels ( list_id , channel_id , order_number ) values ( %d , "
        "%d , %d )",
        {SqlArg::Int(id), SqlArg::Int(ChannelIDOf(channel.Get())), SqlArg::Int(++position)});
  }
  transaction.Commit();
  id_ = id;  // only once stored: a failed first save leaves the list new
  return true;
}

// ITVChannelList ----------------------------------------------------------------------------

HRESULT TTVChannelList::get_Items(int32_t index, ITVChannel** result) {
  return GetProperty(result, [&] { return Item(index); });
}
HRESULT TTVChannelList::get_Count(int32_t* value) {
  return GetProperty(value, [&] { return Count(); });
}
HRESULT TTVChannelList::Add(ITVChannel* channel) {
  return Frame([&] { AddChannel(ComPtr<ITVChannel>(channel)); });
}
HRESULT TTVChannelList::Clear() {
  return Frame([&] { channels_.clear(); });
}
HRESULT TTVChannelList::get_ID(int32_t* value) { return GetProperty(value, id_); }
HRESULT TTVChannelList::get_Name(std::string* value) { return GetProperty(value, name_); }
HRESULT TTVChannelList::put_Name(const std::string& value) { return PutProperty(name_, value); }
HRESULT TTVChannelList::Remove(int32_t index) {
  return Frame([&] { RemoveAt(index); });
}
HRESULT TTVChannelList::Exchange(int32_t index1, int32_t index2) {
  return Frame([&] { ExchangeAt(index1, index2); });
}
HRESULT TTVChannelList::Save(bool* result) {
  return FrameValue(result, [&] { return SaveList(); });
}
HRESULT TTVChannelList::IsForUser(const std::string& user, bool* result) {
  return FrameValue(result, [&] { return ForUser(user); });
}
HRESULT TTVChannelList::ContainsChannel(ITVChannel* channel, bool* result) {
  return FrameValue(result, [&] { return Contains(channel); });
}
HRESULT TTVChannelList::get_Users(std::string* value) {
  return GetProperty(value, [&] { return FormatChannelListUsers(users_); });
}

HRESULT TTVChannelList::put_Users(const std::string& value) {
  return PutProperty([&] { SetUsers(ParseChannelListUsers(value)); });
}

HRESULT TTVChannelList::RemoveChannel(ITVChannel* channel) {
  return Frame([&] { RemoveChannelByID(channel); });
}

// TTVChannelLists ---------------------------------------------------------------------------

HRESULT TTVChannelLists::get_Items(int32_t index, ITVChannelList** result) {
  return GetProperty(result, [&] {
    if (index < 0 || index >= Count()) ThrowIndexOutOfBounds(index);
    return lists_[static_cast<size_t>(index)];
  });
}
HRESULT TTVChannelLists::get_Count(int32_t* value) {
  return GetProperty(value, [&] { return Count(); });
}

}  // namespace kestro
