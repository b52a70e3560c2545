#include "storage/sqlite_database.h"

#include <sqlite3.h>

#include <list>
#include <unordered_map>
#include <utility>

#include "platform/text/text.h"
#include "storage/sql_functions.h"
#include "storage/sql_text.h"
#include "storage/sqlite_table.h"

namespace kestro {
namespace {

struct ConnectionCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using ConnectionPtr = std::unique_ptr<sqlite3, ConnectionCloser>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The prepared statements of ...Fmt calls, keyed by the SQL text SQLite was given; the least
// recently used one is finalized when the cache is full. An entry without a statement marks a
// text that cannot take parameters and runs with its arguments written in.
class StatementCache {
 public:
  // False when `sql` is unknown; otherwise sets *stmt (possibly null) and makes it most recent.
  bool Find(const std::string& sql, sqlite3_stmt** stmt) {
    auto it = index_.find(sql);
    if (it == index_.end()) return false;
    entries_.splice(entries_.begin(), entries_, it->second);
    *stmt = it->second->second.get();
    return true;
  }

  sqlite3_stmt* Insert(const std::string& sql, StatementPtr stmt) {
    if (entries_.size() >= kCapacity) {
      index_.erase(entries_.back().first);
      entries_.pop_back();
    }
    entries_.emplace_front(sql, std::move(stmt));
    index_.emplace(entries_.front().first, entries_.begin());
    return entries_.front().second.get();
  }

 private:
  using Entries = std::list<std::pair<std::string, StatementPtr>>;  // most recent first
  static constexpr size_t kCapacity = 64;
  Entries entries_;
  std::unordered_map<std::string_view, Entries::iterator> index_;  // keys point into entries_
};

// Resets a cached statement and clears its bindings when its use ends, however it ends.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~StatementUse() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  sqlite3_stmt* stmt_;
};

bool IsBlankTail(const char* tail) {
  for (; *tail; ++tail) {
    if (*tail != ';' && static_cast<unsigned char>(*tail) > ' ') return false;
  }
  return true;
}

class TSQLiteDatabase final : public IDB, public std::enable_shared_from_this<TSQLiteDatabase> {
 public:
  explicit TSQLiteDatabase(std::string file_name);

  TablePtr Query(std::string_view sql) override {
    ResultSet rows;
    RunModuleText(sqltext::RemoveNul(sql), &rows);
    return MakeTable(std::move(rows));
  }
  TablePtr QueryFmt(std::string_view format, const SqlArgs& args) override {
    ResultSet rows;
    RunFormatted(format, args, &rows);
    return MakeTable(std::move(rows));
  }
  void Exec(std::string_view sql) override { RunModuleText(sqltext::RemoveNul(sql), nullptr); }
  void ExecFmt(std::string_view format, const SqlArgs& args) override {
    RunFormatted(format, args, nullptr);
  }
  int32_t QueryInt(std::string_view sql) override {
    ResultSet rows(1);
    RunModuleText(sqltext::RemoveNul(sql), &rows);
    return FirstInt(rows);
  }
  int32_t QueryIntFmt(std::string_view format, const SqlArgs& args) override {
    ResultSet rows(1);
    RunFormatted(format, args, &rows);
    return FirstInt(rows);
  }

  void BeginTransaction() override;
  bool StartTransaction() override {
    BeginTransaction();
    return true;
  }
  void Commit() override { EndTransaction("COMMIT;"); }
  void Rollback() override { EndTransaction("ROLLBACK;"); }
  int32_t LastInsertRowID() override {
    return static_cast<int32_t>(sqlite3_last_insert_rowid(db_.get()));
  }
  bool InTransaction() const override { return in_transaction_; }
  void SetNestedTransactions(bool nested) override { nested_transactions_ = nested; }
  std::string FileName() const override { return file_name_; }
  void SetTrace(SqlTrace trace) override { trace_ = std::move(trace); }
  int64_t prepare_count() const { return prepare_count_; }

 private:
  void EndTransaction(const char* sql);
  // Runs NUL-free SQL text in the module's form; errors name it as it is.
  void RunModuleText(const std::string& sql, ResultSet* rows) {
    RunStatements(sqltext::Rewrite(sql).text, sql, rows);
  }
  // Runs every statement of `sql` (rewritten, ready for SQLite), adding rows to `rows` when
  // given. `shown` is the text error messages name.
  void RunStatements(const std::string& sql, const std::string& shown, ResultSet* rows);
  // Runs a ...Fmt call through a cached prepared statement when its text allows one.
  void RunFormatted(std::string_view format, const SqlArgs& args, ResultSet* rows);
  // Null when `sql` is not exactly one statement taking `parameter_count` parameters.
  StatementPtr PrepareForCache(const std::string& sql, size_t parameter_count);
  void Bind(sqlite3_stmt* stmt, const sqltext::FormattedSql& formatted,
            const sqltext::RewrittenSql& rewritten);
  // Steps to the end, or until `rows` is full; returns the last result code. A SQLITE_SCHEMA
  // result is retried once.
  int StepAll(sqlite3_stmt* stmt, ResultSet* rows, const std::string& shown);
  [[noreturn]] void Fail(const std::string& shown, const char* message = nullptr) const;
  void Trace(const std::string& sql) const {
    if (trace_) trace_(sql);
  }
  TablePtr MakeTable(ResultSet rows) {
    return std::make_shared<TSQLiteTable>(shared_from_this(), std::move(rows));
  }
  // As ITable::Int(0) of the first row: NULL and no row read as 0.
  static int32_t FirstInt(const ResultSet& rows) {
    const char* text = rows.row_count() && rows.column_count() ? rows.Cell(0, 0) : nullptr;
    return text ? StrToInt(text) : 0;
  }

  std::string file_name_;
  ConnectionPtr db_;
  StatementCache cache_;  // declared after db_: finalized before the connection closes
  bool in_transaction_ = false;
  bool nested_transactions_ = false;
  int32_t transaction_depth_ = 0;
  SqlTrace trace_;
  int64_t prepare_count_ = 0;
};

TSQLiteDatabase::TSQLiteDatabase(std::string file_name) : file_name_(std::move(file_name)) {
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(file_name_.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                           nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) {
    throw EDatabaseError(Format("Failed to open database \"%s\" : %s", file_name_.c_str(),
                                raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
  }
  RegisterSqlFunctions(db_.get());
}

void TSQLiteDatabase::BeginTransaction() {
  if (nested_transactions_ && transaction_depth_ >= 1) {
    ++transaction_depth_;
    return;
  }
  Exec("BEGIN TRANSACTION;");
  if (nested_transactions_) ++transaction_depth_;
  in_transaction_ = true;
}

// The outermost Commit or Rollback decides; inner ones only count down.
void TSQLiteDatabase::EndTransaction(const char* sql) {
  if (nested_transactions_ && --transaction_depth_ > 0) return;
  Exec(sql);
  in_transaction_ = false;
  transaction_depth_ = 0;
}

void TSQLiteDatabase::Fail(const std::string& shown, const char* message) const {
  throw EDatabaseError(Format("Error executing SQL \"%s\" : %s", shown.c_str(),
                              message ? message : sqlite3_errmsg(db_.get())));
}

int TSQLiteDatabase::StepAll(sqlite3_stmt* stmt, ResultSet* rows, const std::string& shown) {
  for (bool retried = false;;) {
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_SCHEMA && !retried) {
      retried = true;
      sqlite3_reset(stmt);
      continue;
    }
    if (rc != SQLITE_ROW) return rc;
    if (!rows) continue;
    if (rows->Full()) return SQLITE_DONE;
    if (!rows->Fits(stmt)) Fail(shown, "the statements return different numbers of columns");
    rows->AddRow(stmt);
  }
}

void TSQLiteDatabase::RunStatements(const std::string& sql, const std::string& shown,
                                    ResultSet* rows) {
  Trace(sql);
  const char* next = sql.c_str();
  const char* end = next + sql.size();
  while (next < end) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    ++prepare_count_;
    int rc = sqlite3_prepare_v2(db_.get(), next, static_cast<int>(end - next), &raw, &tail);
    if (rc == SQLITE_SCHEMA) {
      rc = sqlite3_prepare_v2(db_.get(), next, static_cast<int>(end - next), &raw, &tail);
    }
    if (rc != SQLITE_OK) Fail(shown);
    StatementPtr stmt(raw);
    next = tail;
    if (stmt && StepAll(stmt.get(), rows, shown) != SQLITE_DONE) Fail(shown);
  }
}

StatementPtr TSQLiteDatabase::PrepareForCache(const std::string& sql, size_t parameter_count) {
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  ++prepare_count_;
  int rc = sqlite3_prepare_v3(db_.get(), sql.c_str(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &raw, &tail);
  StatementPtr stmt(raw);
  if (rc != SQLITE_OK || !stmt || !IsBlankTail(tail) ||
      static_cast<size_t>(sqlite3_bind_parameter_count(raw)) != parameter_count) {
    return nullptr;
  }
  return stmt;
}

void TSQLiteDatabase::Bind(sqlite3_stmt* stmt, const sqltext::FormattedSql& formatted,
                           const sqltext::RewrittenSql& rewritten) {
  for (size_t i = 0; i < rewritten.parameters.size(); ++i) {
    const sqltext::Slot& slot = formatted.slots[rewritten.parameters[i]];
    const int index = static_cast<int>(i) + 1;
    int rc = slot.arg->kind() == SqlArg::Kind::kInt
                 ? sqlite3_bind_int64(stmt, index, slot.arg->int_value())
                 : sqlite3_bind_text(stmt, index, slot.text.data(),
                                     static_cast<int>(slot.text.size()), SQLITE_STATIC);
    if (rc != SQLITE_OK) Fail(formatted.literal);
  }
}

void TSQLiteDatabase::RunFormatted(std::string_view format, const SqlArgs& args,
                                   ResultSet* rows) {
  const sqltext::FormattedSql formatted = sqltext::ExpandFormat(format, args);
  std::vector<std::string> literals;
  literals.reserve(formatted.slots.size());
  for (const sqltext::Slot& slot : formatted.slots) literals.push_back(slot.literal);
  const sqltext::RewrittenSql rewritten = sqltext::Rewrite(formatted.marked, literals);

  sqlite3_stmt* stmt = nullptr;
  const bool known = cache_.Find(rewritten.text, &stmt);
  if (!known) {
    StatementPtr prepared = PrepareForCache(rewritten.text, rewritten.parameters.size());
    if (prepared) stmt = cache_.Insert(rewritten.text, std::move(prepared));
  }
  if (!stmt) {
    // Several statements, or a place SQLite takes no parameter: write the arguments in.
    RunModuleText(formatted.literal, rows);
    if (!known) cache_.Insert(rewritten.text, nullptr);
    return;
  }

  Trace(rewritten.text);
  StatementUse use(stmt);
  Bind(stmt, formatted, rewritten);
  if (StepAll(stmt, rows, formatted.literal) != SQLITE_DONE) Fail(formatted.literal);
}

}  // namespace

DBPtr OpenSQLiteDatabase(const std::string& file_name) {
  return std::make_shared<TSQLiteDatabase>(file_name);
}

int64_t SQLitePrepareCount(const IDB& db) {
  const auto* sqlite_db = dynamic_cast<const TSQLiteDatabase*>(&db);
  return sqlite_db ? sqlite_db->prepare_count() : 0;
}

}  // namespace kestro
