// A listings database in a temporary folder with a scheduler over it, and helpers to make
// schedules and programmes in a few words.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/fake_env.h"
#include "common/temp_dir.h"
#include "platform/time/date_time.h"
#include "scheduling/schedule_store.h"
#include "scheduling/tv_scheduler.h"
#include "storage/listings_database.h"

namespace kestro {

// 1 May 2030 at the given local time.
inline OleDate At(int hour, int minute = 0, int second = 0) {
  return EncodeDateTime({2030, 5, 1, hour, minute, second, 0});
}

class SchedulingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_ / "listings.1.dat";
    db_ = OpenListingsDatabase(file_, env_);
    UseTuners(2);
  }

  void UseTuners(int32_t count) { scheduler_ = MakeObject<TTVScheduler>(nullptr, db_, count); }

  // A new schedule for the window [start, end) (hard padding included).
  ComPtr<TTVSchedule> Make(OleDate start, OleDate end, bool delete_on_conflict = false) {
    ComPtr<TTVSchedule> s = scheduler_->NewSchedule();
    s->fields().start_time = start;
    s->fields().end_time = end;
    s->fields().delete_on_conflict = delete_on_conflict;
    s->fields().title = "Show";
    return s;
  }

  // A new schedule of programme `program_id` for the window [start, end).
  ComPtr<TTVSchedule> MakeFor(int32_t program_id, OleDate start, OleDate end) {
    ComPtr<TTVSchedule> s = Make(start, end);
    s->fields().program_id = program_id;
    return s;
  }

  // Adds a new schedule and expects success; returns it with its ID and TunerID.
  ComPtr<TTVSchedule> Stored(OleDate start, OleDate end, bool delete_on_conflict = false) {
    ComPtr<TTVSchedule> s = Make(start, end, delete_on_conflict);
    ComPtr<TTVScheduleResult> r = scheduler_->Add(*s);
    EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << r->Description();
    return s;
  }

  void AddProgram(int32_t id, OleDate start, OleDate end, const std::string& title = "Show") {
    db_->ExecFmt(
        "insert into programs ( id , channel_id , external_id , start_time , end_time , title , "
        "schedule_id ) values ( %d , 7 , %s , %d , %d , %s , 0 )",
        {SqlArg::Int(id), SqlArg::Quoted("ek" + std::to_string(id)),
         SqlArg::Int(DateTimeToDbTime(start)), SqlArg::Int(DateTimeToDbTime(end)),
         SqlArg::Quoted(title)});
  }

  int32_t Count(const std::string& sql) { return db_->QueryInt(sql); }
  int32_t Version() { return ReadScheduleVersion(*db_); }
  int32_t ProgramScheduleID(int32_t program_id) {
    return db_->QueryIntFmt("select schedule_id from programs where id = %d",
                            {SqlArg::Int(program_id)});
  }

  testing::TempDir dir_;
  std::shared_ptr<testing::FakeEnv> env_ = std::make_shared<testing::FakeEnv>();
  std::string file_;
  DBPtr db_;
  ComPtr<TTVScheduler> scheduler_;
};

}  // namespace kestro
