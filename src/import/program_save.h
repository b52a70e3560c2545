// The save of one imported programme (ITVNewProgram.Save): validation, the skip of programmes
// that are over, the derived keys, the reconciliation with the programmes already stored for the
// same channel and time (including their recordings), and the rows of the programme.
//
// Every statement goes through the ...Fmt operations with typed arguments, so the import's
// thousands of saves reuse a handful of prepared statements. All writes land in the import's
// open transaction.
#pragma once

#include <string>

#include "import/new_program.h"
#include "import/update_session.h"
#include "kestro/ole_date.h"
#include "kestro/tv_import.h"
#include "storage/db.h"

namespace kestro {

// Saves `program` in the session's run and answers the result; never throws. Rewrites the
// program's id, channel id, channel external id, sort title, program type and equality key as
// the save derives them. Every outcome but a plain add or update is logged on the session's
// logger and counted on the session:
//   INVALID_TIMES      "Program [%s] has invalid times"       (failed)
//   OK, nothing saved  a programme that ended over 2 hours ago, or one stored unchanged (skipped)
//   INCOMPLETE_PROGRAM "Program [%s] has no title"            (failed)
//   INVALID_CHANNEL    "Program [%s] has invalid channel"     (failed)
//   UNWANTED_CHANNEL   the user does not want the channel     (skipped)
//   FAILED             an overlapping recording that cannot be removed, or an error
//                      ("EXCEPTION (...) : Saving program [%s] : ..."); a database error is
//                      also recorded as the session's DatabaseFailure
// A save that replaces stored programmes runs in a savepoint of its own inside the import's
// transaction and is undone whole when it fails; a save that only adds rows and fails halfway
// is recorded as the session's DatabaseFailure, which ends the import. Only the counters of a
// kept save move.
TV_PROGRAM_SAVE_RESULT SaveNewProgram(ITVListingsUpdateSession& session,
                                      ProgramRecord& program) noexcept;

// Whether a programme ending at `end_time` ended more than 2 hours before the connection's now:
// such a programme is skipped.
bool EndedLongAgo(IDB& db, OleDate end_time);

// "(%d) : "%s : %s" on %d : %s - %s": id, title, subtitle, channel id, start and end as
// "yyyy-mm-dd hh:nn".
std::string ProgramLogText(const ProgramRecord& program);

}  // namespace kestro
