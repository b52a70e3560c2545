#include "listings/program_time_index.h"

#include <algorithm>
#include <utility>

namespace kestro {

void ProgramTimeIndex::Refresh(IDB& db) {
  const ContentVersion now = db.Version();
  if (version_ == now && !db.InTransaction()) return;
  version_.reset();     // until the whole index is read
  programmes_.clear();  // keeps its memory for the rows read next
  // The columns are all in idx_programs_channel_times, which SQLite scans instead of the table.
  db.ForEachIntRow("select id , channel_id , start_time , end_time from programs", {},
                   [this](const std::vector<int64_t>& f) {
                     auto field = [&f](size_t i) { return static_cast<int32_t>(f[i]); };
                     programmes_.push_back({field(0), field(1), field(2), field(3)});
                   });
  std::sort(programmes_.begin(), programmes_.end(),
            [](const Programme& a, const Programme& b) { return a.id < b.id; });
  if (!db.InTransaction()) version_ = now;
}

bool ProgramTimeIndex::Answers(IDB& db, size_t found) {
  if (std::exchange(asked_, true)) return true;  // the index is read only once asked
  const auto guide = static_cast<size_t>(db.QueryInt("select max ( id ) from programs"));
  return found > guide / 20;
}

std::vector<int32_t> ProgramTimeIndex::Select(IDB& db, std::vector<int32_t> ids,
                                              const Filter& filter) {
  Refresh(db);
  std::sort(ids.begin(), ids.end());
  // Both sides are in id order: each lookup gallops on from where the one before ended.
  auto id_below = [](const Programme& p, int32_t value) { return p.id < value; };
  // Start time, then id, in one number that sorts in that order (db times are positive).
  std::vector<uint64_t> kept;
  auto next = programmes_.cbegin();
  const auto end = programmes_.cend();
  for (const int32_t id : ids) {
    size_t step = 1;
    auto bound = next;
    while (bound != end && bound->id < id) {
      next = bound + 1;
      bound = static_cast<size_t>(end - next) > step ? next + step : end;
      step *= 2;
    }
    next = std::lower_bound(next, bound, id, id_below);
    if (next == end) break;
    if (next->id != id) continue;
    if (filter.ended_by > 0 && next->end_time <= filter.ended_by) continue;
    if (filter.channels &&
        !std::binary_search(filter.channels->begin(), filter.channels->end(), next->channel_id))
      continue;
    kept.push_back(static_cast<uint64_t>(static_cast<uint32_t>(next->start_time)) << 32 |
                   static_cast<uint32_t>(next->id));
  }
  if (filter.limit > 0 && static_cast<size_t>(filter.limit) < kept.size()) {
    std::partial_sort(kept.begin(), kept.begin() + filter.limit, kept.end());
    kept.resize(static_cast<size_t>(filter.limit));
  } else {
    std::sort(kept.begin(), kept.end());
  }
  std::vector<int32_t> result;
  result.reserve(kept.size());
  for (const uint64_t key : kept) result.push_back(static_cast<int32_t>(key & 0xffffffffu));
  return result;
}

}  // namespace kestro
