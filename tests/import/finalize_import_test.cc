// FinalizeImport after a run: the relocation of recordings whose programmes the run replaced,
// the refresh of repeating recordings, and the integrity checks with their repairs.
#include "import/finalize_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "import/program_import_fixture.h"
#include "kestro/tv_schedules.h"

namespace kestro::testing {
namespace {

using ::testing::Contains;
using ::testing::IsSupersetOf;
using ::testing::StartsWith;

class Finalization : public ProgramImportTest {
 protected:
  // A recorded programme "Film" (equality key "k-film" unless given) from 20:00 to 21:00 that
  // this run replaces with a news flash from 20:00 to 20:05: its recording waits for
  // relocation. Answers the deleted recording's schedule id.
  int32_t ReplaceRecordedFilm(const std::string& key = "k-film") {
    const int32_t film = StoreProgram("Film", At(20), At(21), key);
    const int32_t schedule = Record(film);
    EXPECT_GT(Saved("News flash", At(20), At(20, 5)), 0);
    EXPECT_EQ(run_->RelocationList().Count(), 1);
    lines_.clear();
    return schedule;
  }
  // The programme's live schedule's start, 0 when it has none.
  int32_t RecordedStart(int32_t program_id) {
    return db_->QueryIntFmt(
        "select s.start_time from schedules s , programs p where p.id = %d and s.schedule_id = "
        "p.schedule_id and s.deleted = 0 and s.program_id = p.id",
        {SqlArg::Int(program_id)});
  }
};

TEST_F(Finalization, RepeatingRulesPickUpTheNewProgrammes) {
  ComPtr<ITVScheduler> scheduler = run_->GetScheduler();
  ComPtr<ITVRepeatingSchedule> rule;
  ASSERT_EQ(scheduler->CreateRepeatingSchedule(rule.ReleaseAndGetAddressOf()), S_OK);
  rule->put_Title("Film");
  rule->put_SearchCriteria("title Film");
  ComPtr<ITVRepeatingScheduleResult> saved;
  ASSERT_EQ(rule->Save(TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE, nullptr, saved.ReleaseAndGetAddressOf()),
            S_OK);
  int32_t rule_id = 0;
  rule->get_ID(&rule_id);
  ASSERT_GT(rule_id, 0);

  ASSERT_GT(Saved("Film", At(20), At(21)), 0);
  FinalizeImport(*run_);
  EXPECT_EQ(db_->QueryIntFmt("select count ( * ) from schedules where deleted = 0 and rs_id = %d",
                             {SqlArg::Int(rule_id)}),
            1);
}

TEST_F(Finalization, RecordingMovesToTheNearestLaterBroadcastOfTheSameKey) {
  const int32_t before = StoreProgram("Film", At(19, 30), At(19, 55), "k-film");
  const int32_t after = StoreProgram("Film", At(20, 10), At(20, 40), "k-film");
  StoreProgram("Film", At(23), At(23, 59), "k-other");  // another episode
  ReplaceRecordedFilm();

  FinalizeImport(*run_);
  EXPECT_EQ(RecordedStart(after), DateTimeToDbTime(At(20, 10)));
  EXPECT_EQ(RecordedStart(before), 0);
  EXPECT_EQ(run_->RelocationList().Count(), 0);
  EXPECT_EQ(Count("select count ( * ) from lost_schedules"), 0);
  // The new schedule keeps the old one's options.
  EXPECT_EQ(Text("select title || '/' || channel_id from schedules where deleted = 0"),
            "Film/" + std::to_string(channel_id_));
}

TEST_F(Finalization, SimilarBroadcastAlreadyRecordedEndsTheSearch) {
  const int32_t later = StoreProgram("Film", At(22), At(23), "k-film");
  const int32_t recorded_schedule = Record(later);
  ReplaceRecordedFilm();
  const int32_t schedules = Count("select count ( * ) from schedules");

  FinalizeImport(*run_);
  EXPECT_EQ(Count("select count ( * ) from schedules"), schedules);
  EXPECT_EQ(ScheduleOf(later), recorded_schedule);
  EXPECT_EQ(Count("select count ( * ) from lost_schedules"), 0);
}

TEST_F(Finalization, RecordingWithoutAFreeCandidateIsLost) {
  const int32_t candidate = StoreProgram("Film", At(22), At(23), "k-film");
  // Both tuners are busy with recordings that may not be deleted.
  RecordWindow(At(21, 30), At(23, 30));
  RecordWindow(At(21, 30), At(23, 30));
  const int32_t lost = ReplaceRecordedFilm();

  FinalizeImport(*run_);
  EXPECT_EQ(ScheduleOf(candidate), 0);
  EXPECT_EQ(Count("select schedule_id from lost_schedules"), lost);
  ComPtr<ITVScheduleList> listed;
  run_->GetScheduler()->GetLostSchedules(listed.ReleaseAndGetAddressOf());
  int32_t count = 0;
  listed->get_Count(&count);
  EXPECT_EQ(count, 1);
}

TEST_F(Finalization, WithoutEqualityKeyOnlyTheSameTitleAndSubtitleQualify) {
  StoreProgram("Film", At(20, 10), At(20, 40), "", "Part 2");  // nearest, other subtitle
  StoreProgram("FILM", At(20, 45), At(21, 15), "");            // other letter case
  const int32_t same = StoreProgram("Film", At(22), At(23), "");
  ReplaceRecordedFilm("");

  FinalizeImport(*run_);
  EXPECT_EQ(RecordedStart(same), DateTimeToDbTime(At(22)));
  EXPECT_EQ(Count("select count ( * ) from schedules where deleted = 0"), 1);
}

class IntegrityCheck : public ProgramImportTest {
 protected:
  void AddSchedule(int32_t id, int32_t deleted, int32_t program_id, int32_t rs_id) {
    db_->ExecFmt(
        "insert into schedules ( schedule_id , deleted , tuner_id , program_id , channel_id , "
        "rs_id , title , start_time , end_time ) values ( %d , %d , 1 , %d , 1 , %d , %s , %d , "
        "%d )",
        {SqlArg::Int(id), SqlArg::Int(deleted), SqlArg::Int(program_id), SqlArg::Int(rs_id),
         SqlArg::Quoted("Show"), SqlArg::Int(DateTimeToDbTime(At(20))),
         SqlArg::Int(DateTimeToDbTime(At(21)))});
  }
  int32_t LinkedProgram(int32_t schedule_id, OleDate start) {
    const int32_t id = StoreProgram("Show", start, start + kHour, "k");
    db_->ExecFmt("update programs set schedule_id = %d where id = %d",
                 {SqlArg::Int(schedule_id), SqlArg::Int(id)});
    return id;
  }
};

TEST_F(IntegrityCheck, BrokenLinksAreRepairedOrReported) {
  AddSchedule(1, 1, 0, 0);    // deleted
  AddSchedule(2, 0, 0, 0);    // live, but for another programme (set below)
  AddSchedule(3, 0, 777, 0);  // points to a programme that does not exist
  AddSchedule(4, 0, 0, 55);   // points to a repeating schedule that does not exist
  const int32_t to_deleted = LinkedProgram(1, At(14));
  const int32_t to_other = LinkedProgram(2, At(15));
  const int32_t to_missing = LinkedProgram(99, At(16));
  db_->ExecFmt("update schedules set program_id = %d where schedule_id = 2",
               {SqlArg::Int(to_deleted)});

  const IntegrityCheckCounts counts = RunIntegrityChecks(*db_, *run_->Logger());
  EXPECT_EQ(counts.found, 6);
  EXPECT_EQ(counts.fixed, 4);
  const std::string a = std::to_string(to_deleted), b = std::to_string(to_missing),
                    c = std::to_string(to_other);
  const std::vector<std::string> problems_and_fixes = {
      "PROBLEM FIXED : program " + a + " points to deleted schedule 1",
      "SERIOUS PROBLEM : program " + c + " points to schedule 2 which points to program " + a + ".",
      "PROBLEM FIXED : program " + b + " has non-existent schedule 99",
      "SERIOUS PROBLEM : schedule 2 points to program " + a + " which points to schedule 0",
      "PROBLEM FIXED : schedule 3 points to non-existent program 777",
      "PROBLEM FIXED : schedule 4 points to non-existent rs_id 55",
      "PROBLEMS FOUND = 6 : PROBLEMS FIXED = 4",
      "SOME SERIOUS PROBLEMS WERE FOUND"};
  EXPECT_THAT(Messages(), IsSupersetOf(problems_and_fixes));
  EXPECT_EQ(ScheduleOf(to_deleted), 0);
  EXPECT_EQ(ScheduleOf(to_missing), 0);
  EXPECT_EQ(ScheduleOf(to_other), 2);
  EXPECT_EQ(Count("select rs_id from schedules where schedule_id = 4"), 0);
  EXPECT_EQ(Count("select deleted from schedules where schedule_id = 3"), 1)
      << "a live schedule without its programme goes, listed as lost";
  EXPECT_EQ(Count("select count ( * ) from lost_schedules where schedule_id = 3"), 1);
}

TEST_F(IntegrityCheck, ErrorEndsTheChecksButNotTheSummary) {
  db_->Exec("drop table repeating_schedules");
  AddSchedule(4, 0, 0, 55);
  RunIntegrityChecks(*db_, *run_->Logger());
  EXPECT_THAT(Messages(), Contains(StartsWith("EXCEPTION (EDatabaseError) : Unexpected error in "
                                              "integrity checks : ")));
  EXPECT_THAT(Messages(), Contains("PROBLEMS FOUND = 0 : PROBLEMS FIXED = 0"));
  EXPECT_THAT(Messages(), Contains(StartsWith("END INTEGRITY CHECKS")));
}

}  // namespace
}  // namespace kestro::testing
