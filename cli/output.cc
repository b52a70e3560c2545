#include "cli/output.h"

#include "cli/args.h"
#include "platform/text/text.h"

namespace kestro::cli {

OutputFormat ParseOutputFormat(const std::string& text) {
  if (text == "table") return OutputFormat::kTable;
  if (text == "tsv") return OutputFormat::kTsv;
  if (text == "json") return OutputFormat::kJson;
  throw UsageError("--format must be one of: table, tsv, json");
}

void TableOutput::AddRow(std::vector<std::string> cells) {
  cells.resize(columns_.size());
  // One line per row in every format: tabs and line breaks inside a cell become blanks.
  for (std::string& cell : cells)
    for (char& ch : cell)
      if (ch == '\t' || ch == '\n' || ch == '\r') ch = ' ';
  rows_.push_back(std::move(cells));
}

void TableOutput::Print(std::ostream& out, OutputFormat format) const {
  switch (format) {
    case OutputFormat::kTable: PrintTable(out); break;
    case OutputFormat::kTsv: PrintTsv(out); break;
    case OutputFormat::kJson: PrintJson(out); break;
  }
}

size_t DisplayWidth(const std::string& text) {
  size_t pos = 0, width = 0;
  char32_t cp;
  while (NextCodePoint(text, pos, cp)) ++width;
  return width;
}

void TableOutput::PrintTable(std::ostream& out) const {
  std::vector<size_t> widths(columns_.size());
  for (size_t c = 0; c < columns_.size(); ++c) widths[c] = DisplayWidth(columns_[c]);
  for (const auto& row : rows_)
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  auto line = [&](const std::vector<std::string>& cells) {
    std::string text;
    for (size_t c = 0; c < cells.size(); ++c) {
      text += cells[c];
      if (c + 1 < cells.size()) text.append(widths[c] - DisplayWidth(cells[c]) + 2, ' ');
    }
    out << TrimRight(text) << '\n';
  };
  line(columns_);
  std::vector<std::string> rule;
  for (size_t w : widths) rule.emplace_back(w, '-');
  line(rule);
  for (const auto& row : rows_) line(row);
}

void TableOutput::PrintTsv(std::ostream& out) const {
  auto line = [&](const std::vector<std::string>& cells) {
    for (size_t c = 0; c < cells.size(); ++c)
      out << cells[c] << (c + 1 < cells.size() ? '\t' : '\n');
  };
  line(columns_);
  for (const auto& row : rows_) line(row);
}

std::string JsonString(const std::string& text) {
  std::string s = "\"";
  for (unsigned char ch : text) {
    switch (ch) {
      case '"': s += "\\\""; break;
      case '\\': s += "\\\\"; break;
      case '\n': s += "\\n"; break;
      case '\r': s += "\\r"; break;
      case '\t': s += "\\t"; break;
      default:
        if (ch < 0x20) s += Format("\\u%04x", ch);
        else s += static_cast<char>(ch);
    }
  }
  return s + "\"";
}

void TableOutput::PrintJson(std::ostream& out) const {
  out << "[";
  for (size_t r = 0; r < rows_.size(); ++r) {
    out << (r ? ",\n " : "\n ") << "{";
    for (size_t c = 0; c < columns_.size(); ++c)
      out << (c ? ", " : "") << JsonString(columns_[c]) << ": " << JsonString(rows_[r][c]);
    out << "}";
  }
  out << (rows_.empty() ? "]\n" : "\n]\n");
}

}  // namespace kestro::cli
