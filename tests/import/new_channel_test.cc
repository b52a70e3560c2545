// TTVNewChannel.Save inside an import run: matching by external id, the counters it moves and
// the log line of its failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "import/program_import_fixture.h"

namespace kestro::testing {
namespace {

using ::testing::HasSubstr;

// Channels saved in a run on a fresh guide that holds none.
class NewChannelSave : public ProgramImportTest {
 protected:
  void SetUp() override { StartRun(At(12), 1); }

  ComPtr<ITVNewChannel> Channel(const std::string& external_id, int32_t number,
                                const std::string& short_name) {
    ComPtr<ITVNewChannel> channel;
    run_->NewChannel(channel.ReleaseAndGetAddressOf());
    channel->put_ExternalID(external_id);
    channel->put_Number(number);
    channel->put_ShortName(short_name);
    channel->put_LongName("  Long Name\t");
    return channel;
  }
  static TV_CHANNEL_SAVE_RESULT Save(ITVNewChannel* channel) {
    TV_CHANNEL_SAVE_RESULT result = TV_CHANNEL_SAVE_FAILED;
    EXPECT_EQ(channel->Save(&result), S_OK);
    return result;
  }
  static int32_t ID(ITVNewChannel* channel) {
    int32_t id = -1;
    channel->get_ID(&id);
    return id;
  }
};

TEST_F(NewChannelSave, TrimmedExternalIdIsStoredAndMatchedAgainInThisAndTheNextImport) {
  ComPtr<ITVNewChannel> first = Channel(" 12 ", 7, " BBC1 ");
  ASSERT_EQ(Save(first.Get()), TV_CHANNEL_SAVE_OK);
  TablePtr row = db_->Query("select * from channels");
  ASSERT_EQ(row->RowCount(), 1);
  EXPECT_EQ(row->Text("external_id"), "12");
  EXPECT_EQ(row->Text("short_name"), "BBC1");
  EXPECT_EQ(row->Text("long_name"), "Long Name");
  EXPECT_EQ(row->Int("wanted"), 1);
  EXPECT_EQ(row->Int("channel_id"), ID(first.Get()));

  // The same channel again, differently described: matched, the row kept, nothing counted.
  ComPtr<ITVNewChannel> again = Channel("12", 99, "OTHER");
  EXPECT_EQ(Save(again.Get()), TV_CHANNEL_SAVE_OK);
  EXPECT_EQ(ID(again.Get()), ID(first.Get()));
  EXPECT_EQ(db_->QueryInt("select number from channels"), 7);
  EXPECT_EQ(run_->Stats().channels_added, 1);
  EXPECT_EQ(run_->Stats().channels_updated + run_->Stats().channels_failed +
                run_->Stats().channels_rejected,
            0);

  // An id with quotes is found again by the next import.
  ComPtr<ITVNewChannel> quoted = Channel("say \"hi\" 'there'", 4, "Q");
  ASSERT_EQ(Save(quoted.Get()), TV_CHANNEL_SAVE_OK);
  run_->CommitSaving();
  BeginRun();
  ComPtr<ITVNewChannel> next = Channel("say \"hi\" 'there'", 4, "Q");
  EXPECT_EQ(Save(next.Get()), TV_CHANNEL_SAVE_OK);
  EXPECT_EQ(ID(next.Get()), ID(quoted.Get()));
  EXPECT_EQ(run_->Stats().channels_added, 0);
}

// Incomplete, unwanted and failing channels leave the guide and the object's id as they were.
TEST_F(NewChannelSave, RefusedChannelsAreCountedAndKeepTheObjectsID) {
  EXPECT_EQ(Save(Channel("x1", 0, "ZERO").Get()), TV_CHANNEL_SAVE_INCOMPLETE_CHANNEL);
  EXPECT_EQ(Save(Channel("   ", 3, "BLANK").Get()), TV_CHANNEL_SAVE_INCOMPLETE_CHANNEL);
  EXPECT_EQ(run_->Stats().channels_failed, 2);
  EXPECT_EQ(db_->QueryInt("select count ( * ) from channels"), 0);

  db_->Exec(
      "insert into channels ( channel_id , external_id , number , short_name , wanted ) values "
      "( 40 , 'no' , 5 , 'NO' , 0 )");
  ComPtr<ITVNewChannel> unwanted = Channel("no", 5, "NO");
  unwanted->put_ID(77);
  EXPECT_EQ(Save(unwanted.Get()), TV_CHANNEL_SAVE_UNWANTED);
  EXPECT_EQ(ID(unwanted.Get()), 77);
  EXPECT_EQ(run_->Stats().channels_rejected, 1);

  lines_.clear();
  db_->Exec(
      "create trigger refuse before insert on channels begin select raise ( abort , 'refused' ) "
      "; end ;");
  ComPtr<ITVNewChannel> channel = Channel("x", 5, "X");
  channel->put_ID(3);
  EXPECT_EQ(Save(channel.Get()), TV_CHANNEL_SAVE_FAILED);
  EXPECT_EQ(ID(channel.Get()), 3);
  EXPECT_EQ(run_->Stats().channels_failed, 3);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_THAT(Messages()[0],
              HasSubstr("Saving channel number 5 with external id \"x\" and short name \"X\" : "));
  EXPECT_THAT(Messages()[0], HasSubstr("refused"));
}

}  // namespace
}  // namespace kestro::testing
