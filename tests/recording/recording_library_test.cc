// The engine hands started recordings to the host's media library and keeps the drive from
// filling as they start.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "host/media_library/ml_library.h"
#include "recording/disk_space.h"
#include "recording/recording_fixture.h"

namespace kestro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class RecordingLibraryTest : public RecordingTest {
 protected:
  ComPtr<host::TMLSection> Section() {
    return host::OpenMediaLibrary(dir_ / "data/media-library.db")
        ->Section(kRecordingsSection, true);
  }
  void Started(int32_t lineup, int32_t id, const std::string& file) {
    Report("tv-scheduler.notify.recording-started", lineup, id,
           {{"program-filename", file},
            {"bitrate", 5000},
            {"duration", 3600.0},
            {"duration-text", "01:00:00"}});
  }
  size_t Count(const std::string& text) {
    const std::string log = ManagerLog();
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
};

TEST_F(RecordingLibraryTest, StartedRecordingsJoinTheLibraryAndTheFirstMakesTheViews) {
  const int32_t lineup = AddLineup("Antenna");
  const int32_t first = Record(lineup, May1(20), May1(21));
  const int32_t second = Record(lineup, May1(20, 30), May1(21));
  StartManager();
  RunTo(May1(20, 30));
  Started(lineup, first, "/rec/News_ABC_7_5_1_2030_8_00_PM.ts");
  Started(lineup, second, "/rec/News_ABC_7_5_1_2030_8_30_PM.ts");

  const std::vector<ComPtr<host::TMLItem>> items = Section()->FindItems("", "");
  ASSERT_EQ(items.size(), 2u) << ManagerLog();
  host::TMLItem& item = *items[0];
  EXPECT_EQ(Get(&item, &IMLItem::get_Location), "/rec/News_ABC_7_5_1_2030_8_00_PM.ts");
  EXPECT_EQ(item.Key(), "/rec/news_abc_7_5_1_2030_8_00_pm.ts");
  const host::THostItem& tags = item.TagBag();
  EXPECT_EQ(tags.Get("title").ToString(), "News");
  EXPECT_EQ(tags.Get("keep_until").ToInt32(), TV_KEEP_UNTIL_SPACE_NEEDED);
  EXPECT_EQ(tags.Get("record-time").ToInt32(), DateTimeToDbTime(May1(20)));

  const std::vector<host::MLViewInfo> views = Section()->Views();
  std::vector<std::string> names;
  for (const host::MLViewInfo& v : views) names.push_back(v.name);
  EXPECT_THAT(names, ElementsAre("New programs", "All programs", "By date recorded", "By folder",
                                 "By title", "By genre"));
  EXPECT_EQ(Count("ADD : Creating initial views"), 1u);
}

TEST_F(RecordingLibraryTest, AStartOnANearlyFullDriveDeletesTheOldestRecording) {
  AddLibraryRecording(*Section(), "Old", dir_ / "rec/Old.ts", 3,
                      {{"keep_until", 0}, {"record-time", DateTimeToDbTime(May1(8))}});
  // 60 minutes at 5000 take 2.5 GB and the manager keeps 2 GB free by default.
  env_->SetFreeSpace(3 * kBytesPerGB);
  const int32_t lineup = AddLineup("Antenna");
  const int32_t id = Record(lineup, May1(20), May1(21));
  StartManager();
  RunTo(May1(20));
  Started(lineup, id, dir_ / "rec/News.ts");

  EXPECT_FALSE(std::filesystem::exists(dir_ / "rec/Old.ts"));
  EXPECT_TRUE(Section()->FindItems("title", "Old").empty());
  EXPECT_EQ(Section()->FindItems("", "").size(), 1u) << "the new recording";
}

}  // namespace
}  // namespace kestro::testing
