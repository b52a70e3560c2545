#include "storage/db.h"

#include <sqlite3.h>

#include "platform/system/debug_trace.h"
#include "platform/text/text.h"

namespace kestro {

std::string QuoteSQL(std::string_view value) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

namespace {

DbFailure FailureOf(int sqlite_code) {
  switch (sqlite_code & 0xff) {  // the primary result code
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return DbFailure::kBusy;
    case SQLITE_CONSTRAINT: return DbFailure::kConstraint;
    case SQLITE_FULL: return DbFailure::kFull;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return DbFailure::kCorrupt;
    case SQLITE_READONLY: return DbFailure::kReadOnly;
    case SQLITE_CANTOPEN: return DbFailure::kCantOpen;
    case SQLITE_IOERR: return DbFailure::kIo;
    default: return DbFailure::kError;
  }
}

}  // namespace

EDatabaseError::EDatabaseError(const std::string& message, int sqlite_code)
    : Exception(message), sqlite_code_(sqlite_code), failure_(FailureOf(sqlite_code)) {}

EDatabaseError EDatabaseError::ReadOnlyRefusal(const std::string& message) {
  EDatabaseError refusal(message, SQLITE_READONLY);
  refusal.refused_ = true;
  return refusal;
}

std::string FailureCause(const std::exception& failure) {
  if (const auto* db_error = dynamic_cast<const EDatabaseError*>(&failure)) {
    switch (db_error->failure()) {
      case DbFailure::kBusy: return "the database is locked by another program";
      case DbFailure::kFull: return "the disk is full";
      case DbFailure::kReadOnly:
        // The module's own refusal says which file and why; SQLite's does not.
        return db_error->refused() ? failure.what() : "the database is read-only";
      case DbFailure::kCorrupt: return "the database file is damaged";
      case DbFailure::kCantOpen: return "the database file cannot be opened";
      case DbFailure::kIo: return "the disk failed a read or write";
      case DbFailure::kError:
      case DbFailure::kConstraint: break;
    }
  }
  return failure.what();
}

bool IsReadOnlyFailure(const std::exception& failure) {
  const auto* db_error = dynamic_cast<const EDatabaseError*>(&failure);
  return db_error && db_error->failure() == DbFailure::kReadOnly;
}

void ThrowWithCause(const std::string& message, const std::exception& cause) {
  if (const auto* db_error = dynamic_cast<const EDatabaseError*>(&cause))
    throw EDatabaseError(message, db_error->sqlite_code());
  throw Exception(message);
}

Transaction::Transaction(IDB& db) : db_(db) { db_.BeginTransaction(); }

Transaction::~Transaction() {
  if (!open_) return;
  try {
    db_.Rollback();
  } catch (const std::exception& e) {
    DebugTrace(Format("BAD : Undoing a transaction on \"%s\" failed : %s", db_.FileName().c_str(),
                      e.what()));
  }
}

void Transaction::Commit() {
  open_ = false;
  try {
    db_.Commit();
  } catch (...) {
    open_ = true;  // the destructor undoes what is left
    throw;
  }
}

namespace {

// NULL reads as 0; other text must be an integer (EConvertError otherwise).
int64_t ToInt64(const char* text) {
  if (!text) return 0;
  int64_t value = 0;
  if (!TryStrToInt64(text, &value)) {
    throw EConvertError(Format("'%s' is not a valid integer value", text));
  }
  return value;
}

int32_t ToInt32(const char* text) { return text ? StrToInt(text) : 0; }

}  // namespace

std::string ITable::Text(int32_t index) const {
  const char* text = Field(index);
  return text ? text : "";
}

std::string ITable::Text(std::string_view name) const {
  const char* text = FieldByName(name);
  return text ? text : "";
}

int32_t ITable::Int(int32_t index) const { return ToInt32(Field(index)); }
int32_t ITable::Int(std::string_view name) const { return ToInt32(FieldByName(name)); }
int64_t ITable::Int64(std::string_view name) const { return ToInt64(FieldByName(name)); }

}  // namespace kestro
