// Listings printed by kestro: an aligned table for people, tab-separated values (one header
// line, then one row per item) or JSON (an array of objects) for programs.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestro::cli {

enum class OutputFormat { kTable, kTsv, kJson };

// "table", "tsv" or "json"; UsageError otherwise.
OutputFormat ParseOutputFormat(const std::string& text);

class TableOutput {
 public:
  explicit TableOutput(std::vector<std::string> columns) : columns_(std::move(columns)) {}
  void AddRow(std::vector<std::string> cells);
  size_t RowCount() const { return rows_.size(); }
  void Print(std::ostream& out, OutputFormat format) const;

 private:
  void PrintTable(std::ostream& out) const;
  void PrintTsv(std::ostream& out) const;
  void PrintJson(std::ostream& out) const;
  std::vector<std::string> columns_;
  std::vector<std::vector<std::string>> rows_;
};

// The text as a JSON string literal.
std::string JsonString(const std::string& text);
// Columns a text takes on a terminal (one per code point; no wide-character rules).
size_t DisplayWidth(const std::string& text);

}  // namespace kestro::cli
