// Channels, channel lists and the channel operations of the listings object.
#include <gtest/gtest.h>

#include "kestro/interface_reads.h"
#include "listings/channel_store.h"
#include "listings_fixture.h"

namespace kestro {
namespace {

using ChannelTest = ListingsTest;

std::vector<std::string> ShortNames(ITVChannelList* list) {
  std::vector<std::string> names;
  for (const ComPtr<ITVChannel>& channel : ListItems(list))
    names.push_back(Get(channel.Get(), &ITVChannel::get_ShortName));
  return names;
}

TEST_F(ChannelTest, WantedReadsTrueOnlyForNullOrOne) {
  std::vector<bool> wanted;
  for (int32_t value : {-1, 0, 2}) {
    wanted.push_back(FindChannelByID(db_, AddChannel(value + 3, "c", value))->fields().wanted);
  }
  EXPECT_EQ(wanted, (std::vector<bool>{true, false, false}));
  EXPECT_FALSE(FindChannelByID(db_, 999)) << "a missing channel is null";
}

TEST_F(ChannelTest, WritesReachTheDatabaseOnlyWhenTheValueChanges) {
  int32_t id = AddChannel(7, "BBC");
  ComPtr<TTVChannel> channel = FindChannelByID(db_, id);
  std::vector<std::string> statements;
  db_->SetTrace([&](std::string_view sql) { statements.emplace_back(sql); });

  EXPECT_EQ(channel->put_ShortName("BBC"), S_OK);
  EXPECT_TRUE(statements.empty()) << "unchanged values run no update";

  EXPECT_EQ(channel->put_Number(12), S_OK);
  EXPECT_EQ(channel->SetExternalID("id'\"1"), S_OK);
  db_->SetTrace({});
  EXPECT_EQ(statements.size(), 2u);
  EXPECT_EQ(FindChannelByExternalID(db_, "id'\"1")->fields().number, 12);
}

TEST_F(ChannelTest, RefusedWriteKeepsTheOldValueAndSucceeds) {
  int32_t id = AddChannel(7, "BBC");
  ComPtr<TTVChannel> channel = FindChannelByID(db_, id);
  RefuseWrites("channels", "update");
  EXPECT_EQ(channel->put_LongName("changed"), S_OK);
  EXPECT_EQ(channel->put_Wanted(false), S_OK);
  EXPECT_EQ(channel->fields().long_name, "BBC long");
  EXPECT_TRUE(channel->fields().wanted);
}

TEST_F(ChannelTest, UnwantedChannelsAreOnlyInTheMasterList) {
  int32_t c5 = AddChannel(5, "five");
  int32_t c1 = AddChannel(1, "one");
  AddChannel(3, "three");
  ComPtr<TTVChannelList> stored = NewChannelList(db_);
  stored->AddChannel(FindChannelByID(db_, c5));
  stored->AddChannel(FindChannelByID(db_, c1));
  ASSERT_TRUE(stored->SaveList());

  EXPECT_EQ(FindChannelByID(db_, c1)->put_Wanted(false), S_OK);
  EXPECT_EQ(db_->QueryIntFmt("select wanted from channels where channel_id = %d", {SqlArg::Int(c1)}),
            0);
  EXPECT_EQ(ShortNames(GetMasterChannels(db_).Get()),
            (std::vector<std::string>{"one", "three", "five"}));
  EXPECT_EQ(ShortNames(GetWantedChannels(db_).Get()), (std::vector<std::string>{"three", "five"}));
  EXPECT_EQ(ShortNames(FindChannelListByID(db_, stored->ID()).Get()),
            std::vector<std::string>{"five"});
}

using ChannelListTest = ListingsTest;

TEST_F(ChannelListTest, SaveStoresMembersInOrderAndReplacesThemOnTheNextSave) {
  int32_t a = AddChannel(1, "a"), b = AddChannel(2, "b"), c = AddChannel(3, "c");
  ComPtr<TTVChannelList> list = NewChannelList(db_);
  EXPECT_EQ(list->ID(), -1);
  for (int32_t id : {c, a, b}) ASSERT_EQ(list->Add(FindChannelByID(db_, id).Get()), S_OK);
  list->SetName("Näher dran");
  list->SetUsers({"bob", "Alice", "alice", " "});
  bool saved = false;
  ASSERT_EQ(list->Save(&saved), S_OK);
  ASSERT_TRUE(saved);
  const int32_t id = list->ID();
  EXPECT_GT(id, 0);
  auto members = [&] {
    std::vector<std::pair<int32_t, int32_t>> rows;
    TablePtr t = db_->QueryFmt(
        "select channel_id , order_number from channel_list_channels where list_id = %d "
        "order by order_number",
        {SqlArg::Int(id)});
    for (; !t->Eof(); t->Next()) rows.emplace_back(t->Int(0), t->Int(1));
    return rows;
  };
  EXPECT_EQ(members(), (std::vector<std::pair<int32_t, int32_t>>{{c, 1}, {a, 2}, {b, 3}}));
  EXPECT_EQ(db_->Query("select users from channel_lists")->Text(0), "Alice,bob");

  ASSERT_EQ(list->Exchange(0, 2), S_OK);
  ASSERT_EQ(list->Remove(1), S_OK);
  ASSERT_EQ(list->Save(&saved), S_OK);
  EXPECT_EQ(list->ID(), id) << "a stored list keeps its id";
  EXPECT_EQ(members(), (std::vector<std::pair<int32_t, int32_t>>{{b, 1}, {c, 2}}));

  ComPtr<TTVChannelList> reloaded = FindChannelListByID(db_, id);
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(reloaded->Users(), (std::vector<std::string>{"Alice", "bob"}));
  EXPECT_EQ(ShortNames(reloaded.Get()), (std::vector<std::string>{"b", "c"}));
}

TEST_F(ChannelListTest, FailedSaveRollsBackAndLeavesTheListNew) {
  int32_t a = AddChannel(1, "a");
  ComPtr<TTVChannelList> list = NewChannelList(db_);
  list->AddChannel(FindChannelByID(db_, a));
  RefuseWrites("channel_list_channels", "insert");
  bool saved = true;
  EXPECT_EQ(list->Save(&saved), E_UNEXPECTED);
  EXPECT_EQ(list->ID(), -1);
  EXPECT_FALSE(db_->InTransaction());
  EXPECT_EQ(db_->QueryInt("select count(*) from channel_lists"), 0);
}

TEST_F(ChannelListTest, UsersDecideWhoSeesAList) {
  auto make = [&](const std::string& name, std::vector<std::string> users) {
    ComPtr<TTVChannelList> list = NewChannelList(db_);
    list->SetName(name);
    list->SetUsers(std::move(users));
    EXPECT_TRUE(list->SaveList());
    return list;
  };
  ComPtr<TTVChannelList> shared = make("b-list", {"Anna", "Ben"});
  make("äpfel", {});
  make("A-list", {"carl"});
  make("Ärzte", {});

  for (const char* user : {"anna", "BEN", "", "carl"}) {
    bool result = false;
    EXPECT_EQ(shared->IsForUser(user, &result), S_OK);
    EXPECT_EQ(result, std::string(user) != "carl") << user;
  }

  auto names = [&](const std::string& user) {
    std::vector<std::string> result;
    ComPtr<TTVChannelLists> lists = GetChannelLists(db_, user);
    for (const auto& list : lists->Lists())
      result.push_back(Get(list.Get(), &ITVChannelList::get_Name));
    return result;
  };
  // Ordered by name ignoring case in every script (SQL's lower() alone would put Ä before ä).
  EXPECT_EQ(names(""), (std::vector<std::string>{"A-list", "b-list", "äpfel", "Ärzte"}));
  EXPECT_EQ(names("Ben"), (std::vector<std::string>{"b-list", "äpfel", "Ärzte"}));

  EXPECT_TRUE(DeleteChannelList(db_, shared->ID()));
  EXPECT_EQ(names("Ben"), (std::vector<std::string>{"äpfel", "Ärzte"}));
}

TEST_F(ChannelListTest, BuiltInListsCannotBeSavedOrLoseChannelsByIdentity) {
  AddChannel(2, "two");
  AddChannel(1, "one");
  ComPtr<TTVChannelList> master = GetMasterChannels(db_);
  EXPECT_EQ(master->ID(), 0);
  ComPtr<ITVChannel> first = master->Item(0);

  bool contains = false;
  ASSERT_EQ(master->ContainsChannel(FindChannelByID(db_, ChannelIDOf(first.Get())).Get(), &contains),
            S_OK);
  EXPECT_TRUE(contains) << "membership is by channel id, not by object";
  EXPECT_EQ(master->RemoveChannel(first.Get()), S_OK);
  EXPECT_EQ(master->Count(), 2);
  EXPECT_EQ(master->Remove(0), S_OK);
  EXPECT_EQ(ShortNames(master.Get()), std::vector<std::string>{"two"});

  bool saved = true;
  EXPECT_EQ(master->Save(&saved), S_OK);
  EXPECT_FALSE(saved);
  EXPECT_EQ(db_->QueryInt("select count(*) from channel_lists"), 0);

  ComPtr<ITVChannel> missing;
  EXPECT_EQ(master->get_Items(5, missing.ReleaseAndGetAddressOf()), E_UNEXPECTED);
  ErrorInfo info;
  ASSERT_EQ(GetErrorInfo(&info), S_OK);
  EXPECT_EQ(info.description, "List index out of bounds (5)");
}

}  // namespace
}  // namespace kestro
