// IDB and ITable: the only way to SQLite. A database is shared by the tables read from it; both
// are reference counted (std::shared_ptr), the connection closes when the last owner goes.
//
// SQL text follows the module's rules: lower case, integers written in with %d and text values
// between double quotes (QuoteSQL). A double-quoted token is always a string literal here, never
// an identifier. NUL characters are removed before SQLite sees the text.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <exception>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/env/env.h"
#include "platform/exception.h"

namespace kestro {

// What kind of failure a database call met, from SQLite's result code: a caller tells a busy
// database (worth waiting for, or "the guide is busy") from a full disk or a damaged file.
enum class DbFailure {
  kError,       // an SQL error or anything not listed below
  kBusy,        // another connection holds the lock longer than the busy timeout
  kConstraint,  // a uniqueness or other constraint
  kFull,        // the disk (or the database's size limit) is full
  kCorrupt,     // the file is damaged or not a database
  kReadOnly,    // the file or its folder cannot be written
  kCantOpen,    // the file cannot be opened
  kIo,          // the operating system failed a read or write
};

// A failure of a database call. The message keeps the module's texts ("Error executing SQL "%s" :
// %s", "Failed to open database "%s" : %s"); failure() says what happened, set where the error
// is raised.
class EDatabaseError : public Exception {
 public:
  // `sqlite_code`: SQLite's (extended) result code, 1 (SQLITE_ERROR) when there is none.
  explicit EDatabaseError(const std::string& message, int sqlite_code = 1);
  // A change the module refused itself because the connection is read-only; `message` names
  // the file and why ("Cannot change "<file>" : <why>").
  static EDatabaseError ReadOnlyRefusal(const std::string& message);
  const char* ClassName() const noexcept override { return "EDatabaseError"; }
  int sqlite_code() const { return sqlite_code_; }
  DbFailure failure() const { return failure_; }
  bool IsBusy() const { return failure_ == DbFailure::kBusy; }
  // Whether the module refused the call (the message says why) rather than SQLite failing it.
  bool refused() const { return refused_; }

 private:
  int sqlite_code_;
  DbFailure failure_;
  bool refused_ = false;
};

// Why `failure` happened, as the user is told: for a database failure the user can do something
// about, its cause ("the database is locked by another program", "the disk is full", "the
// database is read-only", ...); for any other failure its message.
std::string FailureCause(const std::exception& failure);

// Whether `failure` is an EDatabaseError of a file that cannot be written.
bool IsReadOnlyFailure(const std::exception& failure);

// Throws `message` as the failure of a larger step that `cause` made fail: an EDatabaseError with
// the cause's result code when the cause is one, else an Exception.
[[noreturn]] void ThrowWithCause(const std::string& message, const std::exception& cause);

// One argument of the ...Fmt operations. The format uses printf-style %d and %s:
//  - Int(n) fills a %d;
//  - Quoted(text) fills a %s with the text as a string literal (what QuoteSQL(text) would give);
//  - Raw(text) fills a %s with SQL text inserted as it stands (a column list, a condition).
// Int and Quoted become bound parameters of a cached prepared statement, so repeated calls with
// the same format cost one prepare in all.
class SqlArg {
 public:
  static SqlArg Int(int64_t value) { return SqlArg(Kind::kInt, value, {}); }
  static SqlArg Quoted(std::string_view text) { return SqlArg(Kind::kQuoted, 0, std::string(text)); }
  static SqlArg Raw(std::string_view sql) { return SqlArg(Kind::kRaw, 0, std::string(sql)); }

  enum class Kind { kInt, kQuoted, kRaw };
  Kind kind() const { return kind_; }
  int64_t int_value() const { return int_; }
  const std::string& text() const { return text_; }

 private:
  SqlArg(Kind kind, int64_t i, std::string text) : kind_(kind), int_(i), text_(std::move(text)) {}
  Kind kind_;
  int64_t int_;
  std::string text_;
};
using SqlArgs = std::vector<SqlArg>;

class IDB;

// The complete result of one query, held in memory. A new table stands on row 0.
class ITable {
 public:
  virtual ~ITable() = default;
  virtual int32_t ColumnCount() const = 0;
  virtual int32_t RowIndex() const = 0;
  virtual int32_t RowCount() const = 0;
  // Cell of the current row; nullptr for SQL NULL, at EOF or for an index out of range.
  virtual const char* Field(int32_t index) const = 0;
  virtual bool Eof() const = 0;
  // "" for an index out of range.
  virtual std::string ColumnName(int32_t index) const = 0;
  // Field of the column whose name matches ignoring case; nullptr when there is no such column.
  virtual const char* FieldByName(std::string_view name) const = 0;
  virtual std::shared_ptr<IDB> GetDB() const = 0;
  virtual void Next() = 0;
  virtual void First() = 0;
  virtual void MoveTo(int32_t row) = 0;

  // Conveniences over Field/FieldByName: NULL reads as "" and 0.
  std::string Text(int32_t index) const;
  std::string Text(std::string_view name) const;
  int32_t Int(int32_t index) const;
  int32_t Int(std::string_view name) const;
  int64_t Int64(std::string_view name) const;
};
using TablePtr = std::shared_ptr<ITable>;

// Receives each SQL text as it is handed to SQLite (after the rewriting described above; bound
// parameters appear as "?").
using SqlTrace = std::function<void(std::string_view sql)>;

// What the layer that opened a connection attaches to it, so that every object holding only the
// connection (a programme read from a row) can reach the services of that layer. Each layer
// derives its own kind.
class ConnectionServices {
 public:
  virtual ~ConnectionServices() = default;
};

// Where a connection's view of the database stands: two equal versions read through one
// connection, outside a transaction, saw the same content.
struct ContentVersion {
  int64_t others = 0;  // commits of other connections (SQLite's data version)
  int64_t own = 0;     // rows this connection changed, rolled back ones included
  bool operator==(const ContentVersion&) const = default;
};

class IDB {
 public:
  virtual ~IDB() = default;
  virtual TablePtr Query(std::string_view sql) = 0;
  virtual TablePtr QueryFmt(std::string_view format, const SqlArgs& args) = 0;
  // Runs one or more statements.
  virtual void Exec(std::string_view sql) = 0;
  virtual void ExecFmt(std::string_view format, const SqlArgs& args) = 0;
  // First field of the first row as an integer; 0 when there is no row.
  virtual int32_t QueryInt(std::string_view sql) = 0;
  virtual int32_t QueryIntFmt(std::string_view format, const SqlArgs& args) = 0;
  // Hands each row to `row` as it is read, every field as an integer (NULL reads as 0): many
  // rows of numbers without a table of text.
  using IntRow = std::function<void(const std::vector<int64_t>& fields)>;
  virtual void ForEachIntRow(std::string_view format, const SqlArgs& args, const IntRow& row) = 0;
  virtual ContentVersion Version() = 0;
  // Transactions nest. The outermost Begin opens the database's transaction and takes the write
  // lock at once ("begin immediate"), waiting out the busy timeout: a database another
  // connection is writing fails here, as EDatabaseError kBusy, before anything is written. An
  // inner Begin sets a savepoint; its Rollback undoes only its own work, its Commit keeps it for
  // the outer level to decide. A Commit that throws leaves its level open for Rollback to end.
  // When SQLite has ended the transaction itself (a full disk, an I/O error), every level's
  // Commit throws and its Rollback has nothing to undo. Use Transaction (below) rather than these
  // directly.
  virtual void BeginTransaction() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  virtual bool InTransaction() const = 0;
  virtual int32_t LastInsertRowID() = 0;
  // How long a write waits for another connection's lock, in milliseconds (0: fail at once).
  // New connections take the module's setting (busy-timeout in the registry).
  virtual void SetBusyTimeout(int32_t milliseconds) = 0;
  virtual std::string FileName() const = 0;
  // Opened read-only (the file or its folder cannot be written): every write fails, naming why.
  virtual bool ReadOnly() const = 0;
  // Observes the statements this connection runs (tests, diagnostics); an empty function stops it.
  virtual void SetTrace(SqlTrace trace) {}
  // The services the connection's opener attached; null until it attaches some.
  virtual void AttachServices(std::shared_ptr<const ConnectionServices> services) = 0;
  virtual const ConnectionServices* Services() const = 0;
  // The Env the connection was opened with: every object holding only the connection reads the
  // clock (and reaches the outside world) through it.
  virtual const std::shared_ptr<Env>& GetEnv() const = 0;
};
using DBPtr = std::shared_ptr<IDB>;

// "value" with every double quote doubled, between double quotes.
std::string QuoteSQL(std::string_view value);

// One unit of change, all or nothing: begun on construction (see IDB::BeginTransaction for how
// the outermost and inner units differ), undone on destruction unless committed. Throws what
// BeginTransaction throws. An undo that fails is written to the debug output; the failure that
// made the unit go out of scope is the one the caller reports.
class Transaction {
 public:
  explicit Transaction(IDB& db);
  ~Transaction();
  // Keeps the unit's work (the outermost commit writes it). Throws when the commit fails; the
  // unit is then undone.
  void Commit();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

 private:
  IDB& db_;
  bool open_ = true;
};

}  // namespace kestro
