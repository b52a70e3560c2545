#include "storage/sqlite_table.h"

#include <sqlite3.h>

#include "platform/text/text.h"

namespace kestro {

bool ResultSet::Fits(sqlite3_stmt* stmt) const {
  return row_count_ == 0 || sqlite3_column_count(stmt) == column_count();
}

void ResultSet::AddRow(sqlite3_stmt* stmt) {
  const int columns = sqlite3_column_count(stmt);
  if (row_count_ == 0) {
    names_.clear();
    for (int c = 0; c < columns; ++c) {
      std::string_view name = sqlite3_column_name(stmt, c);
      size_t dot = name.find('.');
      names_.emplace_back(dot == std::string_view::npos ? name : name.substr(dot + 1));
    }
  }
  for (int c = 0; c < columns; ++c) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
    if (!text) {
      offsets_.push_back(kNull);
      continue;
    }
    offsets_.push_back(cells_.size());
    cells_.append(text, sqlite3_column_bytes(stmt, c));
    cells_ += '\0';
  }
  ++row_count_;
}

void IntRows::AddRow(sqlite3_stmt* stmt) {
  first_ = false;
  fields_.resize(static_cast<size_t>(sqlite3_column_count(stmt)));
  for (size_t c = 0; c < fields_.size(); ++c)
    fields_[c] = sqlite3_column_int64(stmt, static_cast<int>(c));
  row_(fields_);
}

bool IntRows::Fits(sqlite3_stmt* stmt) const {
  return first_ || static_cast<size_t>(sqlite3_column_count(stmt)) == fields_.size();
}

const char* ResultSet::Cell(int32_t row, int32_t column) const {
  size_t offset = offsets_[static_cast<size_t>(row) * names_.size() + column];
  return offset == kNull ? nullptr : cells_.data() + offset;
}

TSQLiteTable::TSQLiteTable(std::shared_ptr<IDB> db, ResultSet rows)
    : db_(std::move(db)), rows_(std::move(rows)) {}

const char* TSQLiteTable::Field(int32_t index) const {
  if (Eof() || index < 0 || index >= rows_.column_count()) return nullptr;
  return rows_.Cell(row_, index);
}

std::string TSQLiteTable::ColumnName(int32_t index) const {
  if (index < 0 || index >= rows_.column_count()) return {};
  return rows_.names()[index];
}

const char* TSQLiteTable::FieldByName(std::string_view name) const {
  if (folded_names_.size() != rows_.names().size()) {
    folded_names_.clear();
    for (const std::string& column : rows_.names()) folded_names_.push_back(UnicodeLower(column));
  }
  const std::string folded = UnicodeLower(name);
  for (size_t i = 0; i < folded_names_.size(); ++i) {
    if (folded_names_[i] == folded) return Field(static_cast<int32_t>(i));
  }
  return nullptr;
}

void TSQLiteTable::Next() {
  if (!Eof()) ++row_;
}

void TSQLiteTable::MoveTo(int32_t row) {
  // First, then forward by `row`: a negative row ends on row 0.
  if (row != row_ && row < rows_.row_count()) row_ = row < 0 ? 0 : row;
}

}  // namespace kestro
