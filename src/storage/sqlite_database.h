// TSQLiteDatabase / TSQLiteTable: IDB and ITable over SQLite 3.
#pragma once

#include <memory>
#include <string>

#include "platform/env/env.h"
#include "storage/db.h"

namespace kestro {

// Opens (creating when missing) the database file and registers the module's SQL functions
// (datenum, today, date, idt_timeof, idt_dayof, idt_now) on the connection; the connection
// carries `env` (IDB::GetEnv), whose clock those functions read. A write waits out another
// connection's lock for the module's busy timeout (IDB::SetBusyTimeout). Pragmas are the owner's
// business.
// Throws EDatabaseError "Failed to open database "%s" : %s".
DBPtr OpenSQLiteDatabase(const std::string& file_name, std::shared_ptr<Env> env);

// Opens an existing database file that this process cannot write; `why` says why ("the folder
// "/srv/tv" : Permission denied"). Nothing is created beside the file when its folder cannot be
// written either. Every write, a transaction's begin first, throws EDatabaseError (read-only)
// "Cannot change "<file>" : <why>", before anything changes.
DBPtr OpenSQLiteDatabaseReadOnly(const std::string& file_name, std::shared_ptr<Env> env,
                                 std::string why);

}  // namespace kestro
