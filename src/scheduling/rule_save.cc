#include "scheduling/rule_save.h"

#include <array>
#include <memory>
#include <optional>
#include <unordered_map>

#include "platform/text/text.h"
#include "scheduling/open_listings.h"
#include "scheduling/rule_candidates.h"
#include "scheduling/rule_library.h"
#include "scheduling/rule_showings.h"
#include "scheduling/rule_store.h"
#include "scheduling/schedule_result.h"
#include "scheduling/schedule_store.h"
#include "scheduling/schedule_writer.h"

namespace kestro {
namespace {

// How much each conflict type outranks the others when a candidate collides with several
// schedules: HARD over SOFT over SELF over NONE.
int Rank(TV_CONFLICT_TYPE type) {
  switch (type) {
    case TV_CONFLICT_HARD: return 3;
    case TV_CONFLICT_SOFT: return 2;
    case TV_CONFLICT_SELF: return 1;
    default: return 0;
  }
}

// The schedules of a save's lists (its candidates, the stored conflicts) are the module's own.
TTVSchedule& Own(const ComPtr<ITVSchedule>& s) {
  auto* own = dynamic_cast<TTVSchedule*>(s.Get());
  if (!own) throw Exception("A schedule of the save is not one of the module's");
  return *own;
}

class RuleSave {
 public:
  RuleSave(RuleFields& rule, DBPtr db, ComPtr<ITVListings> listings, TV_RS_SAVE_MODE mode,
           IKestroLog* log, bool preview)
      : rule_(rule),
        db_(std::move(db)),
        listings_(std::move(listings)),
        mode_(mode),
        preview_(preview),
        log_(log, db_->GetEnv()),
        facts_(db_) {}

  void Run(TTVRepeatingScheduleResult& result);

 private:
  void CheckMode() const;
  std::unique_ptr<TScheduleWriter> GetScheduler() const;
  void SetOldSchedulesAside();
  void DropDeletedShowings(std::vector<ComPtr<TTVSchedule>>& candidates);
  void AssignPriority();
  std::vector<ComPtr<TTVSchedule>> Candidates();
  void AnalyzeConflicts(TScheduleWriter& scheduler, const std::vector<ComPtr<TTVSchedule>>& candidates,
                        TTVRepeatingScheduleResult& result);
  // The worst of what the candidate of `program_id` collides with.
  TV_CONFLICT_TYPE Classify(int32_t program_id, const TTVScheduleList& conflicts);
  void KeepAtMost(TTVRepeatingScheduleResult& result);
  bool ShouldStop(TTVRepeatingScheduleResult& result) const;
  void LogSummary();
  void StoreRule();
  void AddSchedules(TScheduleWriter& scheduler, TTVRepeatingScheduleResult& result);
  void AddEntry(TScheduleWriter& scheduler, TTVRepeatingScheduleResult& result, int32_t index);
  void DropOldScheduleOfSkipped(TScheduleWriter& scheduler, const TTVSchedule& skipped);

  RuleFields& rule_;
  DBPtr db_;
  ComPtr<ITVListings> listings_;
  TV_RS_SAVE_MODE mode_;
  bool preview_;
  RuleLog log_;
  ProgramFactsCache facts_;
  // Priorities of the other rules met while classifying; nullopt for a rule that is gone.
  std::unordered_map<int32_t, std::optional<int32_t>> rule_priorities_;
  std::array<int32_t, 5> kinds_{};  // candidates per TV_CONFLICT_TYPE
  int32_t added_ = 0, skipped_ = 0, failed_ = 0, kept_ = 0;
  // The rule's stored schedules, set aside until a candidate of the same recording takes one.
  SetAsideSchedules set_aside_;
  std::set<ShowingKey> deleted_showings_;  // by the user: never scheduled again
};

void RuleSave::Run(TTVRepeatingScheduleResult& result) {
  log_.Line("");
  log_.Fmt("SAVING RS : mode %s : %s", SaveModeName(mode_), RuleLogText(rule_).c_str());
  CheckMode();
  if (std::string problem = RuleValidationError(rule_); !problem.empty()) {
    throw EAddSchedule(TV_ADD_SCHEDULE_INVALID_PARAMETERS,
                       "Invalid properties for repeating schedule : " + problem);
  }
  std::unique_ptr<TScheduleWriter> scheduler = GetScheduler();
  // One version raise for all the schedules the save adds and deletes, just before its commit.
  scheduler->LeaveVersionToCaller();
  Transaction transaction =
      BeginScheduleChange(*db_, "Failed to start a transaction, the DB is probably locked");

  if (!rule_.IsNew()) SetOldSchedulesAside();
  AssignPriority();
  const std::vector<ComPtr<TTVSchedule>> candidates = Candidates();
  AnalyzeConflicts(*scheduler, candidates, result);
  if (rule_.IsSearchRule() &&
      (rule_.repeats == TV_REPEATS_FIRST_RUN_ONLY || rule_.duplicates != TV_DUPLICATES_ALL)) {
    std::optional<RecordedKeys> recorded;
    if (rule_.duplicates != TV_DUPLICATES_ALL) {
      recorded = PreviouslyRecordedKeys(*db_, rule_.duplicates);
    }
    ReduceByEqualityKey(result, rule_, recorded ? &*recorded : nullptr, facts_, log_);
  }
  if (rule_.keep_at_most > 0) KeepAtMost(result);
  if (ShouldStop(result)) {
    LogSummary();
    log_.Fmt("Save mode is %s and result code is %s. Exiting.", SaveModeName(mode_),
             ResultCodeName(result.Code()));
    return;  // the transaction is undone as it goes out of scope
  }
  if (preview_) {
    LogSummary();
    log_.Line("Preview only : nothing was saved.");
    return;
  }
  StoreRule();
  AddSchedules(*scheduler, result);
  if (!rule_.IsNew()) {
    log_.Fmt("OLD SCHEDULES : KEPT %d : DELETED %d", kept_, set_aside_.PurgeRest(*scheduler));
  }
  log_.Line("");
  LogSummary();
  log_.Fmt("SCHEDULE SUMMARY : ADDED %d : SKIPPED %d : FAILED %d", added_, skipped_, failed_);
  log_.Line("");
  try {
    scheduler->RaiseVersionLeftToCaller();
  } catch (const std::exception& e) {
    throw EAddSchedule(TV_ADD_SCHEDULE_SAVE_FAILED, FailureCause(e));
  }
  db_->GetEnv()->CrashPoint("rule-scheduled");
  transaction.Commit();
  db_->GetEnv()->CrashPoint("rule-saved");
  log_.Fmt("SAVE RS FINISHED : result %s : \"%s\"", ResultCodeName(result.Code()),
           result.Description().c_str());
  log_.Line("");
}

void RuleSave::CheckMode() const {
  const bool is_new = rule_.IsNew();
  if ((mode_ == TV_RS_SAVE_MODE_LOW_PRIORITY_TRY || mode_ == TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE) &&
      !is_new) {
    throw EAddSchedule(TV_ADD_SCHEDULE_INVALID_PARAMETERS,
                       Format("Save mode is not valid. Mode %s can only be used for new repeating "
                              "schedules.",
                              SaveModeName(mode_)));
  }
  if ((mode_ == TV_RS_SAVE_MODE_RECALCULATE || mode_ == TV_RS_SAVE_MODE_SAME_PRIORITY_TRY) &&
      is_new) {
    throw EAddSchedule(TV_ADD_SCHEDULE_INVALID_PARAMETERS,
                       Format("Save mode is not valid. Mode %s can only be used for existing "
                              "repeating schedules.",
                              SaveModeName(mode_)));
  }
  if (mode_ < TV_RS_SAVE_MODE_LOW_PRIORITY_TRY || mode_ > TV_RS_SAVE_MODE_SAME_PRIORITY_TRY) {
    throw EAddSchedule(TV_ADD_SCHEDULE_INVALID_PARAMETERS,
                       Format("Save mode %d is not valid", static_cast<int32_t>(mode_)));
  }
}

std::unique_ptr<TScheduleWriter> RuleSave::GetScheduler() const {
  try {
    if (!listings_) throw Exception("Scheduler object from listings is nil");
    return std::make_unique<TScheduleWriter>(db_, LineupTunerCount(*db_));
  } catch (const std::exception& e) {
    throw EAddSchedule(TV_ADD_SCHEDULE_LOAD_FAILED,
                       std::string("An error ocurred while trying to get the scheduler object : ") +
                           e.what());
  }
}

// The stored schedules stay out of the conflict analysis; those whose recording is still wanted
// unchanged are taken back with their ids and statuses, the rest are removed at the end.
void RuleSave::SetOldSchedulesAside() {
  std::optional<RuleFields> stored = FindRuleFields(*db_, rule_.id);
  if (!stored) {
    throw EAddSchedule(TV_ADD_SCHEDULE_LOAD_FAILED, "Failed to load existing version of this RS");
  }
  log_.Line(*stored == rule_
                ? "EQUAL : This version of the RS is the same as the previous one, keeping the "
                  "schedules still wanted"
                : "NOT EQUAL : This version of the RS differs from the previous one, rescheduling");
  // A recording in progress stays; its showing will classify as SELF.
  SetRuleSchedulesAside(*db_, rule_.id, /*in_progress_too=*/false, db_->GetEnv()->NowLocal());
  set_aside_ = SetAsideSchedules(db_, rule_.id);
  log_.Fmt("SET ASIDE %d OLD SCHEDULES", set_aside_.Count());
  deleted_showings_ = DeletedShowingsOfRule(*db_, rule_.id);
}

void RuleSave::DropDeletedShowings(std::vector<ComPtr<TTVSchedule>>& candidates) {
  if (deleted_showings_.empty()) return;
  std::erase_if(candidates, [&](const ComPtr<TTVSchedule>& s) {
    if (!deleted_showings_.count(KeyOfShowing(*s))) return false;
    log_.Line("Deleted by the user, not scheduled again : " + s->LogLine());
    return true;
  });
}

void RuleSave::AssignPriority() {
  if (rule_.IsNew() || mode_ == TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE) {
    try {
      TablePtr rows =
          db_->Query("select min( priority ) - 100 , max( priority ) + 100 from repeating_schedules");
      const bool none = rows->Eof() || !rows->Field(0) || !rows->Field(1);
      if (none) {
        rule_.priority = 100000;
      } else {
        rule_.priority = StrToInt(rows->Text(mode_ == TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE ? 1 : 0));
      }
    } catch (const std::exception& e) {
      throw EAddSchedule(TV_ADD_SCHEDULE_LOAD_FAILED,
                         std::string("Failed to get priorities : ") + e.what());
    }
  }
  log_.Fmt("Priority is %d", rule_.priority);
}

std::vector<ComPtr<TTVSchedule>> RuleSave::Candidates() {
  std::vector<ComPtr<TTVSchedule>> candidates;
  if (rule_.IsTimeRule()) {
    candidates = TimeRuleCandidates(db_, rule_, db_->GetEnv()->NowLocal(), log_);
  } else if (rule_.IsSearchRule()) {
    candidates = SearchRuleCandidates(db_, rule_, *listings_, facts_, log_);
  }
  DropDeletedShowings(candidates);
  log_.Line("");
  log_.Line("Removing self conflicts");
  candidates = RemoveSelfConflicts(std::move(candidates), facts_, log_);
  log_.Line("Done removing self conflicts");
  log_.Line("");
  log_.Line(candidates.empty() ? "Found nothing to record" : "Analyzing conflicts");
  return candidates;
}

void RuleSave::AnalyzeConflicts(TScheduleWriter& scheduler,
                                const std::vector<ComPtr<TTVSchedule>>& candidates,
                                TTVRepeatingScheduleResult& result) {
  for (const ComPtr<TTVSchedule>& s : candidates) {
    ScheduleFields probe = s->fields();
    ComPtr<TTVScheduleResult> resolved = scheduler.ResolveConflicts(probe);
    const TV_ADD_SCHEDULE_RESULT code = resolved->Code();
    if (resolved->Ok()) s->fields().tuner_id = probe.tuner_id;
    log_.Fmt("Conflict result is %s for schedule : %s", ResultCodeName(code),
             s->LogLine().c_str());
    TV_CONFLICT_TYPE kind = TV_CONFLICT_NONE;
    if (code == TV_ADD_SCHEDULE_CONFLICT) {
      kind = Classify(s->fields().program_id, resolved->Conflicts());
      log_.Fmt("CONFLICT TYPE = %s", ConflictTypeName(kind));
    } else if (code != TV_ADD_SCHEDULE_OK) {
      kind = TV_CONFLICT_PROBLEM;
    }
    ++kinds_[kind];
    if (kind == TV_CONFLICT_SELF) continue;
    ComPtr<TTVScheduleList> kept;
    if (kind == TV_CONFLICT_HARD || kind == TV_CONFLICT_SOFT) {
      kept = MakeObject<TTVScheduleList>();
      for (const ComPtr<ITVSchedule>& x : resolved->Conflicts().items()) kept->Add(x);
    }
    result.Add(s, kept, kind);
    if (kind != TV_CONFLICT_NONE) result.SetCode(TV_ADD_SCHEDULE_CONFLICT);
  }
}

TV_CONFLICT_TYPE RuleSave::Classify(int32_t program_id, const TTVScheduleList& conflicts) {
  TV_CONFLICT_TYPE worst = TV_CONFLICT_NONE;
  for (const ComPtr<ITVSchedule>& item : conflicts.items()) {
    if (!item) continue;
    const TTVSchedule& x = Own(item);
    log_.Line("  CONFLICT : " + x.LogLine());
    const int32_t x_rule = x.fields().rs_id;
    TV_CONFLICT_TYPE type;
    if ((!rule_.IsNew() && x_rule == rule_.id) ||
        (program_id > 0 && x.fields().program_id == program_id)) {
      type = TV_CONFLICT_SELF;  // the rule's own, or the same showing recorded already
    } else if (x_rule <= 0) {
      type = TV_CONFLICT_HARD;  // a single schedule of something else
    } else {
      auto known = rule_priorities_.find(x_rule);
      if (known == rule_priorities_.end()) {
        std::optional<RuleFields> other = FindRuleFields(*db_, x_rule);
        known = rule_priorities_
                    .emplace(x_rule, other ? std::optional<int32_t>(other->priority) : std::nullopt)
                    .first;
      }
      type = !known->second || *known->second < rule_.priority ? TV_CONFLICT_SOFT
                                                               : TV_CONFLICT_HARD;
    }
    if (Rank(type) > Rank(worst)) worst = type;
  }
  return worst;
}

void RuleSave::KeepAtMost(TTVRepeatingScheduleResult& result) {
  log_.Line("");
  log_.Fmt("KEEP AT MOST IS %d", rule_.keep_at_most);
  const int32_t kept = rule_.IsNew() ? 0 : KeptRecordingsOfRule(rule_.id);
  log_.Fmt("  There are %d KUID recordings in the library", kept);
  int32_t removed = 0;
  while (result.Count() > 0 && result.Count() + kept > rule_.keep_at_most) {
    const int32_t last = result.Count() - 1;
    log_.Line("  Will skip : " + Own(result.Schedule(last)).LogLine());
    result.RemoveAt(last);
    ++removed;
  }
  if (removed > 0) {
    log_.Fmt("REMOVED %d : LEFT %d", removed, result.Count());
    result.RecomputeCode();
  }
  log_.Line("");
}

bool RuleSave::ShouldStop(TTVRepeatingScheduleResult& result) const {
  if (mode_ == TV_RS_SAVE_MODE_LOW_PRIORITY_TRY) return result.Code() != TV_ADD_SCHEDULE_OK;
  if (mode_ != TV_RS_SAVE_MODE_SAME_PRIORITY_TRY || result.Code() == TV_ADD_SCHEDULE_OK) {
    return false;
  }
  if (result.Code() != TV_ADD_SCHEDULE_CONFLICT) return true;
  for (int32_t i = 0; i < result.Count(); ++i) {
    if (result.TypeAt(i) == TV_CONFLICT_HARD || result.TypeAt(i) == TV_CONFLICT_PROBLEM) {
      return true;
    }
  }
  // Only soft conflicts: those candidates are skipped and the rest is saved.
  result.SetCode(TV_ADD_SCHEDULE_OK);
  return false;
}

void RuleSave::LogSummary() {
  log_.Fmt("CONFLICT SUMMARY : NONE  %d : SELF    %d : SOFT   %d : HARD %d : PROBLEM %d",
           kinds_[TV_CONFLICT_NONE], kinds_[TV_CONFLICT_SELF], kinds_[TV_CONFLICT_SOFT],
           kinds_[TV_CONFLICT_HARD], kinds_[TV_CONFLICT_PROBLEM]);
}

void RuleSave::StoreRule() {
  try {
    if (rule_.IsNew()) {
      rule_.id = InsertRuleRow(*db_, rule_);
      log_.Fmt("RS record inserted : id = %d", rule_.id);
    } else {
      UpdateRuleRow(*db_, rule_);
      log_.Line("RS record updated");
    }
  } catch (const std::exception& e) {
    throw EAddSchedule(TV_ADD_SCHEDULE_SAVE_FAILED,
                       "Failed to save repeating schedule record : " + FailureCause(e));
  }
}

void RuleSave::AddSchedules(TScheduleWriter& scheduler, TTVRepeatingScheduleResult& result) {
  if (result.Count() > 0) log_.Line("Inserting schedules");
  for (int32_t i = 0; i < result.Count(); ++i) {
    const TV_CONFLICT_TYPE type = result.TypeAt(i);
    log_.Fmt("Conflict type is %s for schedule : %s", ConflictTypeName(type),
             Own(result.Schedule(i)).LogLine().c_str());
    const bool add =
        type == TV_CONFLICT_NONE || type == TV_CONFLICT_PROBLEM ||
        (type == TV_CONFLICT_SOFT && (mode_ == TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE ||
                                      mode_ == TV_RS_SAVE_MODE_RECALCULATE)) ||
        (type == TV_CONFLICT_HARD && mode_ == TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE);
    if (!add) {
      log_.Line("  SKIPPED");
      ++skipped_;
      DropOldScheduleOfSkipped(scheduler, Own(result.Schedule(i)));
      continue;
    }
    AddEntry(scheduler, result, i);
  }
}

void RuleSave::AddEntry(TScheduleWriter& scheduler, TTVRepeatingScheduleResult& result,
                        int32_t index) {
  const std::string deleted_by =
      mode_ == TV_RS_SAVE_MODE_RECALCULATE ? std::string("System") : rule_.created_by;
  const std::string reason =
      Format("Conflict with repeating recording \"%s\"", rule_.title.c_str());
  for (const ComPtr<ITVSchedule>& x : result.ConflictsAt(index).items()) {
    if (!scheduler.Delete(Own(x).fields().id, deleted_by, reason))
      log_.Line("  Failed to delete conflicting schedule : " + Own(x).LogLine());
  }

  TTVSchedule& s = Own(result.Schedule(index));
  s.fields().rs_id = rule_.id;
  ComPtr<TTVSchedule> old = set_aside_.Take(*db_, s);
  if (old) {  // stored again under its id, with its status and data
    s.fields().id = old->fields().id;
    CheckHResult(s.data().Assign(&old->data()));
  }
  ComPtr<TTVScheduleResult> added = scheduler.Add(s);
  const TV_ADD_SCHEDULE_RESULT code = added->Code();
  const std::string& description = added->Description();
  if (old && code != TV_ADD_SCHEDULE_OK) {
    s.fields().id = -1;
    set_aside_.PutBack(*db_, old);
  }
  if (code == TV_ADD_SCHEDULE_CONFLICT) {
    if (Classify(s.fields().program_id, added->Conflicts()) == TV_CONFLICT_SELF) {
      log_.Line("  SKIPPED - SELF CONFLICT");
      ++skipped_;
      return;
    }
  } else if (code == TV_ADD_SCHEDULE_OK) {
    if (old) {
      log_.Fmt("  KEPT AS #%d", s.fields().id);
      ++kept_;
    } else {
      log_.Line("  ADDED");
      ++added_;
    }
    return;
  }
  log_.Fmt("  ADD FAILED RESULT : %s : %s", ResultCodeName(code), description.c_str());
  if (mode_ != TV_RS_SAVE_MODE_RECALCULATE) throw EAddSchedule(code, description);
  result.SetCode(code);
  ++failed_;
}

// A stored schedule of a showing that now loses its tuner is kept as deleted, with the reason,
// so that the user sees what became of it.
void RuleSave::DropOldScheduleOfSkipped(TScheduleWriter& scheduler, const TTVSchedule& skipped) {
  ComPtr<TTVSchedule> old = set_aside_.TakeAnyOfShowing(skipped);
  if (!old) return;
  log_.Fmt("  DROPPED OLD SCHEDULE #%d", old->fields().id);
  if (!scheduler.Delete(old->fields().id, "System",
                        "Conflict with a recording of equal or higher priority")) {
    log_.Line("  Failed to delete old schedule : " + old->LogLine());
  }
}

}  // namespace

ComPtr<TTVRepeatingScheduleResult> SaveRule(RuleFields& rule, const DBPtr& db,
                                            const ComPtr<ITVListings>& listings,
                                            TV_RS_SAVE_MODE mode, IKestroLog* log, bool preview) {
  const RuleFields before = rule;
  RuleSave save(rule, db, listings, mode, log, preview);
  ComPtr<TTVRepeatingScheduleResult> result = RunScheduleOperation<TTVRepeatingScheduleResult>(
      [&](ComPtr<TTVRepeatingScheduleResult>& out) { save.Run(*out); });
  if (preview) rule = before;
  return result;
}

}  // namespace kestro
