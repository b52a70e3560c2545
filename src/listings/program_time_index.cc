#include "listings/program_time_index.h"

#include <algorithm>

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

std::vector<int32_t> ProgramTimeIndex::Select(IDB& db, std::vector<int64_t> ids,
                                              const Filter& filter) {
  Refresh(db);
  std::sort(ids.begin(), ids.end());
  // Both sides are in id order: each lookup starts where the one before ended.
  std::vector<const Programme*> kept;
  auto next = programmes_.cbegin();
  for (const int64_t id : ids) {
    next = std::lower_bound(next, programmes_.cend(), id,
                            [](const Programme& p, int64_t value) { return p.id < value; });
    if (next == programmes_.cend()) break;
    if (next->id != id) continue;
    if (filter.ended_by > 0 && next->end_time <= filter.ended_by) continue;
    if (filter.channels &&
        !std::binary_search(filter.channels->begin(), filter.channels->end(), next->channel_id))
      continue;
    kept.push_back(&*next);
  }
  auto earlier = [](const Programme* a, const Programme* b) {
    return a->start_time != b->start_time ? a->start_time < b->start_time : a->id < b->id;
  };
  if (filter.limit > 0 && static_cast<size_t>(filter.limit) < kept.size()) {
    std::partial_sort(kept.begin(), kept.begin() + filter.limit, kept.end(), earlier);
    kept.resize(static_cast<size_t>(filter.limit));
  } else {
    std::sort(kept.begin(), kept.end(), earlier);
  }
  std::vector<int32_t> result;
  result.reserve(kept.size());
  for (const Programme* p : kept) result.push_back(p->id);
  return result;
}

}  // namespace kestro
