#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "scheduling/scheduling_fixture.h"
#include "storage/sqlite_database.h"

namespace kestro {
namespace {

using AddValidationTest = SchedulingTest;

TEST_F(AddValidationTest, RefusesBadTimesAndSoftPaddingBeforeTouchingTheDatabase) {
  struct Case {
    OleDate start, end;
    int32_t soft_before, hard_before;
    TV_ADD_SCHEDULE_RESULT code;
    const char* message;
  };
  const Case cases[] = {
      {At(21), At(20), 0, 0, TV_ADD_SCHEDULE_INVALID_TIMES,
       "End time is less than or equal to start time"},
      {0.0, At(20), 0, 0, TV_ADD_SCHEDULE_INVALID_TIMES, "Start and/or end times are invalid"},
      {EncodeDateTime({1975, 1, 1, 20, 0, 0, 0}), At(20), 0, 0, TV_ADD_SCHEDULE_INVALID_TIMES,
       "Failed to convert start and end times"},
      {At(20), At(21), -1, 0, TV_ADD_SCHEDULE_INVALID_PADDING,
       "Soft padding values are less than zero"},
      {At(20), At(21), 0, -1, TV_ADD_SCHEDULE_OK, ""},
  };
  for (const Case& c : cases) {
    ComPtr<TTVSchedule> s = Make(c.start, c.end);
    s->fields().soft_padding_before = c.soft_before;
    s->fields().hard_padding_before = c.hard_before;
    ComPtr<TTVScheduleResult> r = scheduler_->Add(*s);
    EXPECT_EQ(r->Code(), c.code) << c.message;
    EXPECT_EQ(r->Description(), c.message);
  }
  EXPECT_EQ(Count("select count ( * ) from schedules"), 1);
}

TEST_F(AddValidationTest, ReSavingAScheduleWhoseRowIsGoneFails) {
  ComPtr<TTVSchedule> s = Stored(At(20), At(21));
  ASSERT_TRUE(scheduler_->Delete(s->fields().id, "", kPurgeScheduleReason));
  ComPtr<TTVScheduleResult> r = scheduler_->Add(*s);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_SAVE_FAILED);
  EXPECT_EQ(Count("select count ( * ) from schedule_data"), 0);
}

// A write that fails halfway through an add: a trigger refuses the schedule_data rows, after
// the conflict resolution has deleted a schedule and the row has been inserted.
class InjectedFailureTest : public SchedulingTest {
 protected:
  void SetUp() override {
    SchedulingTest::SetUp();
    UseTuners(1);
    AddProgram(5, At(20), At(21));
    victim_ = Make(At(20), At(21), /*delete_on_conflict=*/true);
    victim_->data().Set("note", Variant("kept"));
    ASSERT_TRUE(scheduler_->Add(*victim_)->Ok());
    db_->Exec(
        "create trigger fail_schedule_data before insert on schedule_data begin select raise ( "
        "abort , \"disk on fire\" ) ; end");
    version_ = Version();
  }

  ComPtr<TTVSchedule> Doomed() {
    ComPtr<TTVSchedule> s = MakeFor(5, At(20, 30), At(21, 30));
    s->data().Set("note", Variant("x"));
    return s;
  }

  void ExpectNothingChanged(TTVSchedule& doomed) {
    EXPECT_EQ(Count("select count ( * ) from schedules"), 1);
    EXPECT_FALSE(FindScheduleByID(db_, victim_->fields().id)->fields().deleted);
    EXPECT_EQ(ProgramScheduleID(5), 0);
    EXPECT_EQ(Version(), version_);
    EXPECT_EQ(doomed.fields().id, -1);
    EXPECT_EQ(doomed.fields().tuner_id, -1);
  }

  ComPtr<TTVSchedule> victim_;
  int32_t version_ = 0;
};

// Alone, inside the caller's transaction, or as the second half of a move: nothing changes.
TEST_F(InjectedFailureTest, AFailedAddOrMoveLeavesNothingBehind) {
  ComPtr<TTVSchedule> doomed = Doomed();
  ComPtr<TTVScheduleResult> r = scheduler_->Add(*doomed);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_SAVE_FAILED);
  EXPECT_EQ(r->Description().rfind("There was an error inserting the schedule : ", 0), 0u);
  EXPECT_NE(r->Description().find("disk on fire"), std::string::npos);
  ExpectNothingChanged(*doomed);

  db_->BeginTransaction();
  doomed = Doomed();
  EXPECT_EQ(scheduler_->Add(*doomed)->Code(), TV_ADD_SCHEDULE_SAVE_FAILED);
  db_->Commit();
  ExpectNothingChanged(*doomed);

  ComPtr<TTVSchedule> moved;
  r = scheduler_->Move(victim_->fields().id, 5, At(20), At(21), &moved);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_SAVE_FAILED);
  ExpectNothingChanged(*doomed);
}

// Another connection to the same file holds the write lock, as an import does for its whole run.
class LockedDatabaseTest : public SchedulingTest {
 protected:
  void SetUp() override {
    SchedulingTest::SetUp();
    kept_ = Stored(At(18), At(19));
    other_ = OpenSQLiteDatabase(file_, env_);
    other_->BeginTransaction();
    other_->Exec("insert into lost_schedules ( schedule_id ) values ( 99 )");
  }
  void TearDown() override {
    if (release_.joinable()) release_.join();
    if (other_->InTransaction()) other_->Rollback();
  }
  // The other connection commits after `ms` milliseconds, on a thread of its own.
  void CommitOtherAfter(int ms) {
    release_ = std::thread([this, ms] {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      other_->Commit();
    });
  }

  ComPtr<TTVSchedule> kept_;
  DBPtr other_;
  std::thread release_;
};

// Past the busy timeout every change reports busy and writes nothing; a longer timeout waits out
// the other writer.
TEST_F(LockedDatabaseTest, ChangesReportBusyPastTheTimeoutAndSucceedWithinIt) {
  db_->SetBusyTimeout(100);
  const int32_t version = Version();
  ComPtr<TTVSchedule> s = Make(At(20), At(21));
  ComPtr<TTVScheduleResult> r = scheduler_->Add(*s);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_BUSY);
  EXPECT_EQ(r->Description(), "Unable to begin database transaction, DB is probably locked");
  EXPECT_EQ(s->fields().id, -1);
  EXPECT_FALSE(scheduler_->Delete(kept_->fields().id, "user", "busy"));
  ComPtr<TTVSchedule> moved;
  EXPECT_EQ(scheduler_->Move(kept_->fields().id, 0, At(22), At(23), &moved)->Code(),
            TV_ADD_SCHEDULE_BUSY);
  EXPECT_FALSE(FindScheduleByID(db_, kept_->fields().id)->fields().deleted);
  EXPECT_EQ(Version(), version);

  db_->SetBusyTimeout(10000);
  CommitOtherAfter(300);
  r = scheduler_->Add(*s);
  EXPECT_TRUE(r->Ok()) << r->Description();
  release_.join();
  EXPECT_EQ(Count("select count ( * ) from schedules"), 2);
  EXPECT_EQ(Count("select count ( * ) from lost_schedules"), 1) << "the other writer's work stays";
}

}  // namespace
}  // namespace kestro
