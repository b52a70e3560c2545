// ProgramTimeIndex: the channel, start and end of every programme of a guide, held in memory.
//
// A keyword search can find thousands of programmes in the keyword index at once; leaving out
// the ended ones and those of other channels, and putting the rest in time order, would then cost
// one programs lookup per programme found. The index answers those questions in memory instead.
// It is read whole, with one scan of an index that covers it, the first time it is asked after
// the database changed (about 30 ms for 200,000 programmes), and holds 16 bytes per programme;
// a listings object that searches once reads the table instead when that costs less.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "storage/db.h"

namespace kestro {

class ProgramTimeIndex {
 public:
  struct Filter {
    int32_t ended_by = 0;                            // > 0: programmes ending by then go (db time)
    const std::vector<int32_t>* channels = nullptr;  // sorted; null: every channel
    int32_t limit = 0;                               // > 0: the earliest this many
  };

  // Whether a search that found `found` programmes is best answered by Select: when the index
  // has been asked before (a listings object that searches again is worth the index), or when
  // reading the programmes found from the table would cost more than reading the index (over a
  // twentieth of the guide). Else the search reads the table.
  bool Answers(IDB& db, size_t found);
  // The programmes of `ids` (in any order; ids of no programme are left out) that pass `filter`,
  // by start time, then id. Reads the index first when `db` changed since it was read.
  std::vector<int32_t> Select(IDB& db, std::vector<int32_t> ids, const Filter& filter);

 private:
  struct Programme {
    int32_t id;
    int32_t channel_id;
    int32_t start_time;  // db times
    int32_t end_time;
  };
  void Refresh(IDB& db);

  // What the connection saw when the index was read; none while it may not be kept (read
  // inside a transaction, whose changes may still be rolled back).
  std::optional<ContentVersion> version_;
  bool asked_ = false;
  std::vector<Programme> programmes_;  // by id
};

}  // namespace kestro
