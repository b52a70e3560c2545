// Disk space and keep rules against a real media library and real files on a fake, nearly full
// drive whose free space grows as files are deleted.
#include "recording/disk_space.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "host/media_library/ml_library.h"
#include "recording/recording_fixture.h"

namespace kestro::testing {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

constexpr int64_t kGB = kBytesPerGB;

OleDate March(int day, int hour = 20, int minute = 0) {
  return EncodeDateTime({2030, 3, day, hour, minute, 0, 0});
}

class DiskSpaceTest : public RecordingTest {
 protected:
  DiskSpaceTest() {
    env_->SetLocal(March(10));
    section_ = host::OpenMediaLibrary(dir_ / "data/media-library.db")
                   ->Section(kRecordingsSection, true);
    std::filesystem::create_directories(dir_ / "rec");
    std::filesystem::create_directories(dir_ / "usb");
  }

  // A recording of `gb` gigabytes (a sparse file) made on `day` in folder `folder`.
  void AddRecording(const std::string& name, int day, int32_t keep_until, double gb,
                    int32_t rs_id = 0, const std::string& folder = "rec") {
    AddLibraryRecording(*section_, name, dir_ / (folder + "/" + name + ".ts"), gb,
                        {{"keep_until", keep_until},
                         {"rs_id", rs_id},
                         {"record-time", DateTimeToDbTime(March(day))}});
  }
  bool InLibrary(const std::string& name) { return !section_->FindItems("title", name).empty(); }
  bool OnDisk(const std::string& name, const std::string& folder = "rec") {
    return std::filesystem::exists(dir_ / (folder + "/" + name + ".ts"));
  }

  TDiskSpace Space(int64_t min_free, bool make_space = true) {
    return TDiskSpace(DiskSpaceSetup{host_, logger_, env_, reservations_, make_space, min_free});
  }
  std::string Log() const {
    std::string text;
    for (const std::string& line : lines_) text += line + "\n";
    return text;
  }

  ComPtr<host::TMLSection> section_;
  std::vector<std::string> lines_;
  std::shared_ptr<ILogger> logger_ = std::make_shared<TStringsLogger>(env_, lines_);
  std::shared_ptr<TReservations> reservations_ = std::make_shared<TReservations>();
};

TEST_F(DiskSpaceTest, MakeRoomDeletesTheOldestSpaceNeededUntilMoreThanTheMinimumStaysFree) {
  AddRecording("Locked", 1, TV_KEEP_UNTIL_DELETED, 1);
  AddRecording("Oldest", 2, TV_KEEP_UNTIL_SPACE_NEEDED, 1);
  AddRecording("Gone", 3, TV_KEEP_UNTIL_SPACE_NEEDED, 1);
  std::filesystem::remove(dir_ / "rec/Gone.ts");
  AddRecording("Older", 4, TV_KEEP_UNTIL_SPACE_NEEDED, 1);
  WriteFile(dir_ / "rec/Older.xml", "sidecar");
  AddRecording("Newest", 5, TV_KEEP_UNTIL_SPACE_NEEDED, 1);
  // 60 minutes at 5000 need 2.5 GB and 2 GB must stay free: more than 4.5 GB is wanted.
  env_->SetFreeSpace(3 * kGB);
  Space(2 * kGB).MakeRoom(dir_ / "rec/", 60, 5000, dir_ / "rec/Now.ts", 9);

  EXPECT_FALSE(OnDisk("Oldest"));
  EXPECT_FALSE(InLibrary("Oldest"));
  EXPECT_TRUE(InLibrary("Gone")) << "a recording whose file is missing is skipped, item and all";
  EXPECT_FALSE(OnDisk("Older"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "rec/Older.xml"));
  EXPECT_TRUE(OnDisk("Newest"));
  EXPECT_TRUE(OnDisk("Locked"));
  EXPECT_THAT(ReadFile(dir_ / "rec/deleted.txt"),
              AllOf(HasSubstr("Oldest.ts\r\n"), HasSubstr("Older.ts\r\n")));
  EXPECT_THAT(Log(), HasSubstr("SPACE : Made room : recording size = 2.50 GB : free space = "
                               "5.00 GB : reserved space = 0.00 GB : min free space = 2.00 GB"));

  // 4.5 GB free minus 2.5 GB leaves exactly the minimum: not enough; 10 GB is.
  env_->SetFreeSpace(10 * kGB);
  Space(2 * kGB).MakeRoom(dir_ / "rec/", 60, 5000, dir_ / "rec/A.ts", 1);
  EXPECT_TRUE(OnDisk("Newest"));
  env_->SetFreeSpace(4 * kGB + kGB / 2);
  Space(2 * kGB).MakeRoom(dir_ / "rec/", 60, 5000, dir_ / "rec/B.ts", 2);
  EXPECT_FALSE(InLibrary("Newest"));
}

TEST_F(DiskSpaceTest, ReservationsCountWhatRecordingsInProgressWillStillWrite) {
  TDiskSpace space = Space(0);
  space.AddReservation(2 * kGB, March(10), March(10, 22), dir_ / "rec/Film.ts", 4);
  space.AddReservation(kGB, March(10), March(10, 21), dir_ / "usb/Other.ts", 5);
  env_->SetOtherDevice("/usb/");
  EXPECT_EQ(space.ReservedSpace(dir_ / "rec/"), 2 * kGB);
  env_->SetLocal(March(10, 21));
  EXPECT_EQ(space.ReservedSpace(dir_ / "rec/"), kGB) << "half-way through, half of it";
  EXPECT_THAT(Log(), HasSubstr("RESERVED : total = 2.00 GB : left = 1.00 GB : 03-10-2030 20:00 - "
                               "03-10-2030 22:00 : " +
                               dir_ / "rec/Film.ts"));

  // A second recording starting now counts the first one's remaining gigabyte.
  env_->SetFreeSpace(100 * kGB);
  space.MakeRoom(dir_ / "rec/", 60, 5000, dir_ / "rec/News.ts", 6);
  EXPECT_THAT(Log(), HasSubstr("reserved space = 1.00 GB"));
  EXPECT_EQ(reservations_->size(), 3u);

  space.ReleaseReservation(4);
  env_->SetLocal(March(10, 22, 30));
  EXPECT_EQ(space.ReservedSpace(dir_ / "rec/"), 0);
  EXPECT_TRUE(reservations_->empty()) << "every reservation released or ended";
}

TEST_F(DiskSpaceTest, RecordingsOnAnotherDriveAreNeverDeletedForRoom) {
  env_->SetOtherDevice("/usb/");
  AddRecording("Elsewhere", 1, TV_KEEP_UNTIL_SPACE_NEEDED, 5, 0, "usb");
  AddRecording("Here", 2, TV_KEEP_UNTIL_SPACE_NEEDED, 1);
  env_->SetFreeSpace(kGB);
  Space(2 * kGB).MakeRoom(dir_ / "rec/", 60, 5000, dir_ / "rec/Now.ts", 1);
  EXPECT_TRUE(OnDisk("Elsewhere", "usb"));
  EXPECT_FALSE(OnDisk("Here"));
  EXPECT_THAT(Log(), HasSubstr("SPACE : Finished deleting old recordings and we still may not "
                               "have enough space to record this one"));
}

TEST_F(DiskSpaceTest, WhyNoRoomCanBeMade) {
  env_->SetFreeSpace(kGB);
  Space(2 * kGB, false).MakeRoom(dir_ / "rec/", 60, 5000, dir_ / "rec/A.ts", 1);
  EXPECT_THAT(Log(), HasSubstr("SPACE : The schedule manager is not configured to automatically "
                               "delete recordings to make room"));
  AddRecording("Kept", 1, TV_KEEP_UNTIL_DELETED, 1);
  Space(2 * kGB).MakeRoom(dir_ / "rec/", 60, 5000, dir_ / "rec/B.ts", 2);
  EXPECT_THAT(Log(), HasSubstr("SPACE : Did not find any existing recordings that are marked KEEP "
                               "UNTIL SPACE NEEDED, cannot make room"));
  env_->FailFileOp(FakeEnv::FileOp::kFreeSpace, EIO);
  Space(2 * kGB).MakeRoom(dir_ / "rec/", 60, 5000, dir_ / "rec/C.ts", 3);
  EXPECT_THAT(Log(), HasSubstr("BAD : Failed to get free space available on \"" + dir_ / "rec/\""));
  EXPECT_TRUE(InLibrary("Kept"));
}

TEST_F(DiskSpaceTest, DeleteRecordingKeepsEverythingWhenTheFileStays) {
  AddRecording("Stuck", 1, TV_KEEP_UNTIL_SPACE_NEEDED, 1);
  AddRecording("Missing", 2, TV_KEEP_UNTIL_SPACE_NEEDED, 1);
  std::filesystem::remove(dir_ / "rec/Missing.ts");
  TDiskSpace space = Space(0);
  env_->FailFileOp(FakeEnv::FileOp::kRemove, EACCES, "Stuck");
  space.DeleteRecording(dir_ / "rec/Stuck.ts", *section_,
                        *section_->FindItems("title", "Stuck")[0]);
  EXPECT_TRUE(InLibrary("Stuck"));
  EXPECT_THAT(Log(), HasSubstr("DELETE : Failed to delete file"));

  space.DeleteRecording(dir_ / "rec/Missing.ts", *section_,
                        *section_->FindItems("title", "Missing")[0]);
  EXPECT_FALSE(InLibrary("Missing"));
  EXPECT_THAT(Log(), HasSubstr("DELETE : Media library item deleted"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "rec/deleted.txt")) << "nothing was deleted";
}

TEST_F(DiskSpaceTest, KeepAtMostKeepsTheNewestOfTheRuleOnEveryDrive) {
  ComPtr<TTVListings> listings = OpenListings(dir_ / "listings.dat", 1, env_);
  listings->DB()->Exec(
      "insert into repeating_schedules ( rs_id , title , keep_at_most ) values ( 5 , \"News\" , "
      "3 )");
  env_->SetOtherDevice("/usb/");
  AddRecording("News 1", 1, TV_KEEP_UNTIL_SPACE_NEEDED, 1, 5, "usb");
  AddRecording("News 2", 2, TV_KEEP_UNTIL_DELETED, 1, 5);
  AddRecording("News 3", 3, TV_KEEP_UNTIL_SPACE_NEEDED, 1, 5);
  AddRecording("Other rule", 1, TV_KEEP_UNTIL_SPACE_NEEDED, 1, 6);
  ScheduleFields fields;
  fields.id = 8;
  fields.rs_id = 5;
  auto schedule = MakeObject<TTVSchedule>(listings->DB(), fields);

  Space(0).KeepAtMost(*schedule);
  EXPECT_FALSE(InLibrary("News 1")) << "the oldest, on another drive";
  EXPECT_TRUE(InLibrary("News 2"));
  EXPECT_TRUE(InLibrary("News 3"));
  EXPECT_TRUE(InLibrary("Other rule"));
  EXPECT_THAT(Log(), AllOf(HasSubstr("KAM : recorded = 4 : kam = 3"),
                           HasSubstr("KAM : Deleting \"" + dir_ / "usb/News 1.ts\""),
                           HasSubstr("KAM : recorded = 3 : kam = 3")));

  // At the limit again, the one kept until deleted is skipped and nothing more goes.
  AddRecording("News 4", 4, TV_KEEP_UNTIL_DELETED, 1, 5);
  Space(0).KeepAtMost(*schedule);
  EXPECT_TRUE(InLibrary("News 2"));
  EXPECT_FALSE(InLibrary("News 3"));
  EXPECT_TRUE(InLibrary("News 4"));
}

}  // namespace
}  // namespace kestro::testing
