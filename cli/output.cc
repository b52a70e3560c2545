#include "cli/output.h"

#include <algorithm>

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

namespace {

int CodePointWidth(char32_t cp) {
  struct Range {
    char32_t first, last;
  };
  static constexpr Range kZero[] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD},
                                    {0x0610, 0x061A}, {0x064B, 0x065F}, {0x1AB0, 0x1AFF},
                                    {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x20D0, 0x20FF},
                                    {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}};
  static constexpr Range kWide[] = {
      {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x2E80, 0x303E},
      {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
      {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
      {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F},
      {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}};
  for (const Range& r : kZero)
    if (cp >= r.first && cp <= r.last) return 0;
  for (const Range& r : kWide)
    if (cp >= r.first && cp <= r.last) return 2;
  return 1;
}

}  // namespace

size_t DisplayWidth(const std::string& text) {
  size_t pos = 0, width = 0;
  char32_t cp;
  while (NextCodePoint(text, pos, cp)) width += CodePointWidth(cp);
  return width;
}

void TableOutput::PrintTable(std::ostream& out) const {
  std::vector<size_t> widths(columns_.size());
  std::vector<std::string> names;
  for (const Column& column : columns_) names.push_back(column.name);
  for (size_t c = 0; c < columns_.size(); ++c) widths[c] = DisplayWidth(names[c]);
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
  line(names);
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
  std::vector<std::string> names;
  for (const Column& column : columns_) names.push_back(column.name);
  line(names);
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

std::string JsonKey(const std::string& column_name) {
  std::string key;
  for (char ch : AsciiLower(column_name)) {
    const bool word = (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || (ch & 0x80);
    if (word) key += ch;
    else if (!key.empty() && key.back() != '_') key += '_';
  }
  while (!key.empty() && key.back() == '_') key.pop_back();
  return key;
}

std::string JsonValue(const std::string& cell, CellKind kind) {
  switch (kind) {
    case CellKind::kNumber: {
      if (cell.empty()) return "null";
      double number = 0;
      return TryStrToFloat(cell, &number) ? cell : JsonString(cell);
    }
    case CellKind::kFlag:
      return cell == "yes" ? "true" : "false";
    case CellKind::kText:
      break;
  }
  return JsonString(cell);
}

void TableOutput::PrintJson(std::ostream& out) const {
  out << "[";
  for (size_t r = 0; r < rows_.size(); ++r) {
    out << (r ? ",\n " : "\n ") << "{";
    for (size_t c = 0; c < columns_.size(); ++c) {
      out << (c ? ", " : "") << JsonString(JsonKey(columns_[c].name)) << ": "
          << JsonValue(rows_[r][c], columns_[c].kind);
    }
    out << "}";
  }
  out << (rows_.empty() ? "]\n" : "\n]\n");
}

}  // namespace kestro::cli

namespace kestro::cli {

void RecordOutput::Add(Column field, std::string value) {
  fields_.push_back({std::move(field), {std::move(value)}, false});
}

void RecordOutput::AddList(const char* name, std::vector<std::string> values) {
  fields_.push_back({Column(name), std::move(values), true});
}

void RecordOutput::Print(std::ostream& out, OutputFormat format) const {
  if (format == OutputFormat::kJson) {
    out << "{";
    for (size_t f = 0; f < fields_.size(); ++f) {
      const Field& field = fields_[f];
      out << (f ? ",\n " : "\n ") << JsonString(JsonKey(field.column.name)) << ": ";
      if (!field.list) {
        out << JsonValue(field.values.front(), field.column.kind);
        continue;
      }
      out << "[";
      for (size_t v = 0; v < field.values.size(); ++v)
        out << (v ? ", " : "") << JsonString(field.values[v]);
      out << "]";
    }
    out << "\n}\n";
    return;
  }
  size_t width = 0;
  for (const Field& field : fields_) width = std::max(width, DisplayWidth(field.column.name));
  for (const Field& field : fields_) {
    for (size_t v = 0; v < field.values.size(); ++v) {
      const std::string& value = field.values[v];
      if (format == OutputFormat::kTsv) {
        out << field.column.name << '\t' << value << '\n';
      } else if (!value.empty()) {
        const std::string label = v == 0 ? field.column.name : std::string();
        out << label << std::string(width + 2 - DisplayWidth(label), ' ') << value << '\n';
      }
    }
  }
}

}  // namespace kestro::cli
