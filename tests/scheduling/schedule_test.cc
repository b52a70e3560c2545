#include <gtest/gtest.h>

#include "scheduling/scheduling_fixture.h"
#include "scheduling/tv_schedule.h"

namespace kestro {
namespace {

using ScheduleReadTest = SchedulingTest;

void InsertRawRow(IDB& db, const std::string& program_id, const std::string& start_time) {
  db.ExecFmt(
      "insert into schedules ( schedule_id , deleted , tuner_id , program_id , channel_id , "
      "rs_id , title , start_time , end_time , hard_padding_before , hard_padding_after , "
      "soft_padding_before , soft_padding_after , delete_on_conflict , wake_up , keep_until ) "
      "values ( null , 0 , 1 , %s , \"\" , 3 , \"Raw\" , %s , %d , \"x\" , 60 , 0 , 0 , 1 , 0 , "
      "-1 )",
      {SqlArg::Quoted(program_id), SqlArg::Quoted(start_time),
       SqlArg::Int(DateTimeToDbTime(At(21)))});
}

TEST_F(ScheduleReadTest, LenientColumnsReadAsZeroStrictOnesFailAndLinksFollowTheirIDs) {
  InsertRawRow(*db_, "", std::to_string(DateTimeToDbTime(At(20))));
  ComPtr<ITVScheduleList> list;
  ASSERT_EQ(scheduler_->GetSchedules(list.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<ITVSchedule> item;
  ASSERT_EQ(list->get_Items(0, item.ReleaseAndGetAddressOf()), S_OK);
  const ScheduleFields f = OwnSchedule(*item)->fields();
  EXPECT_EQ(f.program_id, 0);
  EXPECT_EQ(f.channel_id, 0);
  EXPECT_EQ(f.hard_padding_before, 0);
  EXPECT_EQ(f.hard_padding_after, 60);
  EXPECT_EQ(f.keep_until, TV_KEEP_UNTIL_DELETED);
  EXPECT_EQ(f.start_time, At(20));

  ASSERT_EQ(list->get_Items(1, item.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_FALSE(item);

  InsertRawRow(*db_, "5", "");
  EXPECT_EQ(scheduler_->GetSchedules(list.ReleaseAndGetAddressOf()), E_UNEXPECTED);
  EXPECT_FALSE(list);
  ErrorInfo error;
  ASSERT_EQ(GetErrorInfo(&error), S_OK);
  EXPECT_EQ(error.description, "'' is not a valid integer value");

  // A schedule's programme and channel follow their IDs.
  AddProgram(5, At(20), At(21), "First");
  AddProgram(6, At(22), At(23), "Second");
  ComPtr<TTVSchedule> s = Make(At(20), At(21));
  s->fields().program_id = 5;
  ASSERT_TRUE(s->Program());
  EXPECT_EQ(s->Program()->Title(), "First");
  s->fields().program_id = 6;
  EXPECT_EQ(s->Program()->Title(), "Second");
  s->fields().program_id = 0;
  EXPECT_FALSE(s->Program());

  db_->Exec(
      "insert into channels ( channel_id , external_id , number , short_name , wanted ) "
      "values ( 7 , \"c7\" , 107 , \"SEVEN\" , 1 )");
  s->fields().channel_id = 7;
  ASSERT_TRUE(s->Channel());
  EXPECT_EQ(s->Channel()->fields().short_name, "SEVEN");
  s->fields().channel_id = 8;
  EXPECT_FALSE(s->Channel());
}

using ScheduleTimeTest = SchedulingTest;

TEST_F(ScheduleTimeTest, TimesCompareInTwoSecondStepsAndDescribeTheSchedule) {
  ComPtr<TTVSchedule> a = Make(At(20), At(21));
  ComPtr<TTVSchedule> b = Make(At(20, 0, 1), At(21));
  ComPtr<TTVSchedule> c = Make(At(20, 0, 2), At(21));
  bool before = true;
  ASSERT_EQ(a->StartsBefore(b.Get(), &before), S_OK);
  EXPECT_FALSE(before);
  ASSERT_EQ(b->StartsBefore(a.Get(), &before), S_OK);
  EXPECT_FALSE(before);
  ASSERT_EQ(a->StartsBefore(c.Get(), &before), S_OK);
  EXPECT_TRUE(before);

  EXPECT_FALSE(a->InProgressAt(At(19, 59, 59)));
  EXPECT_TRUE(a->InProgressAt(At(20)));
  EXPECT_TRUE(a->InProgressAt(At(20, 59, 59)));  // 20:59:58 in db time
  EXPECT_FALSE(a->InProgressAt(At(21)));
  EXPECT_FALSE(a->ElapsedAt(At(20, 59, 59)));
  EXPECT_TRUE(a->ElapsedAt(At(21, 0, 1)));

  env_->SetLocal(At(20, 30));
  bool in_progress = false;
  ASSERT_EQ(a->get_IsInProgress(&in_progress), S_OK);
  EXPECT_TRUE(in_progress);

  // Soft padding widens the window; the host sees the length and day.
  ComPtr<TTVSchedule> s = Make(At(20), At(21, 30));
  s->fields().soft_padding_before = 120;
  s->fields().soft_padding_after = 300;
  s->fields().hard_padding_after = 60;
  EXPECT_DOUBLE_EQ(s->SoftStartTime(), At(19, 58));
  EXPECT_NEAR(s->SoftEndTime(), At(21, 35), 1e-9);

  ComPtr<IKestroItem> item = s->AsKestroItem();
  auto value = [&](const char* name) {
    Variant v;
    item->get_Values(Variant(name), &v);
    return v;
  };
  EXPECT_EQ(value("duration").ToString(), "1:30");
  EXPECT_DOUBLE_EQ(value("start-day").ToDate(), EncodeDate(2030, 5, 1));
}

}  // namespace
}  // namespace kestro
