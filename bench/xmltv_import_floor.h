// The floor an XMLTV import is measured against: the least work that stores the same rows. One
// streaming expat pass over the file; each programme's rows (programs, program_details,
// program_words, program_people, program_genres, and the people, roles and genres they name)
// inserted with prepared statements, in one transaction, into a guide file that has the listings
// schema with all its indexes. People, roles and genres are found in maps held by the floor; a
// programme without a stop time ends where the next one of its channel starts.
#pragma once

#include <memory>
#include <string>

#include "platform/env/env.h"

namespace kestro {

struct FloorResult {
  double seconds = 0;      // wall time of parse and inserts
  double cpu_seconds = 0;  // CPU time of the same
  int programmes = 0;      // programme rows stored
};

// Stores the programmes of `xmltv_file` into a new guide `guide_file`.
FloorResult RunImportFloor(const std::string& xmltv_file, const std::string& guide_file,
                           const std::shared_ptr<Env>& env);

}  // namespace kestro
