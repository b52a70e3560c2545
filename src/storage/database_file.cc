#include "storage/database_file.h"

#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/env/writable.h"
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

// "<file>.creating.<pid>.<n>": each creator writes its own file, so two processes (or threads)
// creating the same database never write into or remove each other's.
std::string TemporaryName(const std::string& file_name) {
  static std::atomic<unsigned> next{0};
  return Format("%s.creating.%d.%u", file_name.c_str(), static_cast<int>(getpid()), next++);
}

// Removes what creators killed before their rename left: the old single temporary name, and
// temporaries whose process has ended. A running creator's file is left alone.
void RemoveAbandonedTemporaries(Env& env, const std::string& file_name) {
  const std::filesystem::path path(file_name);
  const std::string dir = path.parent_path().empty() ? "." : path.parent_path().string();
  const std::string prefix = path.filename().string() + ".creating";
  std::vector<DirEntry> entries;
  if (env.ListDirectory(dir, &entries)) return;
  for (const DirEntry& entry : entries) {
    if (entry.name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string rest = entry.name.substr(prefix.size());
    int pid = 0;
    const bool abandoned =
        rest.empty() || rest == "-journal" || rest == "-wal" || rest == "-shm" ||
        (std::sscanf(rest.c_str(), ".%d.", &pid) == 1 && pid > 0 && kill(pid, 0) != 0 &&
         errno == ESRCH);
    if (abandoned) env.RemoveFile(dir + "/" + entry.name);
  }
}

void RemoveWithCompanions(Env& env, const std::string& file_name) {
  for (const char* suffix : kCompanions) env.RemoveFile(file_name + suffix);
}

DBPtr CreateDatabaseFile(const std::string& file_name, const std::shared_ptr<Env>& env,
                         const char* create_script) {
  RemoveAbandonedTemporaries(*env, file_name);
  const std::string temporary = TemporaryName(file_name);
  try {
    {
      DBPtr db = OpenSQLiteDatabase(temporary, env);
      db->Exec(create_script);
    }  // closed: nothing of it is left in a journal
    env->CrashPoint("database-created");
    const std::error_code ec = env->RenameFileIfAbsent(temporary, file_name);
    if (ec == std::errc::file_exists) {
      // Another creator finished first: its file is complete, and it may already be writing.
      RemoveWithCompanions(*env, temporary);
      return OpenSQLiteDatabase(file_name, env);
    }
    if (ec) {
      throw EOSError(Format("Failed to move \"%s\" to \"%s\" : %s", temporary.c_str(),
                            file_name.c_str(), ec.message().c_str()));
    }
  } catch (...) {
    RemoveWithCompanions(*env, temporary);
    throw;
  }
  env->CrashPoint("database-renamed");
  return OpenSQLiteDatabase(file_name, env);
}

}  // namespace

DBPtr OpenDatabaseFile(const std::string& file_name, const std::shared_ptr<Env>& env,
                       const char* create_script, const char* schema_table) {
  if (std::string why = WhyNotWritable(*env, file_name); !why.empty()) {
    if (!env->FileExists(file_name))
      throw EDatabaseError(Format("Cannot create \"%s\" : %s", file_name.c_str(), why.c_str()),
                           SQLITE_READONLY);
    DBPtr db = OpenSQLiteDatabaseReadOnly(file_name, env, why);
    if (!HasTable(*db, schema_table))
      throw EDatabaseError(Format("\"%s\" has no %s table and cannot be created anew : %s",
                                  file_name.c_str(), schema_table, why.c_str()),
                           SQLITE_READONLY);
    return db;
  }
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
