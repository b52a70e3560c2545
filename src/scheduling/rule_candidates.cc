#include "scheduling/rule_candidates.h"

#include <cmath>
#include <cstdarg>
#include <limits>

#include "kestro/interface_reads.h"
#include "kestro/tv_programs.h"
#include "platform/time/date_time.h"
#include "scheduling/schedule_result.h"
#include "support/failure_report.h"

namespace kestro {
namespace {

// The ID that marks an entry for removal in the equality-key reduction.
constexpr int32_t kMarkedForRemoval = std::numeric_limits<int32_t>::min();

// One entry of self-conflict removal.
struct EKCountInfo {
  int32_t id;
  int32_t ek_count;
  ComPtr<TTVSchedule> schedule;
};

// One group of the equality-key reduction.
struct EKGroupInfo {
  std::string ek;
  std::vector<ComPtr<TTVSchedule>> schedules;
  std::vector<TV_CONFLICT_TYPE> conflict_types;
  bool any_first_run = false;
};

// Entries of `working` other than `s` (by ID) whose windows overlap s's, in list order.
std::vector<ComPtr<TTVSchedule>> OverlappingEntries(const TTVSchedule& s,
                                                    const std::vector<ComPtr<TTVSchedule>>& working) {
  std::vector<ComPtr<TTVSchedule>> found;
  const int32_t start = s.fields().StartDbTime(), end = s.fields().EndDbTime();
  for (const ComPtr<TTVSchedule>& other : working) {
    if (other->fields().id == s.fields().id) continue;
    if (DbWindowsOverlap(start, end, other->fields().StartDbTime(), other->fields().EndDbTime())) {
      found.push_back(other);
    }
  }
  return found;
}

int32_t SameEKCount(TTVSchedule& s, const std::vector<ComPtr<TTVSchedule>>& working,
                    ProgramFactsCache& facts) {
  const ProgramFacts* mine = facts.For(s);
  if (!mine || mine->equality_key.empty()) return 0;
  int32_t count = 0;
  for (const ComPtr<TTVSchedule>& other : working) {
    if (other->fields().id == s.fields().id) continue;
    const ProgramFacts* theirs = facts.For(*other);
    if (theirs && theirs->equality_key == mine->equality_key) ++count;
  }
  return count;
}

}  // namespace

// --- RuleLog ----------------------------------------------------------------------------------

void RuleLog::Line(const std::string& line) {
  if (log_) {
    log_->WriteLine(line);
    return;
  }
  if (!debug_) debug_ = std::make_unique<TODSLogger>(env_, "KESTRO:RS");
  debug_->Log(line);
}

void RuleLog::Fmt(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = FormatV(format, args);
  va_end(args);
  Line(line);
}

// --- programmes -------------------------------------------------------------------------------

bool IsFirstRun(ITVProgram* program) noexcept {
  if (!program) return true;
  try {
    OleDate original = 0.0, start = 0.0;
    ComPtr<ITVProgramDetails> details;
    CheckHResult(program->get_Details(details.ReleaseAndGetAddressOf()));
    if (details) CheckHResult(details->get_OriginalAirDate(&original));
    if (std::trunc(original) < 1) return true;
    CheckHResult(program->get_StartTime(&start));
    return std::trunc(start) == std::trunc(original);
  } catch (const std::exception& e) {
    ReportFailure("Reading the original air date of a programme", e);
    return true;
  }
}

void ProgramFactsCache::Remember(int32_t program_id, ITVProgram& program) {
  if (facts_.count(program_id)) return;
  ProgramFacts f;
  CheckHResult(program.get_EqualityKey(&f.equality_key));
  f.program = ComPtr<ITVProgram>(&program);
  facts_.emplace(program_id, std::move(f));
}

bool ProgramFacts::FirstRun() {
  if (first_run_ < 0) first_run_ = IsFirstRun(program.Get()) ? 1 : 0;
  return first_run_ == 1;
}

ProgramFacts* ProgramFactsCache::For(TTVSchedule& schedule) {
  const int32_t program_id = schedule.fields().program_id;
  if (program_id <= 0) return nullptr;
  auto found = facts_.find(program_id);
  if (found != facts_.end()) return &found->second;
  ComPtr<TTableTVProgram> program = schedule.Program();
  if (!program) return nullptr;
  Remember(program_id, *program);
  return &facts_.at(program_id);
}

// --- candidates -------------------------------------------------------------------------------

ComPtr<TTVSchedule> MakeCandidate(const DBPtr& db, const RuleFields& rule) {
  ComPtr<TTVSchedule> s = MakeObject<TTVSchedule>(db);
  ScheduleFields& f = s->fields();
  f.soft_padding_before = rule.soft_padding_before;
  f.soft_padding_after = rule.soft_padding_after;
  f.hard_padding_before = rule.hard_padding_before;
  f.hard_padding_after = rule.hard_padding_after;
  f.created_by = rule.created_by;
  f.keep_until = rule.keep_until;
  f.quality = rule.quality;
  f.folder = rule.folder;
  f.rs_id = rule.id;
  f.delete_on_conflict = false;
  f.wake_up = true;
  return s;
}

std::vector<ComPtr<TTVSchedule>> TimeRuleCandidates(const DBPtr& db, const RuleFields& rule,
                                                    OleDate now, RuleLog& log) {
  std::vector<ComPtr<TTVSchedule>> candidates;
  const OleDate today = DateOf(now);
  for (int day = 0; day < 15; ++day) {
    const OleDate date = today + day;
    if (!FrequencyMatchesDay(rule.frequency, IsoDayOfWeek(date))) continue;
    ComPtr<TTVSchedule> s = MakeCandidate(db, rule);
    ScheduleFields& f = s->fields();
    f.title = rule.title;
    f.channel_id = rule.channel_id;
    f.start_time = date + rule.start_time - rule.hard_padding_before * kOneSecond;
    // A window that does not end after it starts ends on the next day.
    const OleDate end_date = rule.start_time < rule.end_time ? date : OleDate(date + 1);
    f.end_time = end_date + rule.end_time + rule.hard_padding_after * kOneSecond;
    if (s->ElapsedAt(now)) continue;
    log.Line("Added schedule : " + s->LogLine());
    candidates.push_back(std::move(s));
  }
  return candidates;
}

std::vector<ComPtr<TTVSchedule>> SearchRuleCandidates(const DBPtr& db, const RuleFields& rule,
                                                      ITVListings& listings,
                                                      ProgramFactsCache& facts, RuleLog& log) {
  std::string error;
  ComPtr<ITVProgramList> found;
  CheckHResult(listings.CustomSearch(rule.search_criteria, &error, found.ReleaseAndGetAddressOf()));
  const std::vector<ComPtr<ITVProgram>> programs = ListItems(found.Get());
  if (programs.empty() && !error.empty()) {
    throw EAddSchedule(
        TV_ADD_SCHEDULE_LOAD_FAILED,
        "There was an error executing the search for this repeating schedule : " + error);
  }
  std::vector<ComPtr<TTVSchedule>> candidates;
  for (const ComPtr<ITVProgram>& program : programs) {
    if (!program) continue;
    bool over = false;
    CheckHResult(program->IsOver(&over));
    if (over) continue;
    ComPtr<TTVSchedule> s = MakeCandidate(db, rule);
    ScheduleFields& f = s->fields();
    CheckHResult(program->get_ChannelID(&f.channel_id));
    if (rule.channel_id > 0 && f.channel_id != rule.channel_id) continue;
    OleDate start = 0.0, end = 0.0;
    CheckHResult(program->get_Title(&f.title));
    CheckHResult(program->get_ID(&f.program_id));
    CheckHResult(program->get_StartTime(&start));
    CheckHResult(program->get_EndTime(&end));
    f.start_time = start - rule.hard_padding_before * kOneSecond;
    f.end_time = end + rule.hard_padding_after * kOneSecond;
    facts.Remember(f.program_id, *program);
    log.Line("Added schedule : " + s->LogLine());
    candidates.push_back(std::move(s));
  }
  return candidates;
}

// --- self conflicts ---------------------------------------------------------------------------

std::vector<ComPtr<TTVSchedule>> RemoveSelfConflicts(std::vector<ComPtr<TTVSchedule>> candidates,
                                                     ProgramFactsCache& facts, RuleLog& log) {
  int32_t next_id = -1;
  for (const ComPtr<TTVSchedule>& s : candidates) s->fields().id = next_id--;
  std::vector<ComPtr<TTVSchedule>> working = candidates;

  for (const ComPtr<TTVSchedule>& s : candidates) {
    if (s->fields().id == 0) continue;
    std::vector<ComPtr<TTVSchedule>> conflicts = OverlappingEntries(*s, working);
    if (conflicts.empty()) continue;
    log.Fmt("HAS SELF CONFLICT WITH %d OTHERS : %s", static_cast<int32_t>(conflicts.size()),
            s->LogLine().c_str());

    std::vector<EKCountInfo> entries;
    entries.push_back({s->fields().id, SameEKCount(*s, working, facts), s});
    for (const ComPtr<TTVSchedule>& c : conflicts) {
      entries.push_back({c->fields().id, SameEKCount(*c, working, facts), c});
    }
    // Stable: equal counts keep their order, so s stays ahead of an equal conflict.
    for (size_t pass = 0; pass + 1 < entries.size(); ++pass) {
      for (size_t i = 0; i + 1 < entries.size() - pass; ++i) {
        if (entries[i].ek_count > entries[i + 1].ek_count) std::swap(entries[i], entries[i + 1]);
      }
    }
    for (size_t i = entries.size(); i-- > 0;) {
      log.Fmt("  SAME EK COUNT = %d : %s", entries[i].ek_count,
              entries[i].schedule->LogLine().c_str());
    }
    for (size_t i = entries.size(); i-- > 1;) {
      auto at = std::find(working.begin(), working.end(), entries[i].schedule);
      if (at == working.end()) continue;
      log.Line("  WILL NOT RECORD " + entries[i].schedule->LogLine());
      entries[i].schedule->fields().id = 0;
      working.erase(at);
    }
  }
  for (const ComPtr<TTVSchedule>& s : working) s->fields().id = -1;
  return working;
}

// --- equality keys ----------------------------------------------------------------------------

void ReduceByEqualityKey(TTVRepeatingScheduleResult& result, const RuleFields& rule,
                         const RecordedKeys* recorded, ProgramFactsCache& facts, RuleLog& log) {
  // The result's entries are the save's own candidates, all made by MakeCandidate.
  std::vector<EKGroupInfo> groups;
  for (int32_t i = 0; i < result.Count(); ++i) {
    auto* schedule = static_cast<TTVSchedule*>(result.Schedule(i).Get());
    ProgramFacts* f = facts.For(*schedule);
    if (!f || f->equality_key.empty()) continue;
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&](const EKGroupInfo& g) { return g.ek == f->equality_key; });
    if (group == groups.end()) group = groups.insert(groups.end(), EKGroupInfo{f->equality_key, {}, {}, false});
    group->schedules.emplace_back(schedule);
    group->conflict_types.push_back(result.TypeAt(i));
    group->any_first_run = group->any_first_run || f->FirstRun();
  }

  log.Line("");
  log.Line("EQUALITY KEY REDUCTION");
  if (groups.empty()) {
    log.Line("  no EK groups created");
    log.Line("");
    return;
  }
  for (size_t k = 0; k < groups.size(); ++k) {
    const EKGroupInfo& g = groups[k];
    log.Fmt("  GROUP %d : ANY FIRST RUN = %s : EK = \"%s\"", static_cast<int32_t>(k),
            g.any_first_run ? "True" : "False", g.ek.c_str());
    for (size_t j = 0; j < g.schedules.size(); ++j) {
      log.Fmt("      %d : %s : %s", static_cast<int32_t>(j), ConflictTypeName(g.conflict_types[j]),
              g.schedules[j]->LogLine().c_str());
    }
  }
  log.Line("");

  for (size_t k = 0; k < groups.size(); ++k) {
    EKGroupInfo& g = groups[k];
    const auto group = static_cast<int32_t>(k);
    size_t keep = g.schedules.size();  // none kept unless set below
    if (recorded && recorded->count(g.ek)) {
      log.Fmt("  GROUP %d : EK found in previously recorded list, removing all schedules", group);
    } else if (rule.repeats == TV_REPEATS_FIRST_RUN_ONLY && !g.any_first_run) {
      log.Fmt("  GROUP %d : This RS is for first runs only and none of the schedules in this "
              "group are first runs.",
              group);
    } else {
      auto usable = std::find_if(g.conflict_types.begin(), g.conflict_types.end(),
                                 [](TV_CONFLICT_TYPE t) {
                                   return t == TV_CONFLICT_NONE || t == TV_CONFLICT_SOFT;
                                 });
      if (usable == g.conflict_types.end()) {
        log.Fmt("  GROUP %d : Unable to find any schedules without conflicts, will do nothing "
                "with this group",
                group);
        continue;
      }
      keep = static_cast<size_t>(usable - g.conflict_types.begin());
      log.Fmt("  GROUP %d : will record only : %s", group, g.schedules[keep]->LogLine().c_str());
    }
    for (size_t j = 0; j < g.schedules.size(); ++j) {
      if (j != keep) g.schedules[j]->fields().id = kMarkedForRemoval;
    }
  }

  int32_t removed = 0;
  for (int32_t i = result.Count(); i-- > 0;) {
    auto* schedule = static_cast<TTVSchedule*>(result.Schedule(i).Get());
    if (schedule->fields().id == kMarkedForRemoval) {
      result.RemoveAt(i);
      ++removed;
    }
  }
  if (removed > 0) result.RecomputeCode();
  log.Fmt("EQUALITY KEY REDUCTION FINISHED : %d schedules removed", removed);
  log.Line("");
}

}  // namespace kestro
