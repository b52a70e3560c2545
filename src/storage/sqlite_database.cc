#include "storage/sqlite_database.h"

#include <sqlite3.h>

#include <list>
#include <unordered_map>
#include <utility>

#include "core/registry_info.h"
#include "platform/env/writable.h"
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

// A least-recently-used map from a text key to a value; the least recently used entry goes when
// the map is full.
template <class Value>
class LruMap {
 public:
  explicit LruMap(size_t capacity) : capacity_(capacity) {}

  // Null when `key` is unknown; otherwise the value, made most recent.
  Value* Find(std::string_view key) {
    auto it = index_.find(key);
    if (it == index_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, it->second);
    return &it->second->second;
  }

  Value& Insert(std::string key, Value value) {
    if (entries_.size() >= capacity_) {
      index_.erase(entries_.back().first);
      entries_.pop_back();
    }
    entries_.emplace_front(std::move(key), std::move(value));
    index_.emplace(entries_.front().first, entries_.begin());
    return entries_.front().second;
  }

 private:
  using Entries = std::list<std::pair<std::string, Value>>;  // most recent first
  const size_t capacity_;
  Entries entries_;
  // Keys point into entries_.
  std::unordered_map<std::string_view, typename Entries::iterator> index_;
};

// How the calls of one ...Fmt shape run: the format with the kinds of its arguments and the text
// of its Raw arguments. Where every Int and Quoted argument stands in plain SQL, the text SQLite
// is given does not depend on their values, so one plan serves every call of the shape and no
// SQL text is built per call.
struct FormatPlan {
  enum class Mode {
    kStatement,  // bind the arguments to `statement`
    kLiteral,    // the text takes no parameters (several statements, a pragma): write them in
    kPerText,    // some argument stands inside a literal or comment: the text depends on values
  };
  Mode mode = Mode::kLiteral;
  StatementPtr statement;
  std::string sql;  // the text SQLite was given, "?" for each parameter (kStatement)
  std::vector<uint32_t> arg_of_parameter;  // for each "?" in order, the index of its argument
};

// The cache key of a call's shape: the format, then each argument's kind and, for Raw, its text;
// lengths are written before texts, so different shapes never share a key.
void MakeShapeKey(std::string_view format, const SqlArgs& args, std::string* key) {
  auto append_size = [key](size_t n) { key->append(reinterpret_cast<const char*>(&n), sizeof n); };
  key->clear();
  append_size(format.size());
  key->append(format);
  for (const SqlArg& arg : args) {
    key->push_back(static_cast<char>('0' + static_cast<int>(arg.kind())));
    if (arg.kind() != SqlArg::Kind::kRaw) continue;
    append_size(arg.text().size());
    key->append(arg.text());
  }
}

// A ...Fmt call written out: its arguments applied, and its text as SQLite is given it.
struct ExpandedCall {
  sqltext::FormattedSql formatted;
  sqltext::RewrittenSql rewritten;
};

// Throws for a format that does not match its arguments.
ExpandedCall Expand(std::string_view format, const SqlArgs& args) {
  ExpandedCall call{sqltext::ExpandFormat(format, args), {}};
  std::vector<std::string> literals;
  literals.reserve(call.formatted.slots.size());
  for (const sqltext::Slot& slot : call.formatted.slots) literals.push_back(slot.literal);
  call.rewritten = sqltext::Rewrite(call.formatted.marked, literals);
  return call;
}

// The SQL text an error message names, built only when a message needs it: a ...Fmt call's
// statement with every argument written in, or a text given as it stands.
class ShownSql {
 public:
  explicit ShownSql(const std::string& text) : text_(&text) {}
  ShownSql(std::string_view format, const SqlArgs& args) : format_(format), args_(&args) {}
  std::string Text() const {
    return text_ ? *text_ : sqltext::ExpandFormat(format_, *args_).literal;
  }

 private:
  const std::string* text_ = nullptr;
  std::string_view format_;
  const SqlArgs* args_ = nullptr;
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
  // Read-write (and created when missing) with an empty `read_only_why`; else read-only.
  TSQLiteDatabase(std::string file_name, std::shared_ptr<Env> env, std::string read_only_why);

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
  void ForEachIntRow(std::string_view format, const SqlArgs& args, const IntRow& row) override {
    IntRows rows(row);
    RunFormatted(format, args, &rows);
  }
  ContentVersion Version() override {
    return {QueryInt("pragma data_version"), sqlite3_total_changes64(db_.get())};
  }

  void BeginTransaction() override;
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override { return transaction_depth_ > 0; }
  int32_t LastInsertRowID() override {
    return static_cast<int32_t>(sqlite3_last_insert_rowid(db_.get()));
  }
  void SetBusyTimeout(int32_t milliseconds) override {
    sqlite3_busy_timeout(db_.get(), milliseconds);
  }
  std::string FileName() const override { return file_name_; }
  bool ReadOnly() const override { return !read_only_why_.empty(); }
  void SetTrace(SqlTrace trace) override { trace_ = std::move(trace); }
  void AttachServices(std::shared_ptr<const ConnectionServices> services) override {
    services_ = std::move(services);
  }
  const ConnectionServices* Services() const override { return services_.get(); }
  const std::shared_ptr<Env>& GetEnv() const override { return env_; }

 private:
  // Opens the connection; throws EDatabaseError on failure.
  void Open(const std::string& name, int flags);
  void OpenReadOnly();
  [[noreturn]] void FailReadOnly() const {
    throw EDatabaseError::ReadOnlyRefusal(
        Format("Cannot change \"%s\" : %s", file_name_.c_str(), read_only_why_.c_str()));
  }
  // Whether SQLite has ended the transaction this connection began (it does so by itself after
  // some errors, such as a full disk): every level then fails to commit and has nothing to undo.
  bool TransactionLost() const {
    return transaction_depth_ > 0 && sqlite3_get_autocommit(db_.get()) != 0;
  }
  // Runs NUL-free SQL text in the module's form; errors name it as it is.
  void RunModuleText(const std::string& sql, RowSink* rows) {
    RunStatements(sqltext::Rewrite(sql).text, sql, rows);
  }
  // Runs every statement of `sql` (rewritten, ready for SQLite), adding rows to `rows` when
  // given. `shown` is the text error messages name.
  void RunStatements(const std::string& sql, const std::string& shown, RowSink* rows);
  // Runs a ...Fmt call through a cached prepared statement when its text allows one.
  void RunFormatted(std::string_view format, const SqlArgs& args, RowSink* rows);
  // The plan of a shape met for the first time; runs the call on the way.
  void PlanAndRun(std::string_view format, const SqlArgs& args, RowSink* rows);
  // A call whose SQL text depends on its values: prepared statements are cached by that text.
  void RunPerText(const sqltext::FormattedSql& formatted, const sqltext::RewrittenSql& rewritten,
                  RowSink* rows);
  // Null when `sql` is not exactly one statement taking `parameter_count` parameters.
  StatementPtr PrepareForCache(const std::string& sql, size_t parameter_count);
  void Bind(sqlite3_stmt* stmt, const sqltext::FormattedSql& formatted,
            const sqltext::RewrittenSql& rewritten);
  void BindPlanned(const FormatPlan& plan, std::string_view format, const SqlArgs& args);
  // Steps to the end, or until `rows` is full; returns the last result code. A SQLITE_SCHEMA
  // result is retried once.
  int StepAll(sqlite3_stmt* stmt, RowSink* rows, const ShownSql& shown);
  [[noreturn]] void Fail(const ShownSql& shown, const char* message = nullptr) const;
  [[noreturn]] void Fail(const std::string& shown, const char* message = nullptr) const {
    Fail(ShownSql(shown), message);
  }
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

  static constexpr size_t kPlanCapacity = 64;

  std::string file_name_;
  const std::string read_only_why_;
  // Before db_: the SQL functions registered on the connection read its clock until it closes.
  const std::shared_ptr<Env> env_;
  ConnectionPtr db_;
  // Declared after db_: their statements are finalized before the connection closes.
  LruMap<FormatPlan> plans_{kPlanCapacity};
  LruMap<StatementPtr> per_text_{kPlanCapacity};  // null: the text takes no parameters
  std::string shape_key_;  // reused by every call, so a cached call allocates no key
  int32_t transaction_depth_ = 0;  // 1 for the outermost transaction, +1 per savepoint
  SqlTrace trace_;
  std::shared_ptr<const ConnectionServices> services_;
};

TSQLiteDatabase::TSQLiteDatabase(std::string file_name, std::shared_ptr<Env> env,
                                 std::string read_only_why)
    : file_name_(std::move(file_name)),
      read_only_why_(std::move(read_only_why)),
      env_(std::move(env)) {
  if (ReadOnly())
    OpenReadOnly();
  else
    Open(file_name_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  sqlite3_extended_result_codes(db_.get(), 1);
  sqlite3_busy_timeout(db_.get(), Config().busy_timeout_ms);
  RegisterSqlFunctions(db_.get(), *env_);
}

void TSQLiteDatabase::Open(const std::string& name, int flags) {
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) {
    throw EDatabaseError(Format("Failed to open database \"%s\" : %s", file_name_.c_str(),
                                raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)),
                         raw ? sqlite3_extended_errcode(raw) : rc);
  }
}

void TSQLiteDatabase::OpenReadOnly() {
  const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
  Open(ReadOnlyUri(file_name_, false), flags);
  // A file in write-ahead-log mode is read through its shared-memory index, which SQLite makes
  // beside the log. While a writer has the file open both exist and are read as they are; when
  // none has, and the folder cannot take them, the file alone is the whole database and is read
  // as it stands (immutable): its writers would have to make the log first.
  if (sqlite3_exec(db_.get(), "select count ( * ) from sqlite_master", nullptr, nullptr,
                   nullptr) == SQLITE_OK ||
      env_->FileExists(file_name_ + "-wal")) {
    return;
  }
  db_.reset();
  Open(ReadOnlyUri(file_name_, true), flags);
}

void TSQLiteDatabase::BeginTransaction() {
  if (ReadOnly()) FailReadOnly();
  if (transaction_depth_ == 0) {
    Exec("begin immediate transaction");
  } else {
    if (TransactionLost()) {
      throw EDatabaseError(Format("Failed to begin a nested transaction on \"%s\" : the "
                                  "transaction was ended by the database after an error",
                                  file_name_.c_str()));
    }
    // A prepared statement of its own: a savepoint per saved programme costs no parse.
    ExecFmt(Format("savepoint kestro_%d", transaction_depth_), {});
  }
  ++transaction_depth_;
}

void TSQLiteDatabase::Commit() {
  if (transaction_depth_ == 0) return;
  if (TransactionLost()) {
    throw EDatabaseError(Format("Failed to commit on \"%s\" : the transaction was ended by the "
                                "database after an error",
                                file_name_.c_str()));
  }
  const int32_t level = transaction_depth_ - 1;
  if (level == 0) {
    Exec("commit");
  } else {
    ExecFmt(Format("release kestro_%d", level), {});
  }
  transaction_depth_ = level;
}

void TSQLiteDatabase::Rollback() {
  if (transaction_depth_ == 0) return;
  const int32_t level = --transaction_depth_;
  if (TransactionLost()) return;  // nothing left to undo at any level
  if (level == 0) {
    Exec("rollback");
  } else {
    ExecFmt(Format("rollback to kestro_%d", level), {});
    ExecFmt(Format("release kestro_%d", level), {});
  }
}

void TSQLiteDatabase::Fail(const ShownSql& shown, const char* message) const {
  if (!message && ReadOnly() && (sqlite3_errcode(db_.get()) & 0xff) == SQLITE_READONLY)
    FailReadOnly();
  const std::string reason = message ? message : sqlite3_errmsg(db_.get());
  throw EDatabaseError(
      Format("Error executing SQL \"%s\" : %s", shown.Text().c_str(), reason.c_str()),
      message ? SQLITE_ERROR : sqlite3_extended_errcode(db_.get()));
}

int TSQLiteDatabase::StepAll(sqlite3_stmt* stmt, RowSink* rows, const ShownSql& shown) {
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
                                    RowSink* rows) {
  Trace(sql);
  const char* next = sql.c_str();
  const char* end = next + sql.size();
  while (next < end) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_.get(), next, static_cast<int>(end - next), &raw, &tail);
    if (rc == SQLITE_SCHEMA) {
      rc = sqlite3_prepare_v2(db_.get(), next, static_cast<int>(end - next), &raw, &tail);
    }
    if (rc != SQLITE_OK) Fail(shown);
    StatementPtr stmt(raw);
    next = tail;
    if (stmt && StepAll(stmt.get(), rows, ShownSql(shown)) != SQLITE_DONE) Fail(shown);
  }
}

StatementPtr TSQLiteDatabase::PrepareForCache(const std::string& sql, size_t parameter_count) {
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
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

void TSQLiteDatabase::BindPlanned(const FormatPlan& plan, std::string_view format,
                                  const SqlArgs& args) {
  sqlite3_stmt* stmt = plan.statement.get();
  for (size_t i = 0; i < plan.arg_of_parameter.size(); ++i) {
    const SqlArg& arg = args[plan.arg_of_parameter[i]];
    const int index = static_cast<int>(i) + 1;
    int rc = SQLITE_OK;
    if (arg.kind() == SqlArg::Kind::kInt) {
      rc = sqlite3_bind_int64(stmt, index, arg.int_value());
    } else if (arg.text().find('\0') == std::string::npos) {
      // The argument outlives the statement's use.
      rc = sqlite3_bind_text(stmt, index, arg.text().data(), static_cast<int>(arg.text().size()),
                             SQLITE_STATIC);
    } else {
      const std::string text = sqltext::RemoveNul(arg.text());
      rc = sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) Fail(ShownSql(format, args));
  }
}

void TSQLiteDatabase::RunFormatted(std::string_view format, const SqlArgs& args,
                                   RowSink* rows) {
  MakeShapeKey(format, args, &shape_key_);
  FormatPlan* plan = plans_.Find(shape_key_);
  if (!plan) {
    PlanAndRun(format, args, rows);
    return;
  }
  switch (plan->mode) {
    case FormatPlan::Mode::kStatement: {
      Trace(plan->sql);
      StatementUse use(plan->statement.get());
      BindPlanned(*plan, format, args);
      const ShownSql shown(format, args);
      if (StepAll(plan->statement.get(), rows, shown) != SQLITE_DONE) Fail(shown);
      return;
    }
    case FormatPlan::Mode::kLiteral:
      RunModuleText(sqltext::ExpandFormat(format, args).literal, rows);
      return;
    case FormatPlan::Mode::kPerText: {
      const ExpandedCall call = Expand(format, args);
      RunPerText(call.formatted, call.rewritten, rows);
      return;
    }
  }
}

void TSQLiteDatabase::PlanAndRun(std::string_view format, const SqlArgs& args, RowSink* rows) {
  // A format that does not match its arguments throws here and never gets a plan.
  ExpandedCall call = Expand(format, args);
  const sqltext::FormattedSql& formatted = call.formatted;
  sqltext::RewrittenSql& rewritten = call.rewritten;

  FormatPlan plan;
  if (rewritten.parameters.size() != formatted.slots.size()) {
    plan.mode = FormatPlan::Mode::kPerText;
    plans_.Insert(shape_key_, std::move(plan));
    RunPerText(formatted, rewritten, rows);
    return;
  }
  plan.statement = PrepareForCache(rewritten.text, rewritten.parameters.size());
  if (!plan.statement) {
    // Several statements, or a place SQLite takes no parameter: write the arguments in.
    plan.mode = FormatPlan::Mode::kLiteral;
    plans_.Insert(shape_key_, std::move(plan));
    RunModuleText(formatted.literal, rows);
    return;
  }
  plan.mode = FormatPlan::Mode::kStatement;
  for (size_t slot : rewritten.parameters) {
    plan.arg_of_parameter.push_back(
        static_cast<uint32_t>(formatted.slots[slot].arg - args.data()));
  }
  plan.sql = std::move(rewritten.text);
  const FormatPlan& stored = plans_.Insert(shape_key_, std::move(plan));
  Trace(stored.sql);
  StatementUse use(stored.statement.get());
  BindPlanned(stored, format, args);
  const ShownSql shown(formatted.literal);
  if (StepAll(stored.statement.get(), rows, shown) != SQLITE_DONE) Fail(shown);
}

void TSQLiteDatabase::RunPerText(const sqltext::FormattedSql& formatted,
                                 const sqltext::RewrittenSql& rewritten, RowSink* rows) {
  StatementPtr* cached = per_text_.Find(rewritten.text);
  if (!cached) {
    cached = &per_text_.Insert(rewritten.text,
                               PrepareForCache(rewritten.text, rewritten.parameters.size()));
  }
  sqlite3_stmt* stmt = cached->get();
  if (!stmt) {
    RunModuleText(formatted.literal, rows);
    return;
  }
  Trace(rewritten.text);
  StatementUse use(stmt);
  Bind(stmt, formatted, rewritten);
  const ShownSql shown(formatted.literal);
  if (StepAll(stmt, rows, shown) != SQLITE_DONE) Fail(shown);
}

}  // namespace

DBPtr OpenSQLiteDatabase(const std::string& file_name, std::shared_ptr<Env> env) {
  return std::make_shared<TSQLiteDatabase>(file_name, std::move(env), std::string());
}

DBPtr OpenSQLiteDatabaseReadOnly(const std::string& file_name, std::shared_ptr<Env> env,
                                 std::string why) {
  if (why.empty()) why = "it is open read-only";
  return std::make_shared<TSQLiteDatabase>(file_name, std::move(env), std::move(why));
}

}  // namespace kestro
