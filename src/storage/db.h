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
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/exception.h"

namespace kestro {

KESTRO_DECLARE_EXCEPTION(EDatabaseError, Exception);

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
  virtual void BeginTransaction() = 0;
  virtual bool StartTransaction() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  virtual int32_t LastInsertRowID() = 0;
  virtual bool InTransaction() const = 0;
  virtual void SetNestedTransactions(bool nested) = 0;
  virtual std::string FileName() const = 0;
  // Observes the statements this connection runs (tests, diagnostics); an empty function stops it.
  virtual void SetTrace(SqlTrace trace) {}
  // The services the connection's opener attached; null until it attaches some.
  virtual void AttachServices(std::shared_ptr<const ConnectionServices> services) = 0;
  virtual const ConnectionServices* Services() const = 0;
};
using DBPtr = std::shared_ptr<IDB>;

// "value" with every double quote doubled, between double quotes.
std::string QuoteSQL(std::string_view value);

// Rolls back an open transaction unless Commit() was called; the RAII form of
// BeginTransaction / Commit / Rollback.
class TransactionGuard {
 public:
  explicit TransactionGuard(IDB& db) : db_(db) { db_.BeginTransaction(); }
  ~TransactionGuard();
  void Commit();
  TransactionGuard(const TransactionGuard&) = delete;
  TransactionGuard& operator=(const TransactionGuard&) = delete;

 private:
  IDB& db_;
  bool done_ = false;
};

}  // namespace kestro
