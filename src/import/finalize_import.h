// Import finalization: what runs after an import plug-in saved all its channels and programmes.
// It puts recordings whose programmes the import replaced onto another broadcast, commits the
// import, lets every repeating schedule recalculate itself, checks and repairs the links
// between programmes, schedules and repeating schedules, and compacts the database. Everything
// it does is written to the import's log.
#pragma once

#include <cstdint>

#include "import/import_system.h"
#include "storage/db.h"
#include "support/logger.h"

namespace kestro {

// The whole finalization of the run, reporting progress 33, 66, 80 and 100. REQUIRES: the run's
// transaction is open; the relocation runs in it, then it is committed, everything after runs
// outside it. An error of the relocation is thrown with the transaction still open (the caller
// discards the run); one of the repeating-schedule refresh is thrown with the listings
// committed; the integrity checks and the vacuum never throw. Answers true.
bool FinalizeImport(TTVListingsImportSystem& import_system);

// Re-schedules the recording of every programme of the run's relocation list on the nearest
// broadcast that has not ended: by equality key, else by search title with equal title and
// subtitle, on the same channel. A recording that finds a candidate already being recorded
// counts as relocated. What stays in the list afterwards is written to lost_schedules.
void RelocateRecordings(TTVListingsImportSystem& import_system);

// Lets every repeating schedule of the lineup recalculate its schedules against the new listings.
void RefreshRepeatingSchedules(TTVListingsImportSystem& import_system);

struct IntegrityCheckCounts {
  int32_t found = 0;
  int32_t fixed = 0;
};

// The three link checks with their log lines and summary: programmes pointing to missing or
// deleted schedules are unlinked, schedules pointing to missing repeating schedules are
// unlinked, every other broken link is reported only. Never throws from the checks themselves;
// an error ends them early with "Unexpected error in integrity checks" and the summary follows.
IntegrityCheckCounts RunIntegrityChecks(IDB& db, ILogger& logger);

}  // namespace kestro
