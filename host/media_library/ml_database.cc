#include "host/media_library/ml_database.h"

#include <filesystem>

#include "platform/env/real_env.h"
#include "platform/env/writable.h"
#include "platform/text/text.h"

namespace kestro::host {

namespace {

// Version 1: sections, items with their tags, views with their levels.
constexpr const char* kSchema = R"sql(
create table if not exists sections (
  section_id integer primary key,
  name text not null collate nocase unique);
create table if not exists items (
  item_id integer primary key,
  section_id integer not null references sections (section_id) on delete cascade,
  name text not null default '',
  sort_name text not null default '',
  location text not null default '',
  key text not null default '');
create index if not exists idx_items_section on items (section_id);
create table if not exists item_tags (
  item_id integer not null references items (item_id) on delete cascade,
  position integer not null,
  name text not null collate nocase,
  type integer not null,
  value,
  match_text text not null,
  primary key (item_id, position));
create index if not exists idx_item_tags_match on item_tags (name, match_text);
create table if not exists views (
  view_id integer primary key,
  section_id integer not null references sections (section_id) on delete cascade,
  name text not null collate nocase,
  filter text not null default '');
create index if not exists idx_views_section on views (section_id);
create table if not exists levels (
  level_id integer primary key,
  view_id integer not null references views (view_id) on delete cascade,
  tag text not null default '',
  flag integer not null default 0,
  sort_tag text not null default '',
  caption text not null default '',
  style text not null default '');
create index if not exists idx_levels_view on levels (view_id);
pragma user_version = 1;
)sql";

// A connection that cannot write: SQLite reads a file in write-ahead-log mode through an index it
// keeps beside the log. While a writer has the library open both are there; when none has and
// the folder cannot take them, the file alone is the whole library and is read as it stands.
sqlite3* OpenReadOnly(const std::string& file_name, const std::string& why_not_writable) {
  if (!std::filesystem::exists(file_name))
    throw EMediaLibraryError(
        Format("Cannot create \"%s\" : %s", file_name.c_str(), why_not_writable.c_str()));
  sqlite3* raw = nullptr;
  for (const bool immutable : {false, true}) {
    sqlite3_close(raw);
    raw = nullptr;
    if (sqlite3_open_v2(ReadOnlyUri(file_name, immutable).c_str(), &raw,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX,
                        nullptr) == SQLITE_OK &&
        (sqlite3_exec(raw, "select count ( * ) from sqlite_master", nullptr, nullptr, nullptr) ==
             SQLITE_OK ||
         std::filesystem::exists(file_name + "-wal")))
      return raw;
  }
  const std::string why = raw ? sqlite3_errmsg(raw) : "out of memory";
  sqlite3_close(raw);
  throw EMediaLibraryError(why);
}

}  // namespace

MLDatabasePtr MLDatabase::Open(const std::string& file_name) {
  const std::string read_only_why = WhyNotWritable(*MakeRealEnv(), file_name);
  sqlite3* raw = nullptr;
  try {
    if (!read_only_why.empty()) {
      raw = OpenReadOnly(file_name, read_only_why);
    } else {
      const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
      const int rc = sqlite3_open_v2(file_name.c_str(), &raw, flags, nullptr);
      if (rc != SQLITE_OK) {
        std::string why = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
        sqlite3_close(raw);
        throw EMediaLibraryError(why);
      }
    }
  } catch (const std::exception& e) {
    throw EMediaLibraryError(
        Format("Failed to open media library \"%s\" : %s", file_name.c_str(), e.what()));
  }
  MLDatabasePtr db(new MLDatabase(raw, file_name, read_only_why));
  // The host and a module may hold the file open at once: wait for each other's writes.
  sqlite3_busy_timeout(raw, 5000);
  if (db->ReadOnly()) return db;
  try {
    db->Exec("pragma journal_mode = wal; pragma synchronous = normal; pragma foreign_keys = on;");
    db->Exec(kSchema);
  } catch (const std::exception& e) {
    throw EMediaLibraryError(
        Format("Failed to open media library \"%s\" : %s", file_name.c_str(), e.what()));
  }
  return db;
}

MLDatabase::~MLDatabase() { sqlite3_close_v2(db_); }

void MLDatabase::Exec(const char* sql) {
  std::lock_guard lock(mutex_);
  char* error = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::string why = error ? error : sqlite3_errmsg(db_);
    sqlite3_free(error);
    Fail(why.c_str());
  }
}

void MLDatabase::AttachItem(IUnknown* identity, TMLItem* item) {
  kestro::MutexLock lock(items_mutex_);
  items_[identity] = item;
}

void MLDatabase::DetachItem(IUnknown* identity) {
  kestro::MutexLock lock(items_mutex_);
  items_.erase(identity);
}

TMLItem* MLDatabase::FindItem(IUnknown* identity) {
  kestro::MutexLock lock(items_mutex_);
  auto it = items_.find(identity);
  return it == items_.end() ? nullptr : it->second;
}

void MLDatabase::CheckWritable() const {
  if (ReadOnly())
    throw EMediaLibraryError(
        Format("Cannot change \"%s\" : %s", file_name_.c_str(), read_only_why_.c_str()));
}

void MLDatabase::Fail(const char* message) const {
  if ((sqlite3_errcode(db_) & 0xff) == SQLITE_READONLY) CheckWritable();
  throw EMediaLibraryError(message ? message : sqlite3_errmsg(db_));
}

MLStatement::MLStatement(MLDatabase& db, std::string_view sql) : db_(db) {
  Check(sqlite3_prepare_v2(db.Handle(), sql.data(), static_cast<int>(sql.size()), &stmt_,
                           nullptr));
}

MLStatement::~MLStatement() { sqlite3_finalize(stmt_); }

void MLStatement::Check(int rc) const {
  if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) db_.Fail();
}

MLStatement& MLStatement::Bind(int index, int64_t value) {
  Check(sqlite3_bind_int64(stmt_, index, value));
  return *this;
}

MLStatement& MLStatement::Bind(int index, std::string_view text) {
  Check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT));
  return *this;
}

MLStatement& MLStatement::BindValue(int index, const Variant& value) {
  switch (value.Type()) {
    case VT_EMPTY:
    case VT_NULL: Check(sqlite3_bind_null(stmt_, index)); break;
    case VT_I4:
    case VT_I8:
    case VT_BOOL: Check(sqlite3_bind_int64(stmt_, index, value.ToInt64())); break;
    case VT_R8:
    case VT_DATE: Check(sqlite3_bind_double(stmt_, index, value.ToDouble())); break;
    case VT_BSTR: Bind(index, value.ToString()); break;
    default:
      throw EMediaLibraryError(Format("A %s value cannot be stored in the media library",
                                      Variant::TypeName(value.Type())));
  }
  return *this;
}

bool MLStatement::Step() {
  int rc = sqlite3_step(stmt_);
  Check(rc);
  return rc == SQLITE_ROW;
}

void MLStatement::Run() {
  while (Step()) {
  }
}

void MLStatement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int64_t MLStatement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string MLStatement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  if (!text) return {};
  return std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(stmt_, column));
}

Variant MLStatement::Value(int column, int type) const {
  switch (type) {
    case VT_NULL: return Variant::Null();
    case VT_I4: return Variant(static_cast<int32_t>(Int(column)));
    case VT_I8: return Variant(Int(column));
    case VT_BOOL: return Variant(Int(column) != 0);
    case VT_R8: return Variant(sqlite3_column_double(stmt_, column));
    case VT_DATE: return Variant::Date(sqlite3_column_double(stmt_, column));
    case VT_BSTR: return Variant(Text(column));
    default: return {};
  }
}

MLTransaction::MLTransaction(MLDatabase& db) : db_(db), lock_(db.Mutex()) {
  db_.CheckWritable();
  db_.Exec("begin immediate");
}

MLTransaction::~MLTransaction() {
  if (!done_) sqlite3_exec(db_.Handle(), "rollback", nullptr, nullptr, nullptr);
}

void MLTransaction::Commit() {
  db_.Exec("commit");
  done_ = true;
}

}  // namespace kestro::host
