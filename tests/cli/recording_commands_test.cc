// kestro recordings over the media library, and kestro setup pointing tuner groups at a stream
// source.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/kestro_tool.h"
#include "common/recording_item.h"

namespace kestro {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using testing::KestroToolTest;
using ::testing::Not;

TEST_F(KestroToolTest, SetupPointsTheTunerGroupsAtAStreamSource) {
  SetUpTool();
  const std::string tuners = root_ + "/data/tuner-configuration.xml";
  Succeeds("setup --root " + root_ +
           " --tuner-source http --url-template 'http://{host}:5004/auto/v{number}' --tuner-host "
           "10.0.0.2");
  EXPECT_THAT(Kestro("info").out,
              HasSubstr("lineup 1, 2 tuners, http url-template "
                        "http://{host}:5004/auto/v{number} host 10.0.0.2"));

  ASSERT_EQ(Kestro("setup --root " + root_ + " --tuner-source http --m3u /srv/tv.m3u").exit_code,
            0);
  EXPECT_THAT(testing::ReadFile(tuners),
              AllOf(HasSubstr("m3u=\"/srv/tv.m3u\""), Not(HasSubstr("url-template"))));

  EXPECT_EQ(Kestro("setup --root " + root_ + " --tuner-source http").exit_code, 2);
}

class RecordingsCommandTest : public KestroToolTest {
 protected:
  void SetUp() override {
    SetUpTool();
    std::filesystem::create_directories(root_ + "/recordings");
  }
  void AddRecording(const std::string& title, const std::string& file, int bytes) {
    const std::string content(static_cast<size_t>(bytes), 'x');
    testing::AddRecordingItem(root_ + "/data/media-library.db", title, file, &content);
  }
};

TEST_F(RecordingsCommandTest, ListShowPlayAndDelete) {
  EXPECT_EQ(Kestro("recordings list").out, "No recordings\n");
  const std::string file = root_ + "/recordings/Film_ABC_7.ts";
  AddRecording("Film", file, 2'000'000);
  testing::WriteFile(root_ + "/recordings/Film_ABC_7.txt", "notes");

  EXPECT_THAT(Succeeds("recordings list --format tsv"),
              HasSubstr("1\tFilm\t7 ABC\t2030-05-01 20:00\t1:30\t2.0 MB\t"));
  EXPECT_THAT(Kestro("recordings show 1").out,
              AllOf(HasSubstr(file), HasSubstr("keep_until"), HasSubstr("channel-number")));
  EXPECT_EQ(Kestro("recordings play-path 1").out, file + "\n");

  ExpectFails("recordings delete 9", 1, "No recording with id \"9\"");

  EXPECT_THAT(Succeeds("recordings delete 1"), HasSubstr("Deleted recording 1 \"Film\""));
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/recordings/Film_ABC_7.txt"));
  EXPECT_THAT(testing::ReadFile(root_ + "/recordings/deleted.txt"),
              HasSubstr(" : Film_ABC_7.ts\r\n"));
  EXPECT_EQ(Kestro("recordings list").out, "No recordings\n");
}

}  // namespace
}  // namespace kestro
