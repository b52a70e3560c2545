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

}  // namespace kestro
