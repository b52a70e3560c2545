// The listings database of one lineup: its schema (version 4), its creation and the upgrade of
// older files (the keyword index and the longest programme's length included), and the settings
// of every connection to it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "storage/db.h"

namespace kestro {

constexpr int32_t kListingsSchemaVersion = 4;

// Opens the listings database `file_name`, creating its directory and a version-4 file when
// missing, or bringing an existing file up to version 4; the connection carries `env`. It runs
// with nested transaction counting on. Throws Exception:
//   "Failed to create TV listings database in "<dir>" : <why>"  (the directory)
//   "Failed to create TV listings database "<file>" : <why>"    (a new file; it is removed again)
//   "Failed to open TV listings database "<file>" : <why>"      (an existing file, left as it was
//                                                                 unless an upgrade step ran)
DBPtr OpenListingsDatabase(const std::string& file_name, const std::shared_ptr<Env>& env);

// How many seconds the longest stored programme lasts, at least (the parameter
// "longest-program", which triggers keep up with every write of a programme's times); none when
// the file lacks the value or holds something else there.
std::optional<int32_t> LongestProgramSeconds(IDB& db);
// Sets the value to the longest stored programme, lowering it after long programmes went (an
// import's finalization). A file without the value is left without. Throws EDatabaseError.
void RecomputeLongestProgram(IDB& db);

// An import's own new programmes enter the keyword index together, which is several times
// faster than one by one. Within the caller's transaction, BeginDeferredKeywordIndex leaves
// every programme stored from then on (one with a larger id than any stored now) out of the
// index, and FinishDeferredKeywordIndex adds those that are still there and ends the deferral;
// keyword searches between the two miss them. Should a file still be deferred when it is opened
// (its transaction committed without the finish), its index is rebuilt. Throw EDatabaseError.
void BeginDeferredKeywordIndex(IDB& db);
void FinishDeferredKeywordIndex(IDB& db);

}  // namespace kestro
