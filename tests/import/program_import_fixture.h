// One import run on a fresh guide in UTC with two tuners and a channel, its transaction open as
// the plug-in finds it, and helpers to save programmes, store rows directly and record programmes.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/import_run_fixture.h"
#include "import/import_system.h"
#include "import/new_program.h"
#include "platform/text/text.h"
#include "support/logger.h"

namespace kestro::testing {

class ProgramImportTest : public ::testing::Test {
 protected:
  static constexpr double kHour = 1.0 / 24.0;

  // "Now" is 1 May 2030 at noon; At() gives a time of that day.
  static OleDate At(int hour, int minute = 0) {
    return EncodeDateTime({2030, 5, 1, hour, minute, 0, 0});
  }

  void SetUp() override {
    StartRun(At(12), 2);
    channel_id_ = AddChannel("ch.one", 1);
  }
  // The first run of a fresh guide, "now" being `now`.
  void StartRun(OleDate now, int tuners) {
    SavedEnvironment::SetTimeZone("UTC");
    UseModuleFolders(dir_, tuners);
    env_->SetLocal(now);
    BeginRun();
  }
  // A new run on the guide, with progress_; what an earlier run did not commit is lost.
  void BeginRun() {
    db_ = nullptr;
    run_ = MakeObject<TTVListingsImportSystem>(dir_ / "library/tv/listings.1.dat", 1, env_,
                                               std::make_shared<TStringsLogger>(env_, lines_),
                                               progress_, dir_ / "temp/");
    db_ = run_->DB();
    run_->BeginSaving();
  }

  int32_t AddChannel(const std::string& external_id, int32_t wanted) {
    db_->ExecFmt(
        "insert into channels ( channel_id , external_id , number , short_name , wanted ) "
        "values ( null , %s , 1 , %s , %d )",
        {SqlArg::Quoted(external_id), SqlArg::Quoted(external_id), SqlArg::Int(wanted)});
    return db_->LastInsertRowID();
  }

  // A new programme of the run on channel "ch.one", set through the interface.
  ComPtr<TTVNewProgram> Program(const std::string& title, OleDate start, OleDate end) {
    ComPtr<ITVNewProgram> program;
    EXPECT_EQ(run_->NewProgram(program.ReleaseAndGetAddressOf()), S_OK);
    program->put_ChannelExternalID("ch.one");
    program->put_Title(title);
    program->put_StartTime(start);
    program->put_EndTime(end);
    return ComPtr<TTVNewProgram>(static_cast<TTVNewProgram*>(program.Get()));
  }
  static TV_PROGRAM_SAVE_RESULT Save(ITVNewProgram* program) {
    TV_PROGRAM_SAVE_RESULT result = TV_PROGRAM_SAVE_FAILED;
    EXPECT_EQ(program->Save(&result), S_OK);
    return result;
  }
  // Saves a programme and answers its id (0 when the save did not answer OK).
  int32_t Saved(const std::string& title, OleDate start, OleDate end) {
    ComPtr<TTVNewProgram> program = Program(title, start, end);
    return Save(program.Get()) == TV_PROGRAM_SAVE_OK ? program->fields().id : 0;
  }

  // A programme row written directly, as an earlier import left it.
  int32_t StoreProgram(const std::string& title, OleDate start, OleDate end, const std::string& key,
                       const std::string& subtitle = "") {
    db_->ExecFmt(
        "insert into programs ( id , channel_id , external_id , start_time , end_time , title , "
        "subtitle , tv_rating , movie_rating , program_type , sort_title , search_title ) "
        "values ( null , %d , %s , %d , %d , %s , %s , %s , %s , %s , %s , %s )",
        {SqlArg::Int(channel_id_), SqlArg::Quoted(key), SqlArg::Int(DateTimeToDbTime(start)),
         SqlArg::Int(DateTimeToDbTime(end)), SqlArg::Quoted(title), SqlArg::Quoted(subtitle),
         SqlArg::Quoted(""), SqlArg::Quoted(""), SqlArg::Quoted(""), SqlArg::Quoted(title),
         SqlArg::Quoted(AsciiLower(title))});
    return db_->LastInsertRowID();
  }

  // Records the stored programme through the scheduler; answers the schedule id.
  int32_t Record(int32_t program_id) {
    ComPtr<ITVProgram> program;
    EXPECT_EQ(run_->GetListings()->FindProgramByID(program_id, program.ReleaseAndGetAddressOf()),
              S_OK);
    OleDate start = 0, end = 0;
    program->get_StartTime(&start);
    program->get_EndTime(&end);
    return RecordWindow(start, end, program_id);
  }
  int32_t RecordWindow(OleDate start, OleDate end, int32_t program_id = 0) {
    ComPtr<ITVScheduler> scheduler = run_->GetScheduler();
    ComPtr<ITVSchedule> schedule;
    scheduler->CreateSchedule(schedule.ReleaseAndGetAddressOf());
    schedule->put_StartTime(start);
    schedule->put_EndTime(end);
    schedule->put_ProgramID(program_id);
    schedule->put_ChannelID(channel_id_);
    schedule->put_Title("Recording");
    ComPtr<ITVScheduleResult> result;
    scheduler->AddSchedule(schedule.Get(), result.ReleaseAndGetAddressOf());
    TV_ADD_SCHEDULE_RESULT code = TV_ADD_SCHEDULE_CORRUPTION;
    result->get_Code(&code);
    EXPECT_EQ(code, TV_ADD_SCHEDULE_OK);
    int32_t id = 0;
    schedule->get_ID(&id);
    return id;
  }

  int32_t Count(const std::string& sql) { return db_->QueryInt(sql); }
  std::string Text(const std::string& sql) {
    TablePtr table = db_->Query(sql);
    return table->Text(0);
  }
  int32_t ScheduleOf(int32_t program_id) {
    return db_->QueryIntFmt("select schedule_id from programs where id = %d",
                            {SqlArg::Int(program_id)});
  }
  // The messages logged so far, without their headers.
  std::vector<std::string> Messages() const { return WithoutLogHeaders(lines_); }

  SavedEnvironment saved_;
  TempDir dir_;
  std::shared_ptr<FakeEnv> env_ = std::make_shared<FakeEnv>();
  std::vector<std::string> lines_;
  ComPtr<TRecordingProgress> progress_ = MakeObject<TRecordingProgress>();
  ComPtr<TTVListingsImportSystem> run_;
  DBPtr db_;
  int32_t channel_id_ = 0;
};

}  // namespace kestro::testing
