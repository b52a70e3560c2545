#include "recording/recording_tags.h"

#include <gtest/gtest.h>

#include "scheduling/tv_schedule.h"
#include "search/guide_fixture.h"

namespace kestro::testing {
namespace {

class RecordingTagsTest : public GuideTest {
 protected:
  void SetUp() override {
    GuideTest::SetUp();
    AddChannel(1, 7);
    db_->Exec("update channels set short_name = \"ABC\"");
  }
  ComPtr<TTVSchedule> Schedule(const std::string& title, OleDate start, int32_t program_id = 0) {
    ScheduleFields f;
    f.title = title;
    f.channel_id = 1;
    f.program_id = program_id;
    f.start_time = start;
    f.end_time = start + kOneHour;
    f.quality = "high";
    return MakeObject<TTVSchedule>(db_, f);
  }
};

TEST_F(RecordingTagsTest, FileNamesJoinTitleChannelAndStartWithoutSeconds) {
  const OleDate start = EncodeDateTime({2006, 3, 4, 20, 30, 0, 0});
  EXPECT_EQ(BuildRecordingFileName(*Schedule("  News  ", start)), "News_ABC_7_3_4_2006_8_30_PM");
  EXPECT_EQ(BuildRecordingFileName(*Schedule("", start)), "untitled_ABC_7_3_4_2006_8_30_PM");
  EXPECT_EQ(BuildRecordingFileName(*Schedule("Who? A/B: \"Q\" 1.5", start)),
            "Who AB Q 1.5_ABC_7_3_4_2006_8_30_PM")
      << "characters files cannot hold are dropped from the title, full stops kept";
  EXPECT_EQ(BuildRecordingFileName(*Schedule(std::string(150, 'x'), start)),
            std::string(100, 'x') + "_ABC_7_3_4_2006_8_30_PM");

  const int32_t program = AddProgram({.title = "News", .start = start, .end = start + kOneHour});
  db_->ExecFmt("update programs set subtitle = \"  Late edition \" where id = %d",
               {SqlArg::Int(program)});
  EXPECT_EQ(BuildRecordingFileName(*Schedule("News", start, program)),
            "News_Late edition_ABC_7_3_4_2006_8_30_PM");
}

TEST_F(RecordingTagsTest, TagsDescribeTheProgrammeWhenThereIsOne) {
  const OleDate start = At(0, 20);
  const int32_t program = AddProgram({.title = "The Show",
                                      .start = start,
                                      .end = start + kOneHour,
                                      .genres = {"Comedy", "Drama"},
                                      .people = {{"Ann", "Actor"}, {"Bob", "Director"}}});
  ComPtr<TDictionary> source = NewDictionary();
  source->Set("duration-text", "01:00:00");
  RecordingTags with_program =
      BuildRecordingTags(*Schedule("Scheduled title", start - kOneMinute, program), source.Get(),
                         "tag:", start);
  const TDictionary& tags = *with_program.tags;
  EXPECT_EQ(with_program.title, "The Show") << "the programme's title and times win";
  EXPECT_EQ(tags.Get("tag:date").ToDate(), start);
  EXPECT_EQ(tags.Get("tag:record-time").ToInt32(), DateTimeToDbTime(start));
  EXPECT_EQ(tags.Get("tag:duration-text").ToString(), "01:00:00");
  EXPECT_EQ(tags.Get("tag:genre").ToString(), "|Comedy|Drama|");
  EXPECT_EQ(tags.Get("tag:people").ToString(), "|Ann|Bob|");

  RecordingTags without = BuildRecordingTags(*Schedule("Window", start), nullptr, "", start);
  EXPECT_EQ(without.tags->Get("title").ToString(), "Window");
  EXPECT_FALSE(without.tags->Has("genre"));
}

}  // namespace
}  // namespace kestro::testing
