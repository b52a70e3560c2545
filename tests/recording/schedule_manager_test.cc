#include "recording/schedule_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/host_item.h"
#include "recording/recording_fixture.h"

namespace kestro::testing {
namespace {

using ::testing::HasSubstr;

using ScheduleManagerTest = RecordingTest;

TEST_F(ScheduleManagerTest, EachLineupHasItsEngineAndSlotZeroTheEarliestRecording) {
  const int32_t antenna = AddLineup("Antenna");
  const int32_t cable = AddLineup("Cable");
  Record(antenna, May1(21), May1(22));
  const int32_t early = Record(cable, May1(20), May1(21));
  StartManager();
  ASSERT_EQ(manager_->Engines().size(), 2u);
  EXPECT_EQ(TimeOfNextRecording(), DateTimeToDbTime(May1(20)));

  RunTo(May1(19, 59, 59));
  TakeSubjects();
  RunTo(May1(20));
  ASSERT_EQ(tuner_->received.size(), 1u);
  EXPECT_EQ(tuner_->received[0].Get("lineup-id").ToInt32(), cable);
  Report("tv-scheduler.notify.recording-started", antenna, 42);
  EXPECT_THAT(ManagerLog(), HasSubstr("BAD : Recording started : schedule 42 was not found"));
  Report("tv-scheduler.notify.recording-started", cable, early);
  EXPECT_EQ(TimeOfNextRecording(), -1);
}

TEST_F(ScheduleManagerTest, NotificationsItCannotRouteAreLoggedAndIgnored) {
  const int32_t lineup = AddLineup("Antenna");
  const int32_t id = Record(lineup, May1(20), May1(21));
  StartManager();
  ComPtr<host::THostMessage> anonymous = host_->NewMessage("tv-scheduler.notify.recording-started");
  anonymous->Set("schedule-id", id);
  CheckHResult(anonymous->Send());
  loop_.RunUntilIdle();
  Report("tv-scheduler.notify.recording-started", 99, id);
  Report("tv-scheduler.notify.recording-paused", lineup, id);
  EXPECT_EQ(Stored(lineup, id).status, "NEW");
  const std::string log = ManagerLog();
  EXPECT_THAT(log, HasSubstr("Scheduler notification : lineup id is missing or invalid"));
  EXPECT_THAT(log, HasSubstr("Scheduler notification : message is for unknown lineup id 99"));
  EXPECT_THAT(log, HasSubstr("Scheduler notification : unknown notification subject"));

  host_->Deliver(host_->NewMessage(host::kShutdownSubject), ComPtr<IKestroPlugin>(manager_.Get()));
  loop_.RunUntilIdle();
  EXPECT_TRUE(manager_->Engines().empty());
  EXPECT_EQ(TimeOfNextRecording(), 0);
  EXPECT_THAT(ManagerLog(), HasSubstr("SHUTDOWN : Shutting down"));
}

}  // namespace
}  // namespace kestro::testing
