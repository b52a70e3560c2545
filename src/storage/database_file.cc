#include "storage/database_file.h"

#include "platform/exception.h"
#include "platform/system/debug_trace.h"
#include "platform/text/text.h"
#include "storage/sqlite_database.h"

namespace kestro {
namespace {

constexpr const char* kCompanions[] = {"", "-wal", "-shm", "-journal"};

bool HasTable(IDB& db, const char* table) {
  return db.QueryIntFmt("select count ( * ) from sqlite_master where type = \"table\" and "
                        "name = %s",
                        {SqlArg::Quoted(table)}) > 0;
}

// Moves the file and its companions to `to` (the same suffixes); what is missing is skipped.
void MoveWithCompanions(Env& env, const std::string& from, const std::string& to) {
  for (const char* suffix : kCompanions) {
    if (!env.FileExists(from + suffix)) continue;
    if (const std::error_code ec = env.RenameFile(from + suffix, to + suffix)) {
      throw EOSError(Format("Failed to move \"%s\" to \"%s\" : %s", (from + suffix).c_str(),
                            (to + suffix).c_str(), ec.message().c_str()));
    }
  }
}

DBPtr CreateDatabaseFile(const std::string& file_name, const std::shared_ptr<Env>& env,
                         const char* create_script) {
  const std::string temporary = file_name + ".creating";
  for (const char* suffix : kCompanions) env->RemoveFile(temporary + suffix);
  {
    DBPtr db = OpenSQLiteDatabase(temporary, env);
    db->Exec(create_script);
  }  // closed: nothing of it is left in a journal
  env->CrashPoint("database-created");
  MoveWithCompanions(*env, temporary, file_name);
  env->CrashPoint("database-renamed");
  return OpenSQLiteDatabase(file_name, env);
}

}  // namespace

DBPtr OpenDatabaseFile(const std::string& file_name, const std::shared_ptr<Env>& env,
                       const char* create_script, const char* schema_table) {
  if (!env->FileExists(file_name)) return CreateDatabaseFile(file_name, env, create_script);
  DBPtr db = OpenSQLiteDatabase(file_name, env);
  if (HasTable(*db, schema_table)) return db;
  db.reset();
  const std::string aside = file_name + ".incomplete";
  DebugTrace(Format("BAD : \"%s\" has no %s table: moved to \"%s\" and created anew",
                    file_name.c_str(), schema_table, aside.c_str()));
  for (const char* suffix : kCompanions) env->RemoveFile(aside + suffix);
  MoveWithCompanions(*env, file_name, aside);
  return CreateDatabaseFile(file_name, env, create_script);
}

}  // namespace kestro
