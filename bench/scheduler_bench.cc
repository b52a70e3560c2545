// The scheduler's changes and its time-slice query on a lineup with 5,000 stored schedules over
// 4 tuners: each operation is one user action and should stay well under 5 ms.
//
//   scheduler_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/env/real_env.h"
#include "platform/time/date_time.h"
#include "scheduling/schedule_store.h"
#include "scheduling/tv_scheduler.h"
#include "storage/listings_database.h"

namespace kestro {
namespace {

constexpr int kTuners = 4;
constexpr int kStoredSchedules = 5000;
constexpr int kSlotMinutes = 30;

OleDate Day0() { return EncodeDateTime({2030, 1, 1, 0, 0, 0, 0}); }
// The start of slot n: 30-minute slots from 1 Jan 2030, back to back.
OleDate Slot(int n) { return Day0() + n * kSlotMinutes * kOneMinute; }

// A listings database in a temporary folder holding kStoredSchedules schedules: kTuners
// schedules per half-hour slot (every tuner busy), the first half of the slots allowing
// deletion on conflict.
class Lineup {
 public:
  Lineup() {
    char pattern[] = "/tmp/kestro-bench-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("no temporary folder");
    dir_ = pattern;
    db_ = OpenListingsDatabase(dir_ + "/listings.1.dat", MakeRealEnv());
    scheduler_ = MakeObject<TTVScheduler>(nullptr, db_, kTuners);
    const int slots = kStoredSchedules / kTuners;
    Transaction fill(*db_);
    for (int slot = 0; slot < slots; ++slot) {
      for (int tuner = 0; tuner < kTuners; ++tuner) {
        ComPtr<TTVSchedule> s = NewSchedule(Slot(slot), Slot(slot + 1));
        s->fields().delete_on_conflict = slot < slots / 2;
        s->data().Set("episode", Variant(slot));
        if (!scheduler_->Add(*s)->Ok()) throw std::runtime_error("fill failed");
      }
    }
    fill.Commit();
  }
  ~Lineup() {
    scheduler_ = nullptr;
    db_.reset();
    std::filesystem::remove_all(dir_);
  }

  ComPtr<TTVSchedule> NewSchedule(OleDate start, OleDate end) {
    ComPtr<TTVSchedule> s = scheduler_->NewSchedule();
    s->fields().start_time = start;
    s->fields().end_time = end;
    s->fields().title = "Bench";
    return s;
  }
  int Slots() const { return kStoredSchedules / kTuners; }
  TTVScheduler& scheduler() { return *scheduler_; }
  IDB& db() { return *db_; }

 private:
  std::string dir_;
  DBPtr db_;
  ComPtr<TTVScheduler> scheduler_;
};

void Require(bool ok, benchmark::State& state, const char* what) {
  if (!ok) state.SkipWithError(what);
}

// A schedule in a free stretch after the stored ones, removed again (untimed) so the database
// stays the same size.
void BM_AddNonConflicting(benchmark::State& state) {
  Lineup lineup;
  int n = 0;
  for (auto _ : state) {
    const int slot = lineup.Slots() + 2 + (n++ % 100);
    ComPtr<TTVSchedule> s = lineup.NewSchedule(Slot(slot), Slot(slot + 1));
    Require(lineup.scheduler().Add(*s)->Ok(), state, "add failed");
    state.PauseTiming();
    lineup.scheduler().Delete(s->fields().id, "", kPurgeScheduleReason);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddNonConflicting)->Unit(benchmark::kMillisecond);

// A schedule over a full slot that is refused: every tuner holds an essential schedule.
void BM_AddConflictingRefused(benchmark::State& state) {
  Lineup lineup;
  int n = 0;
  for (auto _ : state) {
    const int slot = lineup.Slots() - 1 - (n++ % 100);
    ComPtr<TTVSchedule> s = lineup.NewSchedule(Slot(slot), Slot(slot + 1));
    Require(lineup.scheduler().Add(*s)->Code() == TV_ADD_SCHEDULE_CONFLICT, state,
            "expected a conflict");
  }
}
BENCHMARK(BM_AddConflictingRefused)->Unit(benchmark::kMillisecond);

// A schedule over a full slot whose schedules allow deletion: room is made on tuner 4.
void BM_AddConflictingMakingRoom(benchmark::State& state) {
  Lineup lineup;
  int n = 0;
  for (auto _ : state) {
    const int slot = n++ % (lineup.Slots() / 2);
    ComPtr<TTVSchedule> s = lineup.NewSchedule(Slot(slot), Slot(slot + 1));
    s->fields().delete_on_conflict = true;  // so the slot can be taken again next round
    Require(lineup.scheduler().Add(*s)->Ok(), state, "add failed");
  }
}
BENCHMARK(BM_AddConflictingMakingRoom)->Unit(benchmark::kMillisecond);

void BM_GetSchedulesForTimeSlice(benchmark::State& state) {
  Lineup lineup;
  int n = 0;
  for (auto _ : state) {
    const int slot = (n++ * 37) % lineup.Slots();
    ComPtr<TTVScheduleList> list =
        lineup.scheduler().writer().SchedulesForTimeSlice(Slot(slot), Slot(slot + 2));
    Require(list->Count() == 2 * kTuners || slot + 1 >= lineup.Slots(), state, "wrong count");
  }
}
BENCHMARK(BM_GetSchedulesForTimeSlice)->Unit(benchmark::kMillisecond);

// Marks a stored schedule deleted; the mark is undone untimed so every round deletes a live one.
void BM_DeleteSchedule(benchmark::State& state) {
  Lineup lineup;
  int32_t id = 1;
  for (auto _ : state) {
    Require(lineup.scheduler().Delete(id, "bench", "timing"), state, "delete failed");
    state.PauseTiming();
    lineup.db().ExecFmt("update schedules set deleted = 0 where schedule_id = %d",
                        {SqlArg::Int(id)});
    id = id % kStoredSchedules + 1;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DeleteSchedule)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestro

BENCHMARK_MAIN();
