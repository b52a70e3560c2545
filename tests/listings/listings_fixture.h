// A fresh listings database in a temporary folder, with helpers that write guide rows directly.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/fake_env.h"
#include "common/temp_dir.h"
#include "platform/time/date_time.h"
#include "storage/db.h"
#include "storage/listings_database.h"

namespace kestro {

class ListingsTest : public ::testing::Test {
 protected:
  void SetUp() override { db_ = OpenListingsDatabase(dir_ / "listings.1.dat", env_); }

  // A channel row; `wanted` -1 leaves the column null.
  int32_t AddChannel(int32_t number, const std::string& short_name, int32_t wanted = 1) {
    db_->ExecFmt(
        "insert into channels ( channel_id , external_id , number , short_name , long_name , "
        "wanted ) values ( null , %s , %d , %s , %s , %s )",
        {SqlArg::Quoted("ext." + short_name), SqlArg::Int(number), SqlArg::Quoted(short_name),
         SqlArg::Quoted(short_name + " long"),
         SqlArg::Raw(wanted < 0 ? "null" : std::to_string(wanted))});
    return db_->LastInsertRowID();
  }

  // A programme row; `schedule_id` -1 leaves the column null.
  int32_t AddProgram(int32_t channel_id, OleDate start, OleDate end, const std::string& title,
                     int32_t schedule_id = -1) {
    db_->ExecFmt(
        "insert into programs ( id , channel_id , external_id , start_time , end_time , title , "
        "subtitle , tv_rating , movie_rating , program_type , sort_title , search_title , "
        "schedule_id ) values ( null , %d , %s , %d , %d , %s , %s , %s , %s , %s , %s , %s , %s )",
        {SqlArg::Int(channel_id), SqlArg::Quoted("key-" + title),
         SqlArg::Int(DateTimeToDbTime(start)), SqlArg::Int(DateTimeToDbTime(end)),
         SqlArg::Quoted(title), SqlArg::Quoted("sub " + title), SqlArg::Quoted("TV-PG"),
         SqlArg::Quoted(""), SqlArg::Quoted("EP"), SqlArg::Quoted(title), SqlArg::Quoted(title),
         SqlArg::Raw(schedule_id < 0 ? "null" : std::to_string(schedule_id))});
    return db_->LastInsertRowID();
  }

  // Makes every statement on `table` fail with "refused" (inserts, updates or deletes).
  void RefuseWrites(const std::string& table, const std::string& operation) {
    db_->Exec("create trigger refuse_" + operation + "_" + table + " before " + operation +
              " on " + table + " begin select raise ( abort , 'refused' ) ; end ;");
  }

  static OleDate At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return EncodeDateTime({y, mo, d, h, mi, s, 0});
  }

  testing::TempDir dir_;
  std::shared_ptr<testing::FakeEnv> env_ = std::make_shared<testing::FakeEnv>();
  DBPtr db_;
};

}  // namespace kestro
