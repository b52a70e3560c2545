#include "listings/channel_store.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "platform/text/text.h"
#include "support/failure_report.h"

namespace kestro {

namespace {

// One channel per row of `table`, in row order.
std::vector<ComPtr<ITVChannel>> ChannelsOf(ITable& table) {
  std::vector<ComPtr<ITVChannel>> channels;
  channels.reserve(static_cast<size_t>(table.RowCount()));
  for (table.First(); !table.Eof(); table.Next()) channels.push_back(MakeObject<TTVChannel>(table));
  return channels;
}

ComPtr<TTVChannel> FirstChannel(const TablePtr& table) {
  if (table->Eof()) return nullptr;
  return MakeObject<TTVChannel>(*table);
}

ComPtr<TTVChannelList> BuiltInList(const DBPtr& db, const char* sql) {
  TablePtr table = db->Query(sql);
  return MakeObject<TTVChannelList>(nullptr, TTVChannelList::kBuiltInListID, std::string(),
                                    std::vector<std::string>(), ChannelsOf(*table));
}

// The stored list of the current row of a `channel_lists` query, with its wanted members.
ComPtr<TTVChannelList> StoredList(const DBPtr& db, const ITable& row) {
  const int32_t id = row.Int("list_id");
  TablePtr members = db->QueryFmt(
      "select c.* from channels c , channel_list_channels clc where clc.list_id = %d and "
      "clc.channel_id = c.channel_id and c.wanted = 1 order by clc.order_number",
      {SqlArg::Int(id)});
  return MakeObject<TTVChannelList>(db, id, row.Text("name"),
                                    ParseChannelListUsers(row.Text("users")),
                                    ChannelsOf(*members));
}

}  // namespace

ComPtr<TTVChannel> FindChannelByID(const DBPtr& db, int32_t channel_id) {
  return FirstChannel(
      db->QueryFmt("select * from channels where channel_id = %d", {SqlArg::Int(channel_id)}));
}

ComPtr<TTVChannel> FindChannelByExternalID(const DBPtr& db, const std::string& external_id) {
  return FirstChannel(db->QueryFmt("select * from channels where external_id = %s",
                                   {SqlArg::Quoted(external_id)}));
}

ComPtr<TTVChannel> FindChannelByNumber(const DBPtr& db, int32_t number) {
  return FirstChannel(
      db->QueryFmt("select * from channels where number = %d", {SqlArg::Int(number)}));
}

bool ChannelExistsByExternalID(const DBPtr& db, const std::string& external_id) {
  return db->QueryIntFmt("select count(*) from channels where external_id = %s",
                         {SqlArg::Quoted(external_id)}) > 0;
}

ComPtr<TTVChannelList> GetWantedChannels(const DBPtr& db) {
  return BuiltInList(db, "select * from channels where wanted = 1 order by number");
}

ComPtr<TTVChannelList> GetMasterChannels(const DBPtr& db) {
  return BuiltInList(db, "select * from channels order by number");
}

ComPtr<TTVChannelLists> GetChannelLists(const DBPtr& db, const std::string& for_user) {
  TablePtr rows = db->Query("select * from channel_lists order by lower( name )");
  std::vector<ComPtr<TTVChannelList>> stored;
  for (; !rows->Eof(); rows->Next()) {
    ComPtr<TTVChannelList> list = StoredList(db, *rows);
    if (list->ForUser(for_user)) stored.push_back(std::move(list));
  }
  // SQL's lower() folds ASCII letters only; order every script's names ignoring case.
  std::stable_sort(stored.begin(), stored.end(), [](const auto& a, const auto& b) {
    return CompareText(a->Name(), b->Name()) < 0;
  });
  return MakeObject<TTVChannelLists>(
      std::vector<ComPtr<ITVChannelList>>(stored.begin(), stored.end()));
}

ComPtr<TTVChannelList> FindChannelListByID(const DBPtr& db, int32_t list_id) {
  TablePtr row =
      db->QueryFmt("select * from channel_lists where list_id = %d", {SqlArg::Int(list_id)});
  if (row->Eof()) return nullptr;
  return StoredList(db, *row);
}

ComPtr<TTVChannelList> NewChannelList(const DBPtr& db) {
  return MakeObject<TTVChannelList>(db, TTVChannelList::kNewListID, std::string(),
                                    std::vector<std::string>(),
                                    std::vector<ComPtr<ITVChannel>>());
}

bool DeleteChannelList(const DBPtr& db, int32_t list_id) {
  try {
    Transaction transaction(*db);
    db->ExecFmt("delete from channel_list_channels where list_id = %d", {SqlArg::Int(list_id)});
    db->ExecFmt("delete from channel_lists where list_id = %d", {SqlArg::Int(list_id)});
    transaction.Commit();
    return true;
  } catch (const std::exception& e) {
    ReportFailure(Format("Deleting channel list %d", list_id), e);
    return false;
  }
}

}  // namespace kestro
