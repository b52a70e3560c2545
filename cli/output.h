// Listings printed by kestro: an aligned table for people, tab-separated values (one header
// line, then one row per item) or JSON (an array of objects) for programs. JSON keys are the
// column names in snake_case; number columns are JSON numbers, flag columns ("yes"/"no") JSON
// booleans.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestro::cli {

enum class OutputFormat { kTable, kTsv, kJson };

// "table", "tsv" or "json"; UsageError otherwise.
OutputFormat ParseOutputFormat(const std::string& text);

enum class CellKind { kText, kNumber, kFlag };

struct Column {
  Column(const char* column_name, CellKind column_kind = CellKind::kText)  // NOLINT: implicit
      : name(column_name), kind(column_kind) {}
  std::string name;
  CellKind kind;
};
inline Column Number(const char* name) { return Column(name, CellKind::kNumber); }
inline Column Flag(const char* name) { return Column(name, CellKind::kFlag); }

class TableOutput {
 public:
  explicit TableOutput(std::vector<Column> columns) : columns_(std::move(columns)) {}
  void AddRow(std::vector<std::string> cells);
  size_t RowCount() const { return rows_.size(); }
  void Print(std::ostream& out, OutputFormat format) const;

 private:
  void PrintTable(std::ostream& out) const;
  void PrintTsv(std::ostream& out) const;
  void PrintJson(std::ostream& out) const;
  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
};

// One item as labelled lines: "Label   value" in a table (empty values left out), "label\tvalue"
// in TSV, one JSON object. A list value takes one line per element and is a JSON array.
class RecordOutput {
 public:
  void Add(Column field, std::string value);
  void AddList(const char* name, std::vector<std::string> values);
  void Print(std::ostream& out, OutputFormat format) const;

 private:
  struct Field {
    Column column;
    std::vector<std::string> values;
    bool list;
  };
  std::vector<Field> fields_;
};

// The text as a JSON string literal.
std::string JsonString(const std::string& text);
// The cell as a JSON value of its column's kind: a number (null when empty), true or false, or a
// string.
std::string JsonValue(const std::string& cell, CellKind kind);
// "external id" -> "external_id", "Season, episode" -> "season_episode".
std::string JsonKey(const std::string& column_name);
// Columns a text takes on a terminal: two for East Asian wide and full-width characters, none for
// combining marks and zero-width characters, one for the others.
size_t DisplayWidth(const std::string& text);

}  // namespace kestro::cli
