// Whether this process may write an SQLite file, as the guide databases and the media library
// decide whether to open one read-only.
#pragma once

#include <string>

#include "platform/env/env.h"

namespace kestro {

// Why this process cannot write the SQLite file `file_name` (its folder first: SQLite keeps its
// journal there), empty when it can.
std::string WhyNotWritable(Env& env, const std::string& file_name);

// The URI that has SQLite open `file_name` read-only ('?', '#', '%' and control characters
// escaped); `immutable` reads the file alone as it stands, for a file in write-ahead-log mode
// that no writer has open and whose folder cannot take the log's index.
std::string ReadOnlyUri(const std::string& file_name, bool immutable);

}  // namespace kestro
