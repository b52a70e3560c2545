#include <gtest/gtest.h>

#include "kestro/interface_reads.h"
#include "scheduling/scheduling_fixture.h"
#include "scheduling/tv_scheduler.h"

namespace kestro {
namespace {

std::vector<int32_t> IDsOf(TTVScheduleList& list) {
  std::vector<int32_t> ids;
  for (const ComPtr<ITVSchedule>& s : list.items()) {
    int32_t id = 0;
    s->get_ID(&id);
    ids.push_back(id);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

using ConflictTest = SchedulingTest;

TEST_F(ConflictTest, FillsTunersFromTheHighestAndRefusesAThirdOverlap) {
  ComPtr<TTVSchedule> first = Stored(At(20), At(21));
  ComPtr<TTVSchedule> second = Stored(At(20, 30), At(21, 30));
  EXPECT_EQ(first->fields().tuner_id, 2);
  EXPECT_EQ(second->fields().tuner_id, 1);
  const int32_t version = Version();

  ComPtr<TTVSchedule> third = Make(At(20, 45), At(22));
  ComPtr<TTVScheduleResult> r = scheduler_->Add(*third);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_CONFLICT);
  EXPECT_EQ(r->Description(), "There are 2 conflicting schedules");
  EXPECT_EQ(IDsOf(r->Conflicts()), (std::vector<int32_t>{first->fields().id, second->fields().id}));
  EXPECT_EQ(third->fields().id, -1);
  EXPECT_EQ(third->fields().tuner_id, -1);
  EXPECT_EQ(Count("select count ( * ) from schedules"), 2);
  EXPECT_EQ(Version(), version);
}

TEST_F(ConflictTest, DeletesOnlyOnTheTunerWhoseSchedulesAllAllowIt) {
  ComPtr<TTVSchedule> essential = Stored(At(20), At(21));
  ComPtr<TTVSchedule> expendable = Stored(At(20), At(21), /*delete_on_conflict=*/true);
  ASSERT_EQ(essential->fields().tuner_id, 2);
  ASSERT_EQ(expendable->fields().tuner_id, 1);

  ComPtr<TTVSchedule> wanted = Make(At(20, 30), At(21, 30));
  ComPtr<TTVScheduleResult> r = scheduler_->Add(*wanted);
  ASSERT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << r->Description();
  EXPECT_EQ(wanted->fields().tuner_id, 1);

  ComPtr<TTVSchedule> gone = FindScheduleByID(db_, expendable->fields().id);
  ASSERT_TRUE(gone);
  EXPECT_TRUE(gone->fields().deleted);
  EXPECT_EQ(gone->fields().deleted_by, "SYSTEM");
  EXPECT_EQ(gone->fields().reason, "CONFLICT");
  EXPECT_FALSE(FindScheduleByID(db_, essential->fields().id)->fields().deleted);
}

TEST_F(ConflictTest, MakesRoomOnTheHighestDeletableTunerRemovingAllItsOverlaps) {
  UseTuners(3);
  ComPtr<TTVSchedule> a = Stored(At(20), At(20, 30), true);   // tuner 3
  ComPtr<TTVSchedule> b = Stored(At(20), At(21), true);       // tuner 2
  ComPtr<TTVSchedule> c = Stored(At(20), At(21));             // tuner 1, essential
  ComPtr<TTVSchedule> a2 = Stored(At(20, 30), At(21), true);  // tuner 3 again
  ASSERT_EQ(a2->fields().tuner_id, 3);

  ComPtr<TTVSchedule> wanted = Make(At(20, 15), At(20, 45));
  ASSERT_TRUE(scheduler_->Add(*wanted)->Ok());
  EXPECT_EQ(wanted->fields().tuner_id, 3);
  EXPECT_EQ(Count("select count ( * ) from schedules where deleted = 1"), 2);
  EXPECT_TRUE(FindScheduleByID(db_, a->fields().id)->fields().deleted);
  EXPECT_TRUE(FindScheduleByID(db_, a2->fields().id)->fields().deleted);
  EXPECT_FALSE(FindScheduleByID(db_, b->fields().id)->fields().deleted);
}

// Windows touching at one instant share a tuner, and soft padding never counts; times past 2043
// (negative in the database) still compare in order.
TEST_F(ConflictTest, TouchingWindowsAndSoftPaddingDoNotConflictIn2030Or2044) {
  UseTuners(1);
  ComPtr<TTVSchedule> early = Make(At(20), At(21));
  early->fields().soft_padding_after = 1800;
  ASSERT_TRUE(scheduler_->Add(*early)->Ok());
  ComPtr<TTVSchedule> late = Make(At(21), At(22));
  late->fields().soft_padding_before = 1800;
  ComPtr<TTVScheduleResult> r = scheduler_->Add(*late);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << r->Description();
  EXPECT_EQ(Stored(At(19), At(20))->fields().tuner_id, 1);

  EXPECT_EQ(IDsOf(*scheduler_->writer().SchedulesForTimeSlice(At(21), At(22))),
            (std::vector<int32_t>{late->fields().id}));
  EXPECT_EQ(scheduler_->writer().SchedulesForTimeSlice(At(22), At(21))->Count(), 0);

  ComPtr<TTVSchedule> in2044 =
      Make(EncodeDateTime({2044, 6, 1, 20, 0, 0, 0}), EncodeDateTime({2044, 6, 1, 21, 0, 0, 0}));
  ASSERT_LT(in2044->fields().StartDbTime(), 0);
  ASSERT_TRUE(scheduler_->Add(*in2044)->Ok());
  ComPtr<TTVSchedule> clash =
      Make(EncodeDateTime({2044, 6, 1, 20, 30, 0, 0}), EncodeDateTime({2044, 6, 1, 22, 0, 0, 0}));
  EXPECT_EQ(scheduler_->Add(*clash)->Code(), TV_ADD_SCHEDULE_CONFLICT);
  EXPECT_TRUE(DbWindowsOverlap(DateTimeToDbTime(EncodeDateTime({2043, 12, 31, 23, 0, 0, 0})),
                               DateTimeToDbTime(EncodeDateTime({2044, 1, 1, 1, 0, 0, 0})),
                               DateTimeToDbTime(EncodeDateTime({2044, 1, 1, 0, 30, 0, 0})),
                               DateTimeToDbTime(EncodeDateTime({2044, 1, 1, 2, 0, 0, 0}))));
}

// The slice is read through the start times the windows' lengths allow; a file without the index
// of those lengths gives the same answer in the same (id) order.
TEST_F(ConflictTest, ATimeSliceMeetsEveryOverlapHoweverLongInIdOrder) {
  UseTuners(4);
  const int32_t gone = Stored(At(5), At(23, 59))->fields().id;
  const int32_t all_day = Stored(At(6), At(23, 30))->fields().id;
  Stored(At(8), At(9));
  const int32_t inside = Stored(At(20, 10), At(20, 20))->fields().id;
  const int32_t ending_inside = Stored(At(19), At(20, 30))->fields().id;
  Stored(At(21), At(22));
  ASSERT_TRUE(scheduler_->writer().Delete(gone, "user", "test"));
  const std::vector<int32_t> expected = {all_day, inside, ending_inside};
  auto slice = [&] {
    ComPtr<TTVScheduleList> list = scheduler_->writer().SchedulesForTimeSlice(At(20), At(21));
    std::vector<int32_t> ids;
    for (const ComPtr<ITVSchedule>& s : list->items()) ids.push_back(Get(s.Get(), &ITVSchedule::get_ID));
    return ids;
  };
  EXPECT_EQ(slice(), expected);
  db_->Exec("drop index idx_schedules_length");
  EXPECT_EQ(slice(), expected);
}

TEST_F(ConflictTest, NeitherASavedScheduleNorItsProgrammeTakesASecondTuner) {
  ComPtr<TTVSchedule> a = Stored(At(20), At(21));  // tuner 2
  ComPtr<TTVSchedule> b = Stored(At(20), At(21));  // tuner 1
  b->data().Set("old", Variant("x"));
  ASSERT_TRUE(scheduler_->Add(*b)->Ok());
  EXPECT_EQ(b->fields().tuner_id, 1);

  ASSERT_TRUE(scheduler_->Delete(a->fields().id, "user", "not wanted"));
  const int32_t id = b->fields().id;
  b->data().Clear();
  b->data().Set("new", Variant("y"));
  b->fields().title = "Renamed";
  ASSERT_TRUE(scheduler_->Add(*b)->Ok());
  EXPECT_EQ(b->fields().id, id);
  EXPECT_EQ(b->fields().tuner_id, 2);

  ComPtr<TTVSchedule> stored = FindScheduleByID(db_, id);
  EXPECT_EQ(stored->fields().tuner_id, 2);
  EXPECT_EQ(stored->fields().title, "Renamed");
  EXPECT_EQ(stored->fields().status, "NEW");
  EXPECT_FALSE(stored->data().Has("old"));
  EXPECT_EQ(stored->data().Get("new").ToString(), "y");
  EXPECT_EQ(Count("select count ( * ) from schedules where deleted = 0"), 1);

  // A programme recorded once takes one tuner.
  AddProgram(5, At(22), At(23));
  ComPtr<TTVSchedule> first = MakeFor(5, At(22), At(23));
  ASSERT_TRUE(scheduler_->Add(*first)->Ok());
  ComPtr<TTVSchedule> second = MakeFor(5, At(21, 55), At(23, 5));
  ComPtr<TTVScheduleResult> r = scheduler_->Add(*second);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_CONFLICT);
  EXPECT_EQ(r->Description(),
            "The programme is already scheduled as #" + std::to_string(first->fields().id));
  EXPECT_EQ(r->Conflicts().Count(), 1);
  EXPECT_EQ(second->fields().id, -1);
  EXPECT_TRUE(scheduler_->Add(*first)->Ok()) << "saving the same schedule again is no second one";
  EXPECT_EQ(Count("select count ( * ) from schedules where deleted = 0"), 2);
}

TEST_F(ConflictTest, ResolvingAloneStoresNothingAndBadTunersAreRefused) {
  UseTuners(1);
  ComPtr<TTVSchedule> expendable = Stored(At(20), At(21), true);
  ComPtr<TTVSchedule> probe = Make(At(20), At(21));
  ASSERT_TRUE(scheduler_->ResolveConflicts(probe->fields())->Ok());
  EXPECT_EQ(probe->fields().tuner_id, 1);
  EXPECT_EQ(probe->fields().id, -1);
  EXPECT_TRUE(FindScheduleByID(db_, expendable->fields().id)->fields().deleted);
  EXPECT_EQ(Count("select count ( * ) from schedules"), 1);

  // A stored schedule on an unknown tuner, or no tuners at all, are refused.
  Stored(At(20), At(21));
  db_->Exec("update schedules set tuner_id = 9");
  ComPtr<TTVScheduleResult> r = scheduler_->ResolveConflicts(Make(At(20), At(21))->fields());
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_CORRUPTION);
  EXPECT_EQ(r->Description(), "A conflicting schedule has an invalid tuner id = 9");
  UseTuners(0);
  r = scheduler_->Add(*Make(At(22), At(23)));
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_INVALID_GROUP);
  EXPECT_EQ(r->Description(), "Invalid tuner count = 0");
}

TEST_F(ConflictTest, ListConflictsIgnoreTunersAndTheSameID) {
  ComPtr<TTVSchedule> a = Stored(At(20), At(21));
  ComPtr<TTVSchedule> touching = Stored(At(21), At(22));
  ComPtr<TTVScheduleList> list = MakeObject<TTVScheduleList>();
  list->Add(a);
  list->Add(touching);
  list->Add(Make(At(20), At(21)));  // unsaved: ID -1, as the probe

  ComPtr<TTVScheduleResult> r = MakeObject<TTVScheduleResult>();
  CollectListConflicts(*Make(At(20, 30), At(21)), *list, *r);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_CONFLICT);
  EXPECT_EQ(IDsOf(r->Conflicts()), (std::vector<int32_t>{a->fields().id}));

  ComPtr<TTVScheduleResult> saved = MakeObject<TTVScheduleResult>();
  CollectListConflicts(*a, *list, *saved);
  EXPECT_EQ(IDsOf(saved->Conflicts()), (std::vector<int32_t>{-1}));
}

}  // namespace
}  // namespace kestro
