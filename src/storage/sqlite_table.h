// TSQLiteTable: ITable over a query result collected whole into memory. Internal to the storage
// layer; made by TSQLiteDatabase.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "storage/db.h"

struct sqlite3_stmt;

namespace kestro {

// Where the rows of a query go as the statement steps.
class RowSink {
 public:
  virtual ~RowSink() = default;
  // REQUIRES: the statement stands on a row that Fits.
  virtual void AddRow(sqlite3_stmt* stmt) = 0;
  // Whether a row of `stmt` can join the rows already taken (same column count).
  virtual bool Fits(sqlite3_stmt* stmt) const = 0;
  virtual bool Full() const { return false; }
};

// The rows of one query as text, SQL NULL kept apart from "".
class ResultSet final : public RowSink {
 public:
  // Stops taking rows after max_rows (QueryInt needs one).
  explicit ResultSet(int32_t max_rows = std::numeric_limits<int32_t>::max())
      : max_rows_(max_rows) {}

  // Column names are taken from the first row's statement, each after its first ".".
  void AddRow(sqlite3_stmt* stmt) override;
  bool Fits(sqlite3_stmt* stmt) const override;
  bool Full() const override { return row_count_ >= max_rows_; }

  int32_t row_count() const { return row_count_; }
  int32_t column_count() const { return static_cast<int32_t>(names_.size()); }
  const std::vector<std::string>& names() const { return names_; }
  // nullptr for NULL. REQUIRES: row and column in range.
  const char* Cell(int32_t row, int32_t column) const;

 private:
  static constexpr size_t kNull = std::numeric_limits<size_t>::max();
  int32_t max_rows_;
  int32_t row_count_ = 0;
  std::vector<std::string> names_;
  std::string cells_;            // every cell's text followed by a NUL
  std::vector<size_t> offsets_;  // row-major; kNull for NULL
};

// Hands each row on as it comes, every field as an integer; NULL reads as 0.
class IntRows final : public RowSink {
 public:
  explicit IntRows(const IDB::IntRow& row) : row_(row) {}
  void AddRow(sqlite3_stmt* stmt) override;
  bool Fits(sqlite3_stmt* stmt) const override;

 private:
  const IDB::IntRow& row_;
  bool first_ = true;
  std::vector<int64_t> fields_;  // of the row at hand
};

class TSQLiteTable final : public ITable {
 public:
  // `db` stays open for as long as the table lives.
  TSQLiteTable(std::shared_ptr<IDB> db, ResultSet rows);

  int32_t ColumnCount() const override { return rows_.column_count(); }
  int32_t RowIndex() const override { return row_; }
  int32_t RowCount() const override { return rows_.row_count(); }
  const char* Field(int32_t index) const override;
  bool Eof() const override { return row_ >= rows_.row_count(); }
  std::string ColumnName(int32_t index) const override;
  const char* FieldByName(std::string_view name) const override;
  std::shared_ptr<IDB> GetDB() const override { return db_; }
  void Next() override;
  void First() override { row_ = 0; }
  void MoveTo(int32_t row) override;

 private:
  std::shared_ptr<IDB> db_;
  ResultSet rows_;
  // For FieldByName; made at its first call, as most readers go by index.
  mutable std::vector<std::string> folded_names_;
  int32_t row_ = 0;
};

}  // namespace kestro
