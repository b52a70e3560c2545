#include "recording/lineup_schedules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "recording/recording_fixture.h"

namespace kestro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string Hms(OleDate value) { return FormatDateTime("hh:nn:ss", value); }

using EngineTest = RecordingTest;

TEST_F(EngineTest, ARecordingFromWarningToFinish) {
  const int32_t lineup = AddLineup("Antenna");
  const int32_t id = Record(lineup, May1(20), May1(21));
  StartManager();
  EXPECT_EQ(TunerStatus(2).ToString(), "WAITING") << "the highest free tuner records";
  EXPECT_EQ(TunerStatus(2, "program-filename").ToString(), "News_ABC_7_5_1_2030_8_00_PM");
  EXPECT_EQ(TunerStatus(1).ToString(), "NOTHING");
  EXPECT_EQ(TunerStatus(1, "caption").ToString(), "Nothing to record");
  EXPECT_EQ(TimeOfNextRecording(), DateTimeToDbTime(May1(20)));

  RunTo(May1(19, 54, 59));
  EXPECT_TRUE(TakeSubjects().empty());
  RunTo(May1(19, 55));
  EXPECT_THAT(TakeSubjects(), ElementsAre("tv-tuner.warn-recording"));
  RunTo(May1(19, 59, 30));
  EXPECT_THAT(TakeSubjects(), ElementsAre("tv-tuner.wake-up"));
  RunTo(May1(20));
  ASSERT_THAT(tuner_->Subjects(), ElementsAre("tv-tuner.start-recording"));
  EXPECT_EQ(tuner_->received[0].Get("schedule-id").ToInt32(), id);
  EXPECT_EQ(tuner_->received[0].Get("lineup-id").ToInt32(), lineup);
  EXPECT_EQ(Stored(lineup, id).status, "START-REQUESTED");
  TakeSubjects();

  Report("tv-scheduler.notify.recording-started", lineup, id,
         {{"program-filename", "/rec/News_ABC_7_5_1_2030_8_00_PM"}, {"bitrate", 4000}});
  EXPECT_EQ(Stored(lineup, id).status, "STARTED");
  EXPECT_EQ(TimeOfNextRecording(), -1);
  RunTo(May1(21));
  EXPECT_THAT(TakeSubjects(), ElementsAre("tv-tuner.stop-recording"));
  EXPECT_EQ(Stored(lineup, id).status, "STOP-REQUESTED");

  Report("tv-scheduler.notify.recording-finished", lineup, id);
  EXPECT_EQ(Stored(lineup, id).status + " " + Stored(lineup, id).reason, "FINISHED Finished");
  EXPECT_THAT(TakeSubjects(), ElementsAre("tv-scheduler.event.recording-finished"));
  EXPECT_EQ(TunerStatus(2).ToString(), "NOTHING");
  EXPECT_EQ(TimeOfNextRecording(), 0);
  EXPECT_THAT(ManagerLog(), HasSubstr("SMAN : START : Start recording : \"News\" : 2030-05-01 20:00:00 to "
                             "2030-05-01 21:00:00 : id 1 : pgm id 0 : tuner 2 : chnl 1"));
}

TEST_F(EngineTest, MissedAndFailedRecordingsAreDeletedBySystem) {
  UseModuleFolders(dir_, 3);
  const int32_t lineup = AddLineup("Antenna");
  const int32_t missed = Record(lineup, May1(18, 30), May1(18, 58, 58));
  const int32_t late = Record(lineup, May1(18, 30), May1(18, 59, 30));  // ends within a minute
  const int32_t a = Record(lineup, May1(19, 30), May1(20));
  const int32_t b = Record(lineup, May1(19, 30), May1(20));
  StartManager();
  EXPECT_EQ(Stored(lineup, missed).reason, "Missed");
  EXPECT_FALSE(Stored(lineup, late).deleted);
  EXPECT_THAT(ManagerLog(), HasSubstr("ELAPSED : Deleting elapsed schedule with status \"NEW\" : "
                                      "\"News\" : 2030-05-01 18:30:00"));

  RunTo(May1(19, 30));
  EXPECT_EQ(Stored(lineup, a).status, "START-REQUESTED");
  Report("tv-scheduler.notify.recording-start-failed", lineup, a, {{"reason", "No signal"}});
  Report("tv-scheduler.notify.recording-start-failed", lineup, b);
  EXPECT_EQ(Stored(lineup, a).status, "START-FAILED");
  EXPECT_EQ(Stored(lineup, a).reason, "There was a problem starting the recording : No signal");
  EXPECT_EQ(Stored(lineup, b).reason,
            "There was a problem starting the recording : The tuner did not specify a reason");
  EXPECT_THAT(ManagerLog(),
              HasSubstr("START FAILED : Recording start failed : schedule was deleted"));
}

TEST_F(EngineTest, ChangesReachTheEngineThroughTheVersionCheck) {
  const int32_t lineup = AddLineup("Antenna");
  const int32_t moved = Record(lineup, May1(19, 30), May1(19, 45));
  StartManager();
  bool deleted = false;
  CheckHResult(Scheduler(lineup)->DeleteSchedule(moved, "User", "moved", &deleted));
  const int32_t id = Record(lineup, May1(19, 40), May1(19, 50));
  RunTo(May1(19, 0, 2));
  EXPECT_EQ(TunerStatus(2, "schedule-id").ToInt32(), moved) << "not before the check";
  RunTo(May1(19, 0, 3));
  EXPECT_EQ(TunerStatus(2, "schedule-id").ToInt32(), id);

  RunTo(May1(19, 40));
  EXPECT_THAT(TakeSubjects(), ElementsAre("tv-tuner.warn-recording", "tv-tuner.wake-up",
                                          "tv-tuner.start-recording"))
      << "nothing is left of the moved schedule's timers";
  Report("tv-scheduler.notify.recording-started", lineup, id);
  CheckHResult(Scheduler(lineup)->DeleteSchedule(id, "User", "not wanted", &deleted));
  RunTo(May1(19, 40, 3));
  ASSERT_THAT(tuner_->Subjects(), ElementsAre("tv-tuner.stop-recording"));
  EXPECT_EQ(tuner_->received[0].Get("schedule-id").ToInt32(), id);
  EXPECT_EQ(TunerStatus(2).ToString(), "NOTHING");
  EXPECT_EQ(TimeOfNextRecording(), 0);
  EXPECT_THAT(ManagerLog(), HasSubstr("DELETED : Current schedule has been deleted : \"News\""));
}

// What a load arms per tuner, in order: the start, the wake-up call for a start more than 30 s
// ahead, the warning at the later of now and 5 minutes before a start at least 20 s ahead, and
// the stop; a schedule under way starts now.
TEST_F(EngineTest, ALoadArmsEachTunersFirstSchedule) {
  UseModuleFolders(dir_, 3);
  const int32_t lineup = AddLineup("Antenna");
  Record(lineup, May1(19, 0, 10), May1(20));  // tuner 3
  Record(lineup, May1(19, 3), May1(20));      // tuner 2
  Record(lineup, May1(18, 30), May1(19, 30)); // tuner 1, under way
  StartManager();
  ASSERT_EQ(manager_->Engines().size(), 1u);
  std::vector<std::string> armed;
  for (const TTimerManager::TimerInfo& t : manager_->Engines()[0]->Timers().Timers())
    armed.push_back(t.name + " " + Hms(t.first_due));
  EXPECT_THAT(armed, ElementsAre("check-version 19:00:03", "start-recording 19:00:00",
                                 "stop-recording 19:30:00", "start-recording 19:03:00",
                                 "wakeup-call 19:02:30", "warn-recording 19:00:00",
                                 "stop-recording 20:00:00", "start-recording 19:00:10",
                                 "stop-recording 20:00:00"));
  EXPECT_EQ(TunerStatus(1, "duration").ToDouble(), 1800.0);
  EXPECT_EQ(TunerStatus(1, "start-time").ToDate(), May1(19));
}

ComPtr<TTVSchedule> Padded(OleDate start, OleDate end, int32_t before, int32_t after) {
  ScheduleFields f;
  f.start_time = start;
  f.end_time = end;
  f.soft_padding_before = before;
  f.soft_padding_after = after;
  return MakeObject<TTVSchedule>(nullptr, f);
}

TEST(SoftPaddingTest, PaddingStaysOutOfTheGapsAndTheEarlierRecordingKeepsItsOwn) {
  struct Case {
    OleDate p_start, p_end, s_start, s_end;
    int32_t before, after;
    std::vector<std::string> expected;  // start and end of both, settled
  };
  const OleDate now = May1(19, 58);
  const Case cases[] = {
      // 5 minutes each side, a 2-minute gap: the first keeps 2 minutes after, the second none.
      {May1(20), May1(21), May1(21, 2), May1(22), 300, 300,
       {"19:58:00", "21:02:00", "21:02:00", "22:05:00"}},
      // 10 minutes each side, a 10-minute gap: the whole gap is the first one's.
      {May1(20), May1(21), May1(21, 10), May1(22), 600, 600,
       {"19:58:00", "21:10:00", "21:10:00", "22:10:00"}},
      // Back to back: no padding in between.
      {May1(20), May1(21), May1(21), May1(22), 300, 300,
       {"19:58:00", "21:00:00", "21:00:00", "22:05:00"}},
  };
  for (const Case& c : cases) {
    std::vector<ComPtr<TTVSchedule>> list = {Padded(c.p_start, c.p_end, c.before, c.after),
                                             Padded(c.s_start, c.s_end, c.before, c.after)};
    SettleSoftPadding(list, now);
    std::vector<std::string> settled;
    for (const auto& s : list) {
      settled.push_back(Hms(s->fields().start_time));
      settled.push_back(Hms(s->fields().end_time));
      EXPECT_EQ(s->fields().soft_padding_before + s->fields().soft_padding_after, 0);
    }
    EXPECT_EQ(settled, c.expected) << Hms(c.s_start);
  }
}

}  // namespace
}  // namespace kestro::testing
