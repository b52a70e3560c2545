// Speed of saving imported programmes (ITVNewProgram.Save) and of the import's finalization, on a
// lineup of 200 channels with 500 programmes each (100,000 programmes, about 10 days), every
// programme with a description, two genres and three people, as an XMLTV source gives them.
//
//   cmake -S . -B build-bench -G Ninja -DKESTRO_BUILD_BENCH=ON && ninja -C build-bench import_bench
//   build-bench/bench/import_bench [--explain] [--with-proposed-index] [--guide=/path/guide.dat]
//                                  [--benchmark_filter=Reimport]
//
//   FirstImport   every programme saved into an empty guide (all added)
//   Reimport      the same programmes saved again over the guide (all skipped unchanged)
//   Finalize      FinalizeImport after an import that replaced 50 recorded programmes, whose
//                 recordings are relocated to another broadcast of the same episode; the time
//                 includes the integrity checks and the vacuum of the whole file
//   Relocate      the relocation of those 50 recordings alone
// Goals: 10,000 programmes/s for a first import, 30,000/s for a re-import.
// --explain prints the query plan of every statement a save runs, first import and re-import.
// --with-proposed-index adds an index on programs ( channel_id , end_time , start_time ), which
// the stored schema lacks, to compare the overlap search of every save with and without it.
// --guide keeps the imported guide in that file (made when missing) for the next run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_folders.h"
#include "core/registry_info.h"
#include "import/finalize_import.h"
#include "import/import_system.h"
#include "import/new_program.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/tv_scheduler.h"

namespace kestro {
namespace {

constexpr int kChannels = 200;
constexpr int kProgramsPerChannel = 500;
constexpr int kPrograms = kChannels * kProgramsPerChannel;
constexpr int kRelocations = 50;
constexpr OleDate kSlot = 30.0 / 1440.0;  // every programme lasts 30 minutes

// Monday 3 March 2025 at noon is "now"; the guide starts at the next midnight.
OleDate Now() { return EncodeDate(2025, 3, 3) + 0.5; }
OleDate GuideStart() { return EncodeDate(2025, 3, 4); }

std::string g_dir;  // the run's folder: registry, tuner configuration, guides
std::shared_ptr<Env> g_env;  // its clock stands at Now()
bool g_proposed_index = false;
std::string g_guide;  // --guide: where the imported guide is kept between runs

// One programme of the source. Episodes repeat every 48 slots (a day) on their channel, so
// each has later broadcasts with the same equality key.
struct SourceProgram {
  std::string channel;
  OleDate start, end;
  std::string title, subtitle, description, episode;
  std::string genres[2];
  std::string people[3];
};

std::vector<SourceProgram> MakeSource() {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> word(0, 399), person(0, 4999), genre(0, 39);
  auto words = [&](int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += Format(i ? " word%d" : "word%d", word(rng));
    return text;
  };
  std::vector<SourceProgram> source;
  source.reserve(kPrograms);
  for (int c = 0; c < kChannels; ++c) {
    std::vector<SourceProgram> episodes(48);
    for (int e = 0; e < 48; ++e) {
      SourceProgram& p = episodes[static_cast<size_t>(e)];
      p.channel = Format("channel-%d.example", c);
      p.title = Format("Show %d", (c * 48 + e) % 2000);
      p.subtitle = Format("Episode %d of channel %d", e, c);
      p.description = words(30);
      p.episode = Format("%d.%d.", e / 10, e % 10);
      p.genres[0] = Format("Genre %d", genre(rng));
      p.genres[1] = Format("Genre %d", genre(rng));
      for (std::string& name : p.people) name = Format("Person %d", person(rng));
    }
    for (int i = 0; i < kProgramsPerChannel; ++i) {
      SourceProgram p = episodes[static_cast<size_t>(i % 48)];
      p.start = GuideStart() + i * kSlot;
      p.end = p.start + kSlot;
      source.push_back(std::move(p));
    }
  }
  return source;
}

const std::vector<SourceProgram>& Source() {
  static const std::vector<SourceProgram> source = MakeSource();
  return source;
}

// The module configuration of the run: two tuners for the lineup.
void Configure() {
  g_dir = bench::UseBenchFolders("kestro-import-bench", 2);
  g_env = bench::EnvAt(Now());
}

// One import run on `file`, with its transaction open as the plug-in finds it.
class Run {
 public:
  explicit Run(const std::string& file)
      : system_(MakeObject<TTVListingsImportSystem>(file, 1, g_env,
                                                    std::make_shared<TStringsLogger>(g_env, log_),
                                                    nullptr, g_dir + "/temp/")) {
    if (g_proposed_index) {
      system_->DB()->Exec(
          "create index if not exists idx_programs_channel_times on programs ( channel_id , "
          "end_time , start_time )");
    }
    system_->BeginSaving();
    system_->NewProgram(program_.ReleaseAndGetAddressOf());
  }
  TTVListingsImportSystem& system() { return *system_; }

  // The source's channels, as the plug-in announces them first.
  void SaveChannels() {
    ComPtr<ITVNewChannel> channel;
    system_->NewChannel(channel.ReleaseAndGetAddressOf());
    for (int c = 0; c < kChannels; ++c) {
      channel->Clear();
      channel->put_ExternalID(Format("channel-%d.example", c));
      channel->put_Number(c + 1);
      channel->put_ShortName(Format("C%d", c));
      TV_CHANNEL_SAVE_RESULT result;
      channel->Save(&result);
    }
  }

  // Saves one programme the way a plug-in does, through the interface.
  TV_PROGRAM_SAVE_RESULT Save(const SourceProgram& p) {
    ITVNewProgram& n = *program_;
    n.Clear();
    n.put_ChannelExternalID(p.channel);
    n.put_StartTime(p.start);
    n.put_EndTime(p.end);
    n.put_Title(p.title);
    n.put_Subtitle(p.subtitle);
    n.put_LongDescription(p.description);
    n.put_EpisodeNumber(p.episode);
    n.put_ProgramType("EP");
    n.put_TVRating("TV-PG");
    n.put_IsStereo(TV_3_WAY_YES);
    for (const std::string& genre : p.genres) n.AddGenre(genre);
    n.AddPerson(p.people[0], "Director");
    n.AddPerson(p.people[1], "");
    n.AddPerson(p.people[2], "");
    TV_PROGRAM_SAVE_RESULT result = TV_PROGRAM_SAVE_FAILED;
    n.Save(&result);
    return result;
  }

  // Saves every programme of the source; aborts the benchmark on a failed save.
  void SaveAll(benchmark::State& state) {
    for (const SourceProgram& p : Source()) {
      if (Save(p) != TV_PROGRAM_SAVE_OK) {
        state.SkipWithError("a programme failed to save");
        return;
      }
    }
  }

  void Commit() { system_->CommitSaving(); }

 private:
  std::vector<std::string> log_;
  ComPtr<TTVListingsImportSystem> system_;
  ComPtr<ITVNewProgram> program_;
};

void RemoveGuide(const std::string& file) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(file + suffix);
}

void CopyGuide(const std::string& from, const std::string& to) {
  RemoveGuide(to);
  std::filesystem::copy_file(from, to);
}

// A guide holding the whole source, imported once and shared by the benchmarks that need one.
const std::string& ImportedGuide() {
  static const std::string file = [] {
    const std::string path = g_guide.empty() ? g_dir + "/imported.dat" : g_guide;
    if (std::filesystem::exists(path)) return path;
    Run run(path);
    run.SaveChannels();
    for (const SourceProgram& p : Source()) run.Save(p);
    run.Commit();
    return path;
  }();
  return file;
}

void BM_FirstImport(benchmark::State& state) {
  const std::string file = g_dir + "/first.dat";
  for (auto _ : state) {
    state.PauseTiming();
    RemoveGuide(file);
    auto run = std::make_unique<Run>(file);
    run->SaveChannels();
    state.ResumeTiming();
    run->SaveAll(state);
    run->Commit();
    state.PauseTiming();
    run.reset();
    state.ResumeTiming();
  }
  state.counters["programmes/s"] =
      benchmark::Counter(kPrograms, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Reimport(benchmark::State& state) {
  const std::string file = g_dir + "/reimport.dat";
  CopyGuide(ImportedGuide(), file);
  for (auto _ : state) {
    state.PauseTiming();
    auto run = std::make_unique<Run>(file);
    run->SaveChannels();
    state.ResumeTiming();
    run->SaveAll(state);
    run->Commit();
    state.PauseTiming();
    if (run->system().Stats().programs_skipped != kPrograms) {
      state.SkipWithError("a re-imported programme was not skipped");
    }
    run.reset();
    state.ResumeTiming();
  }
  state.counters["programmes/s"] =
      benchmark::Counter(kPrograms, benchmark::Counter::kIsIterationInvariantRate);
}

// Records kRelocations programmes of the first day (one per slot, on 25 channels), then saves a
// news flash over each of them, as an import that replaces them does: their schedules are deleted
// and their recordings wait in the relocation list. Returns that run, its transaction still open.
std::unique_ptr<Run> ImportReplacingRecordings(const std::string& file) {
  CopyGuide(ImportedGuide(), file);
  std::vector<const SourceProgram*> recorded;
  for (int i = 0; i < kRelocations; ++i) {
    recorded.push_back(&Source()[static_cast<size_t>((i % 25) * kProgramsPerChannel + i)]);
  }
  {
    Run scheduling(file);
    IDB& db = *scheduling.system().DB();
    ComPtr<ITVScheduler> scheduler = scheduling.system().GetScheduler();
    for (const SourceProgram* p : recorded) {
      const int32_t program_id = db.QueryIntFmt(
          "select id from programs where start_time = %d and channel_id = ( select channel_id "
          "from channels where external_id = %s )",
          {SqlArg::Int(DateTimeToDbTime(p->start)), SqlArg::Quoted(p->channel)});
      ComPtr<ITVSchedule> schedule;
      scheduler->CreateSchedule(schedule.ReleaseAndGetAddressOf());
      schedule->put_StartTime(p->start);
      schedule->put_EndTime(p->end);
      schedule->put_ProgramID(program_id);
      schedule->put_Title(p->title);
      ComPtr<ITVScheduleResult> result;
      scheduler->AddSchedule(schedule.Get(), result.ReleaseAndGetAddressOf());
    }
    scheduling.Commit();
  }
  auto run = std::make_unique<Run>(file);
  for (const SourceProgram* p : recorded) {
    SourceProgram flash = *p;
    flash.title = "News Flash";
    flash.subtitle.clear();
    run->Save(flash);
  }
  return run;
}

// Times `step` on a run that left kRelocations recordings to relocate; every recording must
// find its new broadcast.
template <class Step>
void RunAfterReplacingImport(benchmark::State& state, Step step) {
  const std::string file = g_dir + "/finalize.dat";
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<Run> run = ImportReplacingRecordings(file);
    if (run->system().RelocationList().Count() != kRelocations) {
      state.SkipWithError("the import did not leave 50 recordings to relocate");
      break;
    }
    state.ResumeTiming();
    step(run->system());
    state.PauseTiming();
    if (run->system().RelocationList().Count() != 0) {
      state.SkipWithError("a recording was not relocated");
      break;
    }
    run.reset();
    state.ResumeTiming();
  }
}

void BM_Finalize(benchmark::State& state) {
  RunAfterReplacingImport(state, [](TTVListingsImportSystem& run) { FinalizeImport(run); });
}

// The relocation step of the finalization alone (after the commit).
void BM_Relocate(benchmark::State& state) {
  RunAfterReplacingImport(state, [](TTVListingsImportSystem& run) {
    run.CommitSaving();
    RelocateRecordings(run);
  });
}

// The plan of every distinct statement the saves of `programs` run on the guide `file`.
void ExplainSaves(const std::string& file, const std::vector<SourceProgram>& programs) {
  Run run(file);
  run.SaveChannels();
  std::vector<std::string> statements;
  run.system().DB()->SetTrace([&](std::string_view sql) {
    if (std::find(statements.begin(), statements.end(), sql) == statements.end())
      statements.emplace_back(sql);
  });
  for (const SourceProgram& p : programs) run.Save(p);
  run.system().DB()->SetTrace({});
  for (const std::string& sql : statements) {
    std::printf("%s\n", sql.c_str());
    if (sql.rfind("BEGIN", 0) == 0 || sql.rfind("SAVEPOINT", 0) == 0) continue;
    for (TablePtr plan = run.system().DB()->Query("explain query plan " + sql); !plan->Eof();
         plan->Next()) {
      std::printf("    %s\n", plan->Text(3).c_str());
    }
  }
  run.Commit();
}

void Explain() {
  std::vector<SourceProgram> day(Source().begin(), Source().begin() + 48);
  std::printf("--- first import ---\n");
  ExplainSaves(g_dir + "/explain.dat", day);
  std::printf("--- re-import ---\n");
  ExplainSaves(g_dir + "/explain.dat", day);
  // Changed descriptions update the programmes in place; other titles replace them.
  for (size_t i = 0; i < day.size(); ++i) {
    day[i].description += " (changed)";
    if (i % 2) day[i].title = "Other " + day[i].title;
  }
  std::printf("--- updates and replacements ---\n");
  ExplainSaves(g_dir + "/explain.dat", day);
}

BENCHMARK(BM_FirstImport)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Reimport)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Finalize)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Relocate)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace kestro

int main(int argc, char** argv) {
  kestro::Configure();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--with-proposed-index") kestro::g_proposed_index = true;
    if (arg.rfind("--guide=", 0) == 0) kestro::g_guide = arg.substr(8);
  }
  if (std::find(argv + 1, argv + argc, std::string("--explain")) != argv + argc) {
    kestro::Explain();
    std::filesystem::remove_all(kestro::g_dir);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(kestro::g_dir);
  return 0;
}
