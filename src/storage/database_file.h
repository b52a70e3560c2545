// The module's database files come into being whole: a new file is written under a temporary
// name and renamed into place once its schema is complete, so a process killed while creating it
// leaves no file that every later open would trip over.
#pragma once

#include <memory>
#include <string>

#include "platform/env/env.h"
#include "storage/db.h"

namespace kestro {

// Opens `file_name`, creating it when it is missing: `create_script` runs on a temporary file of
// this process ("<file>.creating.<pid>.<n>"), which is then renamed to `file_name` unless another
// creator got there first (then its file is opened and ours removed). A file that lacks the table `schema_table` (left by a
// creation that never finished, or empty) is moved aside to "<file>.incomplete" with a "BAD"
// line on the debug output and created anew. A file this process cannot write (or whose folder it
// cannot write) is opened read-only: nothing is created or moved, and a file that is missing or
// lacks `schema_table` is an EDatabaseError (read-only) saying why. Throws the database's or the
// rename's failure.
DBPtr OpenDatabaseFile(const std::string& file_name, const std::shared_ptr<Env>& env,
                       const char* create_script, const char* schema_table);

}  // namespace kestro
