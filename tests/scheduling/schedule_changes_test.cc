#include <gtest/gtest.h>

#include "listings/program_store.h"
#include "scheduling/scheduling_fixture.h"

namespace kestro {
namespace {

using ScheduleChangeTest = SchedulingTest;

TEST_F(ScheduleChangeTest, AddingLinksTheProgrammeAndDeletingUnlinksIt) {
  AddProgram(5, At(20), At(21));
  ComPtr<TTVSchedule> s = MakeFor(5, At(20), At(21));
  s->data().Set("episode", Variant(12));
  const int32_t version = Version();
  ASSERT_TRUE(scheduler_->Add(*s)->Ok());
  EXPECT_EQ(ProgramScheduleID(5), s->fields().id);
  EXPECT_EQ(Version(), version + 1);
  EXPECT_EQ(FindScheduleByID(db_, s->fields().id)->data().Get("episode").ToString(), "12");

  ASSERT_TRUE(scheduler_->Delete(s->fields().id, "user", "changed my mind"));
  EXPECT_EQ(ProgramScheduleID(5), 0);
  EXPECT_EQ(Version(), version + 2);
  ComPtr<TTVSchedule> deleted = FindScheduleByID(db_, s->fields().id);
  EXPECT_TRUE(deleted->fields().deleted);
  EXPECT_EQ(deleted->fields().deleted_by, "user");
  EXPECT_EQ(deleted->fields().reason, "changed my mind");
  EXPECT_EQ(scheduler_->writer().SchedulesForTimeSlice(At(20), At(21))->Count(), 0);

  // Deleting a stale schedule keeps the link another one (as a relocation) has taken over.
  ComPtr<TTVSchedule> stale = MakeFor(5, At(20), At(21));
  ASSERT_TRUE(scheduler_->Add(*stale)->Ok());
  ComPtr<TTVSchedule> live = Stored(At(22), At(23));
  db_->ExecFmt("update programs set schedule_id = %d where id = 5", {SqlArg::Int(live->fields().id)});
  ASSERT_TRUE(scheduler_->Delete(stale->fields().id, "user", "old"));
  EXPECT_EQ(ProgramScheduleID(5), live->fields().id);
}

TEST_F(ScheduleChangeTest, ANewScheduleForAProgrammePurgesItsDeletedSchedules) {
  AddProgram(5, At(20), At(21));
  std::vector<int32_t> old_ids;
  for (int i = 0; i < 2; ++i) {
    ComPtr<TTVSchedule> old = MakeFor(5, At(20), At(21));
    old->data().Set("note", Variant("old"));
    ASSERT_TRUE(scheduler_->Add(*old)->Ok());
    ASSERT_TRUE(scheduler_->Delete(old->fields().id, "user", "oops"));
    old_ids.push_back(old->fields().id);
  }
  ComPtr<TTVSchedule> other = Stored(At(22), At(23));  // another programme's: untouched
  ASSERT_TRUE(scheduler_->Delete(other->fields().id, "user", "oops"));

  ComPtr<TTVSchedule> again = MakeFor(5, At(20), At(21));
  ASSERT_TRUE(scheduler_->Add(*again)->Ok());
  for (int32_t id : old_ids) {
    EXPECT_FALSE(FindScheduleByID(db_, id));
    EXPECT_EQ(db_->QueryIntFmt("select count ( * ) from schedule_data where schedule_id = %d",
                               {SqlArg::Int(id)}),
              0);
  }
  EXPECT_TRUE(FindScheduleByID(db_, other->fields().id));
  EXPECT_EQ(ProgramScheduleID(5), again->fields().id);
}

TEST_F(ScheduleChangeTest, AddsGoWithTheCallersTransactionAndPurgingRemovesTheRows) {
  db_->BeginTransaction();  // an add inside the caller's transaction goes with it
  Stored(At(20), At(21));
  db_->Rollback();
  EXPECT_EQ(Count("select count ( * ) from schedules"), 0);
  db_->BeginTransaction();
  ComPtr<TTVSchedule> s = Make(At(20), At(21));
  s->data().Set("k", Variant("v"));
  ASSERT_TRUE(scheduler_->Add(*s)->Ok());
  db_->Commit();
  const int32_t version = Version();

  EXPECT_TRUE(scheduler_->Delete(4711, "user", "none"));
  EXPECT_EQ(Version(), version);

  EXPECT_TRUE(scheduler_->Delete(s->fields().id, "", kPurgeScheduleReason));
  EXPECT_EQ(Count("select count ( * ) from schedules"), 0);
  EXPECT_EQ(Count("select count ( * ) from schedule_data"), 0);
  EXPECT_EQ(Version(), version + 1);
}

TEST_F(ScheduleChangeTest, TheVersionWrapsFromTheLargestIntegerToOne) {
  db_->Exec(
      "update parameters set param_value = 2147483647 where param_name = "
      "\"schedule-data-version\"");
  Stored(At(20), At(21));
  EXPECT_EQ(Version(), 1);

  db_->Exec("delete from parameters where param_name = \"schedule-data-version\"");
  EXPECT_EQ(Version(), -1);
  ComPtr<TTVScheduleResult> r = scheduler_->Add(*Make(At(22), At(23)));
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_SAVE_FAILED);
  EXPECT_EQ(r->Description(),
            "There was an error inserting the schedule : Failed to update the schedule version");
  EXPECT_EQ(Count("select count ( * ) from schedules"), 1);
}

TEST_F(ScheduleChangeTest, RescheduleMovesTheOptionsOrChangesNothingWhenItCannot) {
  AddProgram(5, At(20), At(21));
  AddProgram(6, At(22), At(23));
  ComPtr<TTVSchedule> s = MakeFor(5, At(19, 58), At(21, 5));
  s->fields().hard_padding_before = 120;
  s->fields().hard_padding_after = 300;
  s->fields().soft_padding_after = 60;
  s->fields().keep_until = TV_KEEP_UNTIL_DELETED;
  s->fields().folder = "Films";
  s->data().Set("k", Variant("v"));
  ASSERT_TRUE(scheduler_->Add(*s)->Ok());

  ComPtr<TTVSchedule> moved;
  ComPtr<TTVScheduleResult> r = scheduler_->Move(s->fields().id, 6, At(22), At(23), &moved);
  ASSERT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << r->Description();
  ASSERT_TRUE(moved);
  const ScheduleFields& f = moved->fields();
  EXPECT_EQ(f.StartDbTime(), DateTimeToDbTime(At(21, 58)));
  EXPECT_EQ(f.EndDbTime(), DateTimeToDbTime(At(23, 5)));
  EXPECT_EQ(f.program_id, 6);
  EXPECT_EQ(f.soft_padding_after, 60);
  EXPECT_EQ(f.folder, "Films");
  EXPECT_EQ(f.keep_until, TV_KEEP_UNTIL_SPACE_NEEDED);
  EXPECT_EQ(FindScheduleByID(db_, f.id)->data().Get("k").ToString(), "v");
  EXPECT_EQ(ProgramScheduleID(5), 0);
  EXPECT_EQ(ProgramScheduleID(6), f.id);
  ComPtr<TTVSchedule> old = FindScheduleByID(db_, s->fields().id);
  EXPECT_EQ(old->fields().deleted_by, "System");
  EXPECT_EQ(old->fields().reason, "Re-scheduling");

  // An unknown schedule, or one whose new window is taken, changes nothing.
  const int32_t version = Version();
  ComPtr<TTVSchedule> none;
  r = scheduler_->Move(42, 6, At(22), At(23), &none);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_LOAD_FAILED);
  EXPECT_EQ(r->Description(), "Unable to find existing schedule id 42");
  EXPECT_FALSE(none);
  EXPECT_EQ(Version(), version);
  Stored(At(22), At(23));  // with the moved one, both tuners are taken
  ComPtr<TTVSchedule> blocked = Stored(At(18), At(19));
  r = scheduler_->Move(blocked->fields().id, 7, At(22), At(23), &none);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_CONFLICT) << r->Description();
  EXPECT_FALSE(FindScheduleByID(db_, blocked->fields().id)->fields().deleted);
}

}  // namespace
}  // namespace kestro
