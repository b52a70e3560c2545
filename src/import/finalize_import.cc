#include "import/finalize_import.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "kestro/interface_reads.h"
#include "listings/program_writer.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/rule_save.h"
#include "scheduling/rule_store.h"
#include "scheduling/schedule_store.h"
#include "storage/listings_database.h"

namespace kestro {
namespace {

constexpr const char kBeginRefresh[] =
    "BEGIN REPEATING SCHEDULE REFRESH **********************************";
constexpr const char kEndRefresh[] =
    "END REPEATING SCHEDULE REFRESH ************************************";
constexpr const char kBeginChecks[] =
    "BEGIN INTEGRITY CHECKS ********************************************";
constexpr const char kEndChecks[] =
    "END INTEGRITY CHECKS **********************************************";

// Seconds between the start times of two programmes, at the 2-second resolution of db time.
int32_t StartDistanceSeconds(ITVProgram& a, ITVProgram& b) {
  OleDate start_a = 0.0, start_b = 0.0;
  CheckHResult(a.get_StartTime(&start_a));
  CheckHResult(b.get_StartTime(&start_b));
  const int64_t ms = OleDateToMillis(DbTimeToDateTime(DateTimeToDbTime(start_a))) -
                     OleDateToMillis(DbTimeToDateTime(DateTimeToDbTime(start_b)));
  return static_cast<int32_t>(std::llabs(ms) / 1000);
}

// --- relocation ---------------------------------------------------------------------------------

// Puts the recording of one deleted programme on another broadcast; false when it stays lost.
class Relocation {
 public:
  Relocation(TTVListingsImportSystem& run, ComPtr<ITVProgram> deleted)
      : run_(run), logger_(*run.Logger()), deleted_(std::move(deleted)) {}

  // True when the recording was re-scheduled or a similar broadcast is already being recorded.
  bool Run();

 private:
  // Broadcasts of the same programme on the same channel that have not ended, by search order.
  ComPtr<ITVProgramList> FindCandidates();
  // The candidates, nearest start time first; ties keep search order.
  std::vector<ComPtr<ITVProgram>> NearestFirst(ITVProgramList& candidates);
  bool IsCandidate(ITVProgram& candidate);
  bool ScheduleOn(ITVSchedule& schedule, ITVProgram& candidate);

  TTVListingsImportSystem& run_;
  ILogger& logger_;
  ComPtr<ITVProgram> deleted_;
  bool by_title_ = false;
};

bool Relocation::Run() {
  logger_.LogFmt("Attempting to relocate deleted recording for [%s]",
                 Get(deleted_.Get(), &ITVProgram::LogText).c_str());
  ComPtr<ITVSchedule> schedule;
  CheckHResult(deleted_->GetSchedule(schedule.ReleaseAndGetAddressOf()));
  if (!schedule) {
    logger_.Log("Failed to relocate recording because deleted schedule was not found");
    return false;
  }
  ComPtr<ITVProgramList> candidates = FindCandidates();
  for (const ComPtr<ITVProgram>& candidate : NearestFirst(*candidates)) {
    if (!IsCandidate(*candidate)) continue;
    if (Get(candidate.Get(), &ITVProgram::IsToBeRecorded)) {
      logger_.LogFmt("Similar program [%s] is already being recorded",
                     Get(candidate.Get(), &ITVProgram::LogText).c_str());
      return true;
    }
    if (ScheduleOn(*schedule, *candidate)) return true;
  }
  return false;
}

ComPtr<ITVProgramList> Relocation::FindCandidates() {
  ComPtr<ITVListings> listings = run_.GetListings();
  int32_t channel_id = 0;
  CheckHResult(deleted_->get_ChannelID(&channel_id));
  const std::string key = Get(deleted_.Get(), &ITVProgram::get_EqualityKey);
  const OleDate now = run_.DB()->GetEnv()->NowLocal();
  ComPtr<ITVProgramList> found;
  by_title_ = key.empty();
  if (!by_title_) {
    logger_.Log("Attempting to match by equality key");
    CheckHResult(listings->SearchByEqualityKey(key, -channel_id, now, 0,
                                               found.ReleaseAndGetAddressOf()));
  } else {
    logger_.Log("Attempting to match by title");
    CheckHResult(listings->SearchByTitle(Get(deleted_.Get(), &ITVProgram::get_SearchTitle),
                                         -channel_id, now, 0,
                                         found.ReleaseAndGetAddressOf()));
  }
  return found;
}

std::vector<ComPtr<ITVProgram>> Relocation::NearestFirst(ITVProgramList& candidates) {
  ComPtr<ITVProgramGroups> groups;
  CheckHResult(run_.GetListings()->NewProgramGroups(groups.ReleaseAndGetAddressOf()));
  for (const ComPtr<ITVProgram>& candidate : ListItems(&candidates)) {
    CheckHResult(
        groups->Add(Variant(StartDistanceSeconds(*candidate, *deleted_)), candidate.Get(), true));
  }
  std::vector<ComPtr<ITVProgram>> ordered;
  for (const ComPtr<ITVProgramList>& group :
       ListItems(groups.Get(), &ITVProgramGroups::get_Programs)) {
    for (ComPtr<ITVProgram>& candidate : ListItems(group.Get()))
      ordered.push_back(std::move(candidate));
  }
  return ordered;
}

// A broadcast that is over never qualifies; one found by title only when its title and
// subtitle are exactly those of the deleted programme.
bool Relocation::IsCandidate(ITVProgram& candidate) {
  if (Get(&candidate, &ITVProgram::IsOver)) return false;
  if (!by_title_) return true;
  return Get(&candidate, &ITVProgram::get_Title) == Get(deleted_.Get(), &ITVProgram::get_Title) &&
         Get(&candidate, &ITVProgram::get_Subtitle) ==
             Get(deleted_.Get(), &ITVProgram::get_Subtitle);
}

// Adds a schedule with the deleted one's options on the candidate; false when the scheduler
// refuses it (a conflict, for example).
bool Relocation::ScheduleOn(ITVSchedule& schedule, ITVProgram& candidate) {
  TScheduleWriter& scheduler = run_.GetScheduler()->writer();
  ComPtr<TTVSchedule> relocated = scheduler.ScheduleForProgram(*OwnSchedule(schedule), candidate);
  if (!scheduler.Add(*relocated)->Ok()) return false;
  logger_.LogFmt("Schedule relocated to [%s]", Get(&candidate, &ITVProgram::LogText).c_str());
  return true;
}

void RecordLostSchedules(TTVListingsImportSystem& run) {
  TTVProgramList& lost = run.RelocationList();
  for (int32_t i = 0; i < lost.Count(); ++i) {
    ComPtr<ITVProgram> program = lost.Item(i);
    run.Logger()->LogFmt("Unable to re-schedule deleted recording [%s]",
                         Get(program.Get(), &ITVProgram::LogText).c_str());
    int32_t schedule_id = 0;
    CheckHResult(program->get_ScheduleID(&schedule_id));
    try {
      run.DB()->ExecFmt("insert into lost_schedules ( schedule_id ) values ( %d )",
                        {SqlArg::Int(schedule_id)});
    } catch (const EDatabaseError& e) {
      // Already listed as lost by an earlier import.
      if (e.failure() != DbFailure::kConstraint) throw;
    }
  }
}

// --- integrity checks ---------------------------------------------------------------------------

void CheckProgramsWithSchedules(IDB& db, ILogger& logger, IntegrityCheckCounts& counts) {
  TablePtr rows = db.Query(
      "select p.id , p.schedule_id , s.program_id , s.deleted from programs as p left outer "
      "join schedules as s on p.schedule_id = s.schedule_id where p.schedule_id > 0");
  if (rows->Eof()) {
    logger.Log("No programs have schedules");
    return;
  }
  logger.LogFmt("%d programs have schedules", rows->RowCount());
  for (; !rows->Eof(); rows->Next()) {
    const std::string program_id = rows->Text(0), schedule_id = rows->Text(1);
    const std::string schedule_program_id = rows->Text(2);
    const char* problem = nullptr;
    if (schedule_program_id.empty()) {
      problem = "PROBLEM FIXED : program %s has non-existent schedule %s";
    } else if (StrToIntDef(rows->Text(3), 0) != 0) {
      problem = "PROBLEM FIXED : program %s points to deleted schedule %s";
    } else if (schedule_program_id != program_id) {
      logger.LogFmt(
          "SERIOUS PROBLEM : program %s points to schedule %s which points to program %s.",
          program_id.c_str(), schedule_id.c_str(), schedule_program_id.c_str());
      ++counts.found;
      continue;
    } else {
      continue;
    }
    ClearProgramSchedule(db, StrToInt(program_id));
    logger.LogFmt(problem, program_id.c_str(), schedule_id.c_str());
    ++counts.found;
    ++counts.fixed;
  }
}

void CheckSchedulesWithPrograms(IDB& db, ILogger& logger, IntegrityCheckCounts& counts) {
  TablePtr rows = db.Query(
      " select s.schedule_id , s.program_id , p.schedule_id from schedules as s left outer join "
      "programs as p on s.program_id = p.id where s.deleted = 0 and s.program_id > 0");
  if (rows->Eof()) {
    logger.Log("No schedules have programs");
    return;
  }
  logger.LogFmt("%d schedules have programs", rows->RowCount());
  for (; !rows->Eof(); rows->Next()) {
    const std::string schedule_id = rows->Text(0), program_id = rows->Text(1);
    const std::string program_schedule_id = rows->Text(2);
    if (program_schedule_id.empty()) {
      // The relocation has run: a schedule still without its programme records nothing. It goes,
      // and the user finds it among the lost recordings.
      const int32_t id = StrToInt(schedule_id);
      MarkScheduleDeleted(db, id, "System", "The programme is no longer in the listings");
      db.ExecFmt("insert or ignore into lost_schedules ( schedule_id ) values ( %d )",
                 {SqlArg::Int(id)});
      IncreaseScheduleVersion(db);
      logger.LogFmt("PROBLEM FIXED : schedule %s points to non-existent program %s",
                    schedule_id.c_str(), program_id.c_str());
      ++counts.found;
      ++counts.fixed;
    } else if (program_schedule_id != schedule_id) {
      logger.LogFmt(
          "SERIOUS PROBLEM : schedule %s points to program %s which points to schedule %s",
          schedule_id.c_str(), program_id.c_str(), program_schedule_id.c_str());
      ++counts.found;
    }
  }
}

void CheckSchedulesWithRepeatingSchedules(IDB& db, ILogger& logger, IntegrityCheckCounts& counts) {
  TablePtr rows = db.Query(
      "select s.schedule_id , s.rs_id , r.rs_id from schedules as s left outer join "
      "repeating_schedules as r on s.rs_id = r.rs_id where s.deleted = 0 and s.rs_id > 0");
  if (rows->Eof()) {
    logger.Log("No schedules have repeating schedules");
    return;
  }
  logger.LogFmt("%d schedules have repeating schedules", rows->RowCount());
  for (; !rows->Eof(); rows->Next()) {
    if (!rows->Text(2).empty()) continue;
    const std::string schedule_id = rows->Text(0), rs_id = rows->Text(1);
    db.ExecFmt("update schedules set rs_id = 0 where schedule_id = %d",
               {SqlArg::Int(StrToInt(schedule_id))});
    logger.LogFmt("PROBLEM FIXED : schedule %s points to non-existent rs_id %s",
                  schedule_id.c_str(), rs_id.c_str());
    ++counts.found;
    ++counts.fixed;
  }
}

// The programmes that went may have been the longest: a value left too large would widen every
// time slice and overlap search from now on. Left as it was when this fails.
void TightenLongestProgram(IDB& db, ILogger& logger) {
  try {
    RecomputeLongestProgram(db);
  } catch (const std::exception& e) {
    logger.LogException(e, "Recomputing the longest programme");
  }
}

void Vacuum(IDB& db, ILogger& logger) {
  try {
    db.Exec("vacuum");
    logger.Log("Vacuum ok");
  } catch (const std::exception& e) {
    logger.Log("Vacuum failed");
    logger.LogException(e, "Vacuum");
  }
}

}  // namespace

void RelocateRecordings(TTVListingsImportSystem& run) {
  TTVProgramList& relocations = run.RelocationList();
  if (relocations.Count() == 0) {
    run.Logger()->Log("Update did not require any recordings to be relocated");
    return;
  }
  run.Logger()->LogFmt("Update requires %d recording(s) to be relocated", relocations.Count());
  for (int32_t i = relocations.Count(); i-- > 0;) {
    if (Relocation(run, relocations.Item(i)).Run()) relocations.RemoveAt(i);
  }
  RecordLostSchedules(run);
}

void RefreshRepeatingSchedules(TTVListingsImportSystem& run) {
  ILogger& logger = *run.Logger();
  logger.Log("");
  logger.Log(kBeginRefresh);
  logger.Log("");
  // Highest priority first, so each rule fits around the ones above it.
  for (RuleFields& rule : LoadAllRuleFields(*run.DB())) {
    SaveRule(rule, run.DB(), run.GetListings(), TV_RS_SAVE_MODE_RECALCULATE, run.KestroLog().Get(),
             /*preview=*/false);
  }
  logger.Log("");
  logger.Log(kEndRefresh);
  logger.Log("");
}

IntegrityCheckCounts RunIntegrityChecks(IDB& db, ILogger& logger) {
  IntegrityCheckCounts counts;
  logger.Log("");
  logger.Log(kBeginChecks);
  logger.Log("");
  try {
    CheckProgramsWithSchedules(db, logger, counts);
    CheckSchedulesWithPrograms(db, logger, counts);
    CheckSchedulesWithRepeatingSchedules(db, logger, counts);
  } catch (const std::exception& e) {
    logger.LogException(e, "Unexpected error in integrity checks");
  }
  logger.Log("");
  logger.LogFmt("PROBLEMS FOUND = %d : PROBLEMS FIXED = %d", counts.found, counts.fixed);
  logger.Log("");
  if (counts.found != counts.fixed) {
    logger.Log("SOME SERIOUS PROBLEMS WERE FOUND");
  } else if (counts.found == 0) {
    logger.Log("EVERYTHING LOOKS OK");
  } else {
    logger.Log("ALL PROBLEMS FIXED");
  }
  logger.Log("");
  logger.Log(kEndChecks);
  logger.Log("");
  return counts;
}

bool FinalizeImport(TTVListingsImportSystem& run) {
  Env& env = *run.DB()->GetEnv();
  env.CrashPoint("import-saved");
  // The recordings of replaced programmes are moved (or listed as lost) by the run's own
  // transaction: the list of them lives only in memory, so a crash after the commit would lose
  // them.
  RelocateRecordings(run);
  env.CrashPoint("import-relocated");
  run.CommitSaving();
  env.CrashPoint("import-committed");
  run.ReportProgress(33, "Refreshing repeating recordings...");
  RefreshRepeatingSchedules(run);
  env.CrashPoint("import-refreshed");
  run.ReportProgress(66, "Performing integrity checks...");
  RunIntegrityChecks(*run.DB(), *run.Logger());
  env.CrashPoint("import-checked");
  run.ReportProgress(80, "Optimizing...");
  TightenLongestProgram(*run.DB(), *run.Logger());
  Vacuum(*run.DB(), *run.Logger());
  run.ReportProgress(100, "Finished");
  return true;
}

}  // namespace kestro
