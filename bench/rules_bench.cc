// Repeating schedules on a large lineup: 500 channels × 14 days (about 150,000 programmes saved
// the way an import saves them), 4 tuners, 100 search rules (exact titles, title prefixes that
// match a dozen shows, prime-time and single-channel searches, some first-run-only or without
// duplicates) and 20 time rules, every rule saved once before the timings.
//
//   cmake -S . -B build-rules-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRO_BUILD_BENCH=ON
//   ninja -C build-rules-bench rules_bench
//   build-rules-bench/bench/rules_bench [--guide=/path/rules.dat] [--benchmark_filter=Save]
//
//   SaveNewRule/0..2       a new title rule saved in LOW_PRIORITY_TRY, LOW_PRIORITY_SAVE and
//                          HIGH_PRIORITY_SAVE (undone untimed after each round; the high-priority
//                          save runs inside an outer transaction rolled back afterwards, so its
//                          own commit is not written)
//   SaveBroadNewRule       a new title-prefix rule (a dozen shows), LOW_PRIORITY_SAVE
//   SaveStoredRule/3..4    the stored exact-title rule of middle priority saved in RECALCULATE
//                          and SAME_PRIORITY_TRY
//   Prioritize             PrioritizeRepeatingSchedules over all 120 rules (the order reversed in
//                          every round)
//   RefreshAll             every rule saved in RECALCULATE in priority order, as an import's
//                          finalization refreshes them
// Goals: a single save under 100 ms, the whole re-prioritization under 10 s.
// --guide keeps the guide with its rules in that file (made when missing) for the next run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench_folders.h"
#include "core/registry_info.h"
#include "import/import_system.h"
#include "kestro/com_object.h"
#include "kestro/host_type_library.h"
#include "listings/listings_object.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/open_listings.h"
#include "support/logger.h"

namespace kestro {
namespace {

constexpr int kChannels = 500;
constexpr int kDays = 14;
constexpr int kTuners = 4;
constexpr int kShows = 1200;
constexpr int kRotation = 18;  // shows a channel airs in turn
constexpr int kSearchRules = 100;
constexpr int kTimeRules = 20;

// Monday 3 March 2025: the guide starts at midnight; "now" is noon of that day.
OleDate GuideStart() { return EncodeDate(2025, 3, 3); }
OleDate Now() { return GuideStart() + 0.5; }

std::string g_dir;    // the run's folder: registry, tuner configuration, guides
std::shared_ptr<Env> g_env;  // its clock stands at Now()
std::string g_guide;  // --guide: where the prepared guide is kept between runs

// The module configuration of the run: kTuners tuners for lineup 1; the clock at Now().
void Configure() {
  g_dir = bench::UseBenchFolders("kestro-rules-bench", kTuners);
  g_env = bench::EnvAt(Now());
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// --- the guide ---------------------------------------------------------------------------------

// Show titles are two invented words; 100 first words make title prefixes that each match about
// a dozen shows.
struct Show {
  std::string title;
  std::string first_word;
  int minutes;
};

std::vector<Show> MakeShows(std::mt19937& rng) {
  static const char* kSyllables[] = {"ka", "lo", "mi", "ter", "an", "dor", "vel", "si",
                                     "ra", "nu", "pe", "gra", "tho", "lin", "mar", "os"};
  auto word = [&](int syllables) {
    std::string w;
    for (int i = 0; i < syllables; ++i) w += kSyllables[rng() % std::size(kSyllables)];
    w[0] = static_cast<char>(w[0] - 'a' + 'A');
    return w;
  };
  std::set<std::string> firsts_seen, titles_seen;
  std::vector<std::string> firsts, seconds;
  while (firsts.size() < 100)
    if (std::string w = word(3); firsts_seen.insert(w).second) firsts.push_back(w);
  for (int i = 0; i < 60; ++i) seconds.push_back(word(2));
  static const int kMinutes[] = {30, 30, 60, 60, 60, 90, 120};
  std::vector<Show> shows;
  while (shows.size() < kShows) {
    const std::string& first = firsts[rng() % firsts.size()];
    std::string title = first + " " + seconds[rng() % seconds.size()];
    if (!titles_seen.insert(title).second) continue;
    shows.push_back({title, first, kMinutes[rng() % std::size(kMinutes)]});
  }
  return shows;
}

// Which shows each channel airs, in turn.
std::vector<std::vector<int>> MakeRotations(std::mt19937& rng) {
  std::vector<std::vector<int>> rotations(kChannels);
  for (auto& rotation : rotations)
    for (int i = 0; i < kRotation; ++i) rotation.push_back(static_cast<int>(rng() % kShows));
  return rotations;
}

std::string ChannelExternalID(int c) { return Format("ch%d.rules.example", c + 1); }

// Imports the guide as an import run does: channels, then every programme through
// ITVNewProgram. An episode airs three times on its channel and only its first airing is a first
// run; the same episode may air on other channels too (same equality key).
void ImportGuide(const std::string& file, const std::vector<Show>& shows,
                 const std::vector<std::vector<int>>& rotations) {
  const auto started = std::chrono::steady_clock::now();
  std::vector<std::string> log;
  ComPtr<TTVListingsImportSystem> run = MakeObject<TTVListingsImportSystem>(
      file, 1, g_env, std::make_shared<TStringsLogger>(g_env, log), nullptr, g_dir + "/temp/");
  run->BeginSaving();
  ComPtr<ITVNewChannel> channel;
  run->NewChannel(channel.ReleaseAndGetAddressOf());
  for (int c = 0; c < kChannels; ++c) {
    channel->Clear();
    channel->put_ExternalID(ChannelExternalID(c));
    channel->put_Number(c + 1);
    channel->put_ShortName(Format("C%d", c + 1));
    TV_CHANNEL_SAVE_RESULT result;
    channel->Save(&result);
  }
  ComPtr<ITVNewProgram> program;
  run->NewProgram(program.ReleaseAndGetAddressOf());
  int64_t saved = 0, failed = 0;
  const int64_t guide_end = OleDateToMillis(GuideStart() + kDays);
  for (int c = 0; c < kChannels; ++c) {
    std::map<int, int> airings;  // per show on this channel
    int64_t start = OleDateToMillis(GuideStart()) - 30 * 60 * 1000;
    for (int slot = 0; start < guide_end; ++slot) {
      const int s = rotations[c][static_cast<size_t>(slot % kRotation)];
      const Show& show = shows[static_cast<size_t>(s)];
      const int64_t end = start + show.minutes * 60 * 1000;
      const int airing = airings[s]++;
      ITVNewProgram& p = *program;
      p.Clear();
      p.put_ChannelExternalID(ChannelExternalID(c));
      p.put_StartTime(MillisToOleDate(start));
      p.put_EndTime(MillisToOleDate(end));
      p.put_Title(show.title);
      p.put_Subtitle(Format("Episode %d", airing / 3 + 1));
      p.put_EqualityKey(Format("EP%05d.%04d", s, airing / 3));
      p.put_OriginalAirDate(airing % 3 == 0 ? DateOf(MillisToOleDate(start))
                                            : OleDate(GuideStart() - 30));
      p.put_ProgramType("EP");
      TV_PROGRAM_SAVE_RESULT result = TV_PROGRAM_SAVE_FAILED;
      p.Save(&result);
      ++(result == TV_PROGRAM_SAVE_OK ? saved : failed);
      start = end;
    }
  }
  run->CommitSaving();
  std::printf("Imported the guide: %lld programmes on %d channels (%lld failed) in %.1f s\n",
              static_cast<long long>(saved), kChannels, static_cast<long long>(failed),
              SecondsSince(started));
}

// --- rules -------------------------------------------------------------------------------------

// An IKestroLog that only counts the lines a save writes, so the timings include making them.
class TCountingLog : public DispatchObject<IKestroLog> {
 public:
  TCountingLog() : DispatchObject<IKestroLog>(HostTypeLibrary()) {}
  HRESULT WriteLine(const std::string& line) override {
    ++lines_;
    return S_OK;
  }
  int64_t Lines() const { return lines_; }

 private:
  int64_t lines_ = 0;
};

ComPtr<ITVRepeatingSchedule> NewSearchRule(ITVScheduler& scheduler, const std::string& query,
                                           const std::string& title) {
  ComPtr<ITVRepeatingSchedule> rule;
  scheduler.CreateRepeatingSchedule(rule.ReleaseAndGetAddressOf());
  rule->put_RSType(TV_RS_TYPE_SEARCH);
  rule->put_SearchCriteria(query);
  rule->put_Title(title);
  rule->put_CreatedBy("bench");
  return rule;
}

TV_ADD_SCHEDULE_RESULT CodeOf(ITVRepeatingScheduleResult* result) {
  TV_ADD_SCHEDULE_RESULT code = TV_ADD_SCHEDULE_CORRUPTION;
  if (result) result->get_Code(&code);
  return code;
}

int32_t EntriesOf(ITVRepeatingScheduleResult* result) {
  ComPtr<ITVScheduleList> list;
  int32_t count = 0;
  if (result && Succeeded(result->get_Schedules(list.ReleaseAndGetAddressOf())) && list)
    list->get_Count(&count);
  return count;
}

// The shows the rules of the prepared guide record, and two that no rule records (about as
// often aired as the typical show) for the new-rule timings.
struct RulePlan {
  std::vector<int> exact_titles;
  int typical_free_show = -1;
  std::string broad_prefix;
};

RulePlan PlanRules(std::mt19937& rng, const std::vector<Show>& shows,
                   const std::vector<std::vector<int>>& rotations) {
  std::map<int, int> channels_airing;
  for (const auto& rotation : rotations)
    for (int s : std::set<int>(rotation.begin(), rotation.end())) ++channels_airing[s];
  std::vector<int> aired;
  for (const auto& [s, n] : channels_airing) aired.push_back(s);
  std::shuffle(aired.begin(), aired.end(), rng);
  RulePlan plan;
  plan.exact_titles.assign(aired.begin(), aired.begin() + 95);
  // The median show among those left.
  std::vector<int> rest(aired.begin() + 95, aired.end());
  std::sort(rest.begin(), rest.end(),
            [&](int a, int b) { return channels_airing[a] < channels_airing[b]; });
  plan.typical_free_show = rest[rest.size() / 2];
  plan.broad_prefix = shows[static_cast<size_t>(rest.back())].first_word;
  return plan;
}

// Saves the 120 rules in LOW_PRIORITY_SAVE, one after the other, as a user adds them.
void AddRules(ITVScheduler& scheduler, const RulePlan& plan, const std::vector<Show>& shows,
              const std::vector<std::vector<int>>& rotations, std::mt19937& rng) {
  const auto started = std::chrono::steady_clock::now();
  std::vector<ComPtr<ITVRepeatingSchedule>> rules;
  for (int i = 0; i < kSearchRules; ++i) {
    const Show& show = shows[static_cast<size_t>(plan.exact_titles[static_cast<size_t>(i % 95)])];
    std::string query = "title " + UnicodeLower(show.title), title = show.title;
    if (i >= 95) {
      title = shows[rng() % shows.size()].first_word + "*";
      query = "title " + UnicodeLower(title);
    } else if (i % 19 == 3) {
      query += "\nstart-time >= 20:00";
    }
    ComPtr<ITVRepeatingSchedule> rule = NewSearchRule(scheduler, query, title);
    if (i % 19 == 7) {  // one channel that airs the show
      for (int c = 0; c < kChannels; ++c)
        if (std::count(rotations[c].begin(), rotations[c].end(), plan.exact_titles[i % 95])) {
          rule->put_ChannelID(c + 1);
          break;
        }
    }
    if (i % 10 == 1) rule->put_Repeats(TV_REPEATS_FIRST_RUN_ONLY);
    if (i % 20 == 5) rule->put_Duplicates(TV_DUPLICATES_NONE);
    if (i % 25 == 9) rule->put_KeepAtMost(5);
    if (i % 2) {
      rule->put_HardPaddingBefore(60);
      rule->put_HardPaddingAfter(180);
    }
    rules.push_back(rule);
  }
  static const char* kFrequencies[] = {"every-day", "week-day", "week-end", "mon", "fri", "sat"};
  for (int i = 0; i < kTimeRules; ++i) {
    ComPtr<ITVRepeatingSchedule> rule;
    scheduler.CreateRepeatingSchedule(rule.ReleaseAndGetAddressOf());
    rule->put_RSType(TV_RS_TYPE_TIME);
    rule->put_ChannelID(static_cast<int32_t>(rng() % kChannels) + 1);
    const int hour = 18 + static_cast<int>(rng() % 6);
    rule->put_StartTime(EncodeTime(hour, 0, 0, 0));
    rule->put_EndTime(EncodeTime((hour + 1) % 24, 0, 0, 0));
    rule->put_Frequency(kFrequencies[i % std::size(kFrequencies)]);
    rule->put_Title(Format("Time rule %d", i + 1));
    rule->put_CreatedBy("bench");
    rules.push_back(rule);
  }
  std::map<TV_ADD_SCHEDULE_RESULT, int> codes;
  for (const auto& rule : rules) {
    ComPtr<ITVRepeatingScheduleResult> result;
    rule->Save(TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE, nullptr, result.ReleaseAndGetAddressOf());
    ++codes[CodeOf(result.Get())];
  }
  ComPtr<ITVScheduleList> schedules;
  scheduler.GetSchedules(schedules.ReleaseAndGetAddressOf());
  int32_t count = 0;
  schedules->get_Count(&count);
  std::printf("Saved %zu rules (%d OK, %d CONFLICT, %zu other) with %d schedules in %.1f s\n",
              rules.size(), codes[TV_ADD_SCHEDULE_OK], codes[TV_ADD_SCHEDULE_CONFLICT],
              rules.size() - codes[TV_ADD_SCHEDULE_OK] - codes[TV_ADD_SCHEDULE_CONFLICT], count,
              SecondsSince(started));
}

std::vector<Show> g_shows;
RulePlan g_plan;

// The guide with its rules, made once per run (or kept in --guide).
const std::string& PreparedGuide() {
  static const std::string file = [] {
    const std::string path = g_guide.empty() ? g_dir + "/prepared.dat" : g_guide;
    std::mt19937 rng(20250303);
    g_shows = MakeShows(rng);
    const std::vector<std::vector<int>> rotations = MakeRotations(rng);
    g_plan = PlanRules(rng, g_shows, rotations);
    if (std::filesystem::exists(path)) return path;
    ImportGuide(path, g_shows, rotations);
    ComPtr<TTVListings> listings = OpenListings(path, 1, g_env);
    ComPtr<ITVScheduler> scheduler;
    listings->GetScheduler(scheduler.ReleaseAndGetAddressOf());
    AddRules(*scheduler, g_plan, g_shows, rotations, rng);
    return path;
  }();
  return file;
}

// A copy of the prepared guide for one benchmark, with its listings and scheduler.
class Lineup {
 public:
  Lineup() {
    const std::string& prepared = PreparedGuide();
    file_ = g_dir + "/work.dat";
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(file_ + suffix);
    std::filesystem::copy_file(prepared, file_);
    listings_ = OpenListings(file_, 1, g_env);
    listings_->GetScheduler(scheduler_.ReleaseAndGetAddressOf());
  }
  ITVScheduler& scheduler() { return *scheduler_; }
  IDB& db() { return *listings_->DB(); }

  std::vector<int32_t> RuleIDsByPriority() {
    ComPtr<ITVRepeatingScheduleList> list;
    scheduler_->GetRepeatingSchedules(list.ReleaseAndGetAddressOf());
    std::vector<int32_t> ids;
    int32_t count = 0;
    list->get_Count(&count);
    for (int32_t i = 0; i < count; ++i) {
      ComPtr<ITVRepeatingSchedule> rule;
      list->get_Items(i, rule.ReleaseAndGetAddressOf());
      int32_t id = 0;
      rule->get_ID(&id);
      ids.push_back(id);
    }
    return ids;
  }
  int32_t LiveSchedules() {
    return db().QueryInt("select count(*) from schedules where deleted = 0");
  }

 private:
  std::string file_;
  ComPtr<TTVListings> listings_;
  ComPtr<ITVScheduler> scheduler_;
};

void Require(bool ok, benchmark::State& state, const char* what) {
  if (!ok) state.SkipWithError(what);
}

// Times one save of a new rule per round; the rule is removed again untimed.
void SaveNewRule(benchmark::State& state, const std::string& query, TV_RS_SAVE_MODE mode) {
  Lineup lineup;
  ComPtr<TCountingLog> log = MakeObject<TCountingLog>();
  int32_t entries = 0;
  TV_ADD_SCHEDULE_RESULT code = TV_ADD_SCHEDULE_OK;
  for (auto _ : state) {
    state.PauseTiming();
    ComPtr<ITVRepeatingSchedule> rule = NewSearchRule(lineup.scheduler(), query, "New rule");
    const bool outer = mode == TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE;
    if (outer) lineup.db().BeginTransaction();
    state.ResumeTiming();
    ComPtr<ITVRepeatingScheduleResult> result;
    rule->Save(mode, log.Get(), result.ReleaseAndGetAddressOf());
    state.PauseTiming();
    code = CodeOf(result.Get());
    entries = EntriesOf(result.Get());
    Require(code == TV_ADD_SCHEDULE_OK || code == TV_ADD_SCHEDULE_CONFLICT, state, "save failed");
    if (outer) {
      lineup.db().Rollback();
    } else {
      int32_t id = 0;
      rule->get_ID(&id);
      bool deleted = false;
      if (id > 0)
        lineup.scheduler().DeleteRepeatingSchedule(id, "", kPurgeScheduleReason, &deleted);
    }
    state.ResumeTiming();
  }
  state.counters["candidates"] = entries;
  state.counters["conflict"] = code == TV_ADD_SCHEDULE_CONFLICT;
  state.counters["log_lines"] =
      benchmark::Counter(static_cast<double>(log->Lines()), benchmark::Counter::kAvgIterations);
}

void BM_SaveNewRule(benchmark::State& state) {
  PreparedGuide();
  const Show& show = g_shows[static_cast<size_t>(g_plan.typical_free_show)];
  SaveNewRule(state, "title " + UnicodeLower(show.title),
              static_cast<TV_RS_SAVE_MODE>(state.range(0)));
}
BENCHMARK(BM_SaveNewRule)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_SaveBroadNewRule(benchmark::State& state) {
  PreparedGuide();
  SaveNewRule(state, "title " + UnicodeLower(g_plan.broad_prefix) + "*",
              TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
}
BENCHMARK(BM_SaveBroadNewRule)->Unit(benchmark::kMillisecond)->Iterations(3);

// The stored exact-title rule of middle priority saved again: RECALCULATE gives the same
// schedules every round; SAME_PRIORITY_TRY stops on a hard conflict and then changes nothing.
void BM_SaveStoredRule(benchmark::State& state) {
  Lineup lineup;
  std::vector<int32_t> exact_title_rules;
  for (int32_t id : lineup.RuleIDsByPriority()) {
    ComPtr<ITVRepeatingSchedule> rule;
    lineup.scheduler().FindRepeatingSchedule(id, rule.ReleaseAndGetAddressOf());
    std::string criteria;
    int32_t channel = 0;
    rule->get_SearchCriteria(&criteria);
    rule->get_ChannelID(&channel);
    if (!criteria.empty() && channel == 0 && criteria.find_first_of("\n*") == std::string::npos)
      exact_title_rules.push_back(id);
  }
  const int32_t id = exact_title_rules[exact_title_rules.size() / 2];
  ComPtr<TCountingLog> log = MakeObject<TCountingLog>();
  int32_t entries = 0;
  TV_ADD_SCHEDULE_RESULT code = TV_ADD_SCHEDULE_OK;
  for (auto _ : state) {
    state.PauseTiming();
    ComPtr<ITVRepeatingSchedule> rule;
    lineup.scheduler().FindRepeatingSchedule(id, rule.ReleaseAndGetAddressOf());
    state.ResumeTiming();
    ComPtr<ITVRepeatingScheduleResult> result;
    rule->Save(static_cast<TV_RS_SAVE_MODE>(state.range(0)), log.Get(),
               result.ReleaseAndGetAddressOf());
    state.PauseTiming();
    code = CodeOf(result.Get());
    entries = EntriesOf(result.Get());
    Require(code == TV_ADD_SCHEDULE_OK || code == TV_ADD_SCHEDULE_CONFLICT, state, "save failed");
    state.ResumeTiming();
  }
  state.counters["candidates"] = entries;
  state.counters["conflict"] = code == TV_ADD_SCHEDULE_CONFLICT;
}
BENCHMARK(BM_SaveStoredRule)->DenseRange(3, 4)->Unit(benchmark::kMillisecond);

void BM_Prioritize(benchmark::State& state) {
  Lineup lineup;
  std::vector<int32_t> ids = lineup.RuleIDsByPriority();
  for (auto _ : state) {
    state.PauseTiming();
    std::reverse(ids.begin(), ids.end());
    std::vector<Variant> items(ids.begin(), ids.end());
    Variant array(SafeArray::Vector(std::move(items)));
    state.ResumeTiming();
    std::string error;
    ComPtr<ITVRSPrioritizeResult> results;
    bool ok = false;
    lineup.scheduler().PrioritizeRepeatingSchedules(array, &error,
                                                    results.ReleaseAndGetAddressOf(), &ok);
    state.PauseTiming();
    if (!ok) std::printf("Prioritize failed: %s\n", error.c_str());
    Require(ok, state, "prioritize failed");
    state.ResumeTiming();
  }
  state.counters["rules"] = static_cast<double>(ids.size());
  state.counters["schedules"] = lineup.LiveSchedules();
}
BENCHMARK(BM_Prioritize)->Unit(benchmark::kMillisecond)->Iterations(2);

// Every rule saved in RECALCULATE from the highest priority down, as an import's finalization
// refreshes them after new listings arrived.
void BM_RefreshAll(benchmark::State& state) {
  Lineup lineup;
  ComPtr<TCountingLog> log = MakeObject<TCountingLog>();
  int failed = 0;
  for (auto _ : state) {
    ComPtr<ITVRepeatingScheduleList> list;
    lineup.scheduler().GetRepeatingSchedules(list.ReleaseAndGetAddressOf());
    int32_t count = 0;
    list->get_Count(&count);
    for (int32_t i = 0; i < count; ++i) {
      ComPtr<ITVRepeatingSchedule> rule;
      list->get_Items(i, rule.ReleaseAndGetAddressOf());
      ComPtr<ITVRepeatingScheduleResult> result;
      rule->Save(TV_RS_SAVE_MODE_RECALCULATE, log.Get(), result.ReleaseAndGetAddressOf());
      const TV_ADD_SCHEDULE_RESULT code = CodeOf(result.Get());
      failed += code != TV_ADD_SCHEDULE_OK && code != TV_ADD_SCHEDULE_CONFLICT;
    }
  }
  Require(failed == 0, state, "a rule failed to save");
  state.counters["schedules"] = lineup.LiveSchedules();
  state.counters["log_lines"] =
      benchmark::Counter(static_cast<double>(log->Lines()), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RefreshAll)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace kestro

int main(int argc, char** argv) {
  kestro::Configure();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--guide=", 0) == 0) kestro::g_guide = arg.substr(8);
  }
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i)
    if (std::string(argv[i]).rfind("--guide=", 0) != 0) args.push_back(argv[i]);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(kestro::g_dir);
  return 0;
}
