// A whole listings import through ITVLineup.ImportListings with a test plug-in: what is kept,
// what is rolled back, the log, the lineup's record of the outcome, the in-progress lock, log
// retention and the clean-up of temporary files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "import/import_run_fixture.h"
#include "platform/text/text.h"
#include "storage/sqlite_database.h"

namespace kestro::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::StartsWith;

namespace fs = std::filesystem;

void SetModified(const std::string& file, OleDate local) {
  const int64_t ms = LocalToUnixMillis(local);
  struct timespec times[2] = {{ms / 1000, (ms % 1000) * 1000000}, {ms / 1000, (ms % 1000) * 1000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << file;
}

class ImportSession : public ImportRunTest {
 protected:
  // A channel with a programme that ended 3 hours ago, details and words included.
  void SeedOldProgram() {
    DBPtr db = Listings();
    db->Exec("insert into channels ( channel_id , external_id , number , short_name , wanted ) "
             "values ( 1 , 'old' , 1 , 'OLD' , 1 )");
    db->ExecFmt("insert into programs ( id , channel_id , start_time , end_time , title ) values "
                "( 50 , 1 , %d , %d , 'Gone' )",
                {SqlArg::Int(DateTimeToDbTime(Now() - 4 * kHour)),
                 SqlArg::Int(DateTimeToDbTime(Now() - 3 * kHour))});
    db->Exec("insert into program_details ( id , long_desc ) values ( 50 , 'x' )");
    db->Exec("insert into program_words ( program_id , words ) values ( 50 , ' gone ' )");
  }
  // The saved lineup's record of the last run: "ok" or "failed", its status, and whether its
  // time is now.
  std::string LastUpdate() {
    ComPtr<ITVLineup> saved = Reloaded();
    bool ok = false;
    std::string status;
    OleDate time = 0;
    saved->get_LastUpdateOK(&ok);
    saved->get_LastUpdateStatus(&status);
    saved->get_LastUpdateTime(&time);
    const bool now = std::abs(time - Now()) < kOneSecond;
    return std::string(ok ? "ok" : "failed") + " : " + status + (now ? "" : " : not now");
  }
};

TEST_F(ImportSession, OneRunAtATimeSavesThroughTheImportSystemAndIsLogged) {
  SeedOldProgram();
  std::string seen_file, seen_temp, second_error;
  bool in_progress_seen = false, second_ok = true;
  UsePlugin([&](IKestroItem* props, ITVListingsImportSystem& system, std::string&) {
    // A second run of the lineup, from another lineup object as a second caller would have it,
    // is refused while this one runs.
    lineup_->get_IsImportInProgress(&in_progress_seen);
    Reloaded()->ImportListings(nullptr, &second_error, &second_ok);
    Variant file;
    props->GetValue("file", Variant(), &file);
    seen_file = file.ToString();
    system.get_TemporaryDirectory(&seen_temp);
    ComPtr<IKestroLog> log;
    system.get_Log(log.ReleaseAndGetAddressOf());
    log->WriteLine("plugin says hi");
    EXPECT_EQ(SaveChannel(system, "c1", 2, "ONE"), TV_CHANNEL_SAVE_OK);
    EXPECT_EQ(SaveChannel(system, "c2", 3, "TWO"), TV_CHANNEL_SAVE_OK);
    EXPECT_EQ(SaveChannel(system, "c1", 2, "ONE"), TV_CHANNEL_SAVE_OK);  // counts nothing
    EXPECT_EQ(SaveProgram(system, "c1", Now() + kHour, Now() + 2 * kHour, "News"),
              TV_PROGRAM_SAVE_OK);
    EXPECT_EQ(SaveProgram(system, "c2", Now() + kHour, Now() + 3 * kHour, "Film"),
              TV_PROGRAM_SAVE_OK);
    EXPECT_EQ(SaveProgram(system, "c2", Now() - 5 * kHour, Now() - 4 * kHour, "Past"),
              TV_PROGRAM_SAVE_OK);  // skipped
    return true;
  });
  std::string error = "stale";
  ASSERT_TRUE(Import(&error)) << error;
  EXPECT_EQ(error, "");
  EXPECT_TRUE(in_progress_seen);
  EXPECT_FALSE(second_ok);
  EXPECT_EQ(second_error, kImportAlreadyInProgress);
  bool in_progress = true;
  lineup_->get_IsImportInProgress(&in_progress);
  EXPECT_FALSE(in_progress);

  EXPECT_EQ(seen_file, "/srv/guide.xml");
  EXPECT_EQ(seen_temp, library_dir_ + "tv/temp/");
  EXPECT_TRUE(fs::is_directory(seen_temp));
  EXPECT_EQ(Count("channels"), 3);
  EXPECT_EQ(Listings()->QueryInt("select count ( * ) from programs where id = 50"), 0);
  EXPECT_EQ(Count("program_details where id = 50"), 0);
  EXPECT_EQ(Count("program_words where program_id = 50"), 0);
  EXPECT_EQ(Count("programs"), 2);

  EXPECT_THAT(LastLogMessages(),
              IsSupersetOf({"plugin says hi",
                            "Channel stats : 2 added : 0 rejected : 0 updated : 0 failed",
                            "Program stats : 2 added : 1 skipped  : 1 deleted : 0 updated : 0 "
                            "failed"}));
  EXPECT_EQ(LastUpdate(), "ok : ");
}

TEST_F(ImportSession, ALineupThatCannotBeSavedFailsTheRunButKeepsItsListings) {
  UsePlugin([&](IKestroItem*, ITVListingsImportSystem& system, std::string&) {
    EXPECT_EQ(SaveChannel(system, "c1", 2, "ONE"), TV_CHANNEL_SAVE_OK);
    // The lineups database goes wrong while the import runs.
    OpenSQLiteDatabase(library_dir_ + "tv/lineups.dat", env_)
        ->Exec("alter table lineups rename to gone");
    return true;
  });
  std::string error;
  EXPECT_FALSE(Import(&error));
  EXPECT_THAT(error, StartsWith("The listings were imported, but Failed to save the lineup's "
                                "update status : "));
  EXPECT_THAT(error, HasSubstr("no such table: lineups"));
  EXPECT_EQ(Count("channels"), 1);
}

// However the plug-in fails (its answer, a stop from the progress, an exception), everything it
// saved is rolled back, the clean-up before it stays, and the lineup records the message.
TEST_F(ImportSession, FailedPluginLosesItsSavesButTheCleanUpStays) {
  SeedOldProgram();
  const struct {
    TTestPlugin::Body plugin;
    int cancel_at;  // the progress report answered "stop"; 0: none
    std::string error;
  } cases[] = {
      {[](IKestroItem*, ITVListingsImportSystem& system, std::string& error) {
         EXPECT_EQ(SaveChannel(system, "c1", 2, "ONE"), TV_CHANNEL_SAVE_OK);
         EXPECT_EQ(SaveProgram(system, "c1", Now() + kHour, Now() + 2 * kHour, "News"),
                   TV_PROGRAM_SAVE_OK);
         error = "no listings file";
         return false;
       },
       0, "The listings import plugin failed to perform the import : no listings file"},
      {[](IKestroItem*, ITVListingsImportSystem& system, std::string& error) {
         ComPtr<IMLImportProgress> progress;
         system.get_Progress(progress.ReleaseAndGetAddressOf());
         for (int i = 0; i < 10; ++i) {
           SaveChannel(system, "c" + std::to_string(i), i + 1, "CH");
           SaveProgram(system, "c" + std::to_string(i), Now() + kHour, Now() + 2 * kHour, "News");
           bool go_on = true;
           progress->ReportProgress(i * 10, "Saving", &go_on);
           if (!go_on) {
             error = "canceled";
             return false;
           }
         }
         return true;
       },
       // Report 1 is the temporary-file clean-up; the plug-in's third report is refused.
       4, "canceled"},
      {[](IKestroItem*, ITVListingsImportSystem& system, std::string&) -> bool {
         SaveChannel(system, "c1", 2, "ONE");
         throw Exception("disk on fire");
       },
       0, "There was an unhandled error during the import : disk on fire"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    UsePlugin(c.plugin);
    ComPtr<TRecordingProgress> progress = MakeObject<TRecordingProgress>(c.cancel_at);
    std::string error;
    EXPECT_FALSE(Import(&error, progress.Get()));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(Count("channels"), 1);  // only the seeded one
    EXPECT_EQ(Count("programs"), 0);  // the old one deleted, the new ones rolled back
    EXPECT_EQ(Count("program_words"), 0);
    EXPECT_EQ(LastUpdate(), "failed : " + c.error);
  }
}

TEST_F(ImportSession, ImporterKilledWhileHoldingTheLockLeavesNothingInProgress) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {  // another process importing the lineup
    TImportInProgressLock lock(library_dir_, lineup_id_);
    const char ok = lock.TryAcquire() ? 'y' : 'n';
    if (write(ready[1], &ok, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');

  bool in_progress = false;
  lineup_->get_IsImportInProgress(&in_progress);
  EXPECT_TRUE(in_progress);
  UsePlugin([](IKestroItem*, ITVListingsImportSystem&, std::string&) { return true; });
  std::string error;
  EXPECT_FALSE(Import(&error));
  EXPECT_EQ(error, kImportAlreadyInProgress);
  EXPECT_THAT(LastUpdate(), HasSubstr(" : Never updated"));  // a refused run records nothing

  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  lineup_->get_IsImportInProgress(&in_progress);
  EXPECT_FALSE(in_progress);
  EXPECT_TRUE(Import(&error)) << error;
}

// Before the plug-in runs: the fourteen newest logs of the lineup stay beside the new one, and
// temporary files older than 23 hours go. Without a progress the plug-in is told to go on.
TEST_F(ImportSession, HousekeepingKeepsFourteenLogsAndRemovesOldTemporaryFiles) {
  const std::string log_dir = ImportLogDirectory(library_dir_);
  fs::create_directories(log_dir);
  for (int day = 1; day <= 16; ++day)
    WriteFile(log_dir + Format("/listings.%d.2029-01-%02d-08-00-00.log", lineup_id_, day), "old");
  const std::string other_lineup = log_dir + "/listings.12.2028-01-01-08-00-00.log";
  WriteFile(other_lineup, "other");
  const std::string this_run = ImportLogFileName(library_dir_, lineup_id_, Now());
  WriteFile(this_run, "earlier");  // a run started in the same second keeps its log
  const std::string temp = ImportTemporaryDirectory(library_dir_);
  fs::create_directories(temp + "grabber");
  const std::string old_file = temp + "guide.zip", old_nested = temp + "grabber/out.xml",
                    recent = temp + "recent.xml";
  for (const std::string& file : {old_file, old_nested, recent}) WriteFile(file, "x");
  SetModified(old_file, Now() - 23.5 * kHour);
  SetModified(old_nested, Now() - 23.5 * kHour);
  SetModified(recent, Now() - 22 * kHour);
  bool go_on = false;
  UsePlugin([&](IKestroItem*, ITVListingsImportSystem& system, std::string&) {
    ComPtr<IMLImportProgress> progress;
    system.get_Progress(progress.ReleaseAndGetAddressOf());
    progress->ReportProgress(50, "half", &go_on);
    return true;
  });

  std::string error;
  EXPECT_TRUE(Import(&error)) << error;
  EXPECT_TRUE(go_on);
  std::vector<std::string> logs = Logs();
  ASSERT_EQ(logs.size(), 15u);
  EXPECT_EQ(fs::path(logs.front()).filename(),
            Format("listings.%d.2029-01-04-08-00-00.log", lineup_id_));
  EXPECT_EQ(ReadFile(this_run), "earlier");
  ASSERT_EQ(logs.end()[-2], this_run);
  EXPECT_EQ(fs::path(logs.back()).filename(),
            Format("listings.%d.2029-03-10-12-00-00_02.log", lineup_id_));
  EXPECT_TRUE(fs::exists(other_lineup));
  EXPECT_FALSE(fs::exists(old_file));
  EXPECT_FALSE(fs::exists(old_nested));
  EXPECT_TRUE(fs::exists(recent));
}

}  // namespace
}  // namespace kestro::testing
