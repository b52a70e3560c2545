// What repeating schedules know of earlier recordings: the host media library's recordings
// section (their equality keys and how many of a rule's recordings are kept until deleted) and
// the listings database's log of recorded programmes.
#pragma once

#include <cstdint>

#include "kestro/media_library.h"
#include "kestro/tv_programs.h"
#include "scheduling/rule_candidates.h"
#include "storage/db.h"

namespace kestro {

// The equality keys of programmes the rule must not record again: the library's recordings
// (for TV_DUPLICATES_NOT_IF_IN_LIBRARY and TV_DUPLICATES_NONE) and, for TV_DUPLICATES_NONE,
// every logged recorded programme. Keys are trimmed; empty ones are skipped. A host without a
// media library (or a library without the section) adds nothing; a library that fails to answer
// throws, since deciding without it would record duplicates.
RecordedKeys PreviouslyRecordedKeys(IDB& db, int32_t duplicates);

// The library's recordings of the rule that are kept until deleted ("rs_id" is the rule's id,
// "keep_until" is not 0). 0 without a library; throws when the library fails to answer.
int32_t KeptRecordingsOfRule(int32_t rs_id);

// Adds the programme to recorded_programs under its trimmed equality key. Nothing happens for
// no programme or a blank key, nor for a key logged already; other failures are reported
// (ReportFailure) and go no further.
void LogRecordedProgram(IDB& db, ITVProgram* program) noexcept;

// Whether the programme's equality key (as it is) was logged. False on any failure, which is
// reported (ReportFailure).
bool HasBeenRecorded(IDB& db, ITVProgram* program) noexcept;

}  // namespace kestro
