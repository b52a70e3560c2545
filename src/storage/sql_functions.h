// The module's own SQL functions, registered on every connection.
#pragma once

struct sqlite3;

namespace kestro {

class Env;

// Registers datenum, today, date, idt_timeof, idt_dayof and idt_now on the connection, and a
// lower() that lower-cases every script, not A to Z only. The functions read `env`'s clock,
// which must outlive the connection. Throws EDatabaseError when SQLite refuses one.
void RegisterSqlFunctions(sqlite3* db, Env& env);

}  // namespace kestro
