// The building blocks of a repeating-schedule save: the save's log, the candidate schedules a
// rule produces, the removal of candidates that collide with each other, and the reduction of
// candidates that show the same programme more than once.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "kestro/host.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_programs.h"
#include "platform/text/text.h"
#include "scheduling/rule_result.h"
#include "scheduling/rule_store.h"
#include "scheduling/tv_schedule.h"
#include "support/logger.h"

namespace kestro {

// Where the lines of a save go: the caller's log, one call per line, or the debug output with
// the prefix "KESTRO:RS" (made on first use, its headers timed by `env`).
class RuleLog {
 public:
  RuleLog(IKestroLog* log, std::shared_ptr<Env> env) : log_(log), env_(std::move(env)) {}
  void Line(const std::string& line);
  void Fmt(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  ComPtr<IKestroLog> log_;
  std::shared_ptr<Env> env_;
  std::unique_ptr<ILogger> debug_;
};

// What a save needs to know of a candidate's programme, read once per programme.
struct ProgramFacts {
  std::string equality_key;
  ComPtr<ITVProgram> program;
  // The first-run test needs the programme's details: made on first use.
  bool FirstRun();

 private:
  int first_run_ = -1;
};

class ProgramFactsCache {
 public:
  explicit ProgramFactsCache(DBPtr db) : db_(std::move(db)) {}
  void Remember(int32_t program_id, ITVProgram& program);
  // The facts of the schedule's programme; null when it has none (or it is gone).
  ProgramFacts* For(TTVSchedule& schedule);

 private:
  DBPtr db_;
  std::unordered_map<int32_t, ProgramFacts> facts_;
};

// True when there is no programme, when its original air date is unknown (whole-day part < 1)
// or when it airs on that day. Never fails: an error counts as a first run.
bool IsFirstRun(ITVProgram* program) noexcept;

// A new candidate with the rule's paddings, owner, keep-until, quality, folder and rule id.
ComPtr<TTVSchedule> MakeCandidate(const DBPtr& db, const RuleFields& rule);

// The candidates of a time rule: the windows of the 15 days from today's date whose weekday the
// frequency takes in, except those already over.
std::vector<ComPtr<TTVSchedule>> TimeRuleCandidates(const DBPtr& db, const RuleFields& rule,
                                                    OleDate now, RuleLog& log);

// The candidates of a search rule: every programme the custom search finds that is not over
// (only the rule's channel when it names one). Throws EAddSchedule TV_ADD_SCHEDULE_LOAD_FAILED
// when the search reports an error and finds nothing.
std::vector<ComPtr<TTVSchedule>> SearchRuleCandidates(const DBPtr& db, const RuleFields& rule,
                                                      ITVListings& listings,
                                                      ProgramFactsCache& facts, RuleLog& log);

// Of candidates that collide with each other, keeps the one whose programme the other
// candidates show least often. Returns the survivors (each with ID -1), in order.
std::vector<ComPtr<TTVSchedule>> RemoveSelfConflicts(std::vector<ComPtr<TTVSchedule>> candidates,
                                                     ProgramFactsCache& facts, RuleLog& log);

// Case-insensitive set of equality keys already recorded.
struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return CompareText(a, b) < 0;
  }
};
using RecordedKeys = std::set<std::string, CaseInsensitiveLess>;

// Keeps one showing per programme (by equality key) among the result's entries: none when the
// key was recorded before or, for first-run-only rules, when no showing is a first run;
// otherwise the first one without a hard conflict or problem. `recorded` may be null.
void ReduceByEqualityKey(TTVRepeatingScheduleResult& result, const RuleFields& rule,
                         const RecordedKeys* recorded, ProgramFactsCache& facts, RuleLog& log);

}  // namespace kestro
