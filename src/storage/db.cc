#include "storage/db.h"

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

TransactionGuard::~TransactionGuard() {
  if (done_) return;
  try {
    db_.Rollback();
  } catch (...) {
    // The transaction may already be gone (SQLite ends some on error); nothing more to undo.
  }
}

void TransactionGuard::Commit() {
  db_.Commit();
  done_ = true;
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
