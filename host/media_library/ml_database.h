// The media library's SQLite file: one connection shared by the library object and every section,
// item and view taken from it. Statements are prepared per call; the library is small and its
// callers few.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "kestro/com.h"
#include "kestro/variant.h"
#include "platform/exception.h"
#include "platform/system/mutex.h"

namespace kestro::host {

KESTRO_DECLARE_EXCEPTION(EMediaLibraryError, Exception);

class MLDatabase;
class TMLItem;
using MLDatabasePtr = std::shared_ptr<MLDatabase>;

// One prepared statement; parameters are numbered from 1, columns from 0.
class MLStatement {
 public:
  MLStatement(MLDatabase& db, std::string_view sql);
  ~MLStatement();
  MLStatement(const MLStatement&) = delete;
  MLStatement& operator=(const MLStatement&) = delete;

  MLStatement& Bind(int index, int64_t value);
  MLStatement& Bind(int index, std::string_view text);
  // Binds the stored form of a tag value: integers and Booleans as integers, numbers and dates
  // as reals, text as text, Empty and Null as NULL. Interfaces and arrays cannot be stored.
  MLStatement& BindValue(int index, const Variant& value);
  // Steps once: true while a row is there.
  bool Step();
  // Runs a statement that returns no rows.
  void Run();
  // Ready to bind and run again.
  void Reset();

  int64_t Int(int column) const;
  std::string Text(int column) const;
  // A tag value stored with BindValue, read back as the variant type `type`.
  Variant Value(int column, int type) const;

 private:
  void Check(int rc) const;
  MLDatabase& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

class MLDatabase {
 public:
  // Opens (creating when missing) the file and its tables. A file this process cannot write (or
  // whose folder it cannot write) is opened read-only: nothing is created (a missing file is
  // "Cannot create "<file>" : <why>"), and every change fails with "Cannot change "<file>" :
  // <why>".
  // Throws EMediaLibraryError "Failed to open media library "%s" : %s".
  static MLDatabasePtr Open(const std::string& file_name);
  ~MLDatabase();
  MLDatabase(const MLDatabase&) = delete;
  MLDatabase& operator=(const MLDatabase&) = delete;

  void Exec(const char* sql);
  int64_t LastInsertRowId() const { return sqlite3_last_insert_rowid(db_); }
  const std::string& FileName() const { return file_name_; }
  // Held by every operation, so a multi-statement change is never interleaved with another
  // thread's on the shared connection.
  std::recursive_mutex& Mutex() { return mutex_; }
  bool ReadOnly() const { return !read_only_why_.empty(); }
  // Throws EMediaLibraryError "Cannot change "<file>" : <why>" when the connection is read-only.
  void CheckWritable() const;
  // Throws EMediaLibraryError with `message`, SQLite's message when null, or the read-only
  // refusal when SQLite refused a write.
  [[noreturn]] void Fail(const char* message = nullptr) const;

  sqlite3* Handle() const { return db_; }

  // The items alive on this connection by COM identity (their IUnknown), so that a section
  // recognises its own items behind any interface pointer it is handed.
  void AttachItem(IUnknown* identity, TMLItem* item);
  void DetachItem(IUnknown* identity);
  // Null for an object that is not a live item of this connection.
  TMLItem* FindItem(IUnknown* identity);

 private:
  MLDatabase(sqlite3* db, std::string file_name, std::string read_only_why)
      : db_(db), file_name_(std::move(file_name)), read_only_why_(std::move(read_only_why)) {}
  sqlite3* db_;
  std::string file_name_;
  std::string read_only_why_;  // empty when the connection may write
  std::recursive_mutex mutex_;
  kestro::Mutex items_mutex_;
  std::map<IUnknown*, TMLItem*> items_ GUARDED_BY(items_mutex_);
};

// BEGIN IMMEDIATE ... COMMIT, rolled back unless Commit() is reached.
class MLTransaction {
 public:
  explicit MLTransaction(MLDatabase& db);
  ~MLTransaction();
  void Commit();
  MLTransaction(const MLTransaction&) = delete;
  MLTransaction& operator=(const MLTransaction&) = delete;

 private:
  MLDatabase& db_;
  std::lock_guard<std::recursive_mutex> lock_;
  bool done_ = false;
};

}  // namespace kestro::host
