#include "storage/sql_text.h"

#include <algorithm>

#include "platform/text/text.h"

namespace kestro::sqltext {

std::string RemoveNul(std::string_view text) {
  std::string out(text);
  out.erase(std::remove(out.begin(), out.end(), '\0'), out.end());
  return out;
}

namespace {

[[noreturn]] void BadFormat(std::string_view format, const std::string& problem) {
  throw EDatabaseError(Format("Invalid SQL format \"%s\" : %s", RemoveNul(format).c_str(),
                              problem.c_str()));
}

const char* KindName(SqlArg::Kind kind) {
  switch (kind) {
    case SqlArg::Kind::kInt: return "Int";
    case SqlArg::Kind::kQuoted: return "Quoted";
    case SqlArg::Kind::kRaw: return "Raw";
  }
  return "?";
}

}  // namespace

FormattedSql ExpandFormat(std::string_view format, const SqlArgs& args) {
  FormattedSql out;
  size_t next_arg = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c == '\0') continue;
    if (c != '%') {
      out.marked += c;
      out.literal += c;
      continue;
    }
    char directive = i + 1 < format.size() ? format[++i] : '\0';
    if (directive == '%') {
      out.marked += '%';
      out.literal += '%';
      continue;
    }
    if (directive != 'd' && directive != 's') {
      BadFormat(format, directive ? Format("unsupported directive %%%c", directive)
                                  : std::string("format ends in %"));
    }
    if (next_arg >= args.size()) {
      BadFormat(format, Format("only %zu arguments given", args.size()));
    }
    const SqlArg& arg = args[next_arg++];
    bool fits = directive == 'd' ? arg.kind() == SqlArg::Kind::kInt
                                 : arg.kind() != SqlArg::Kind::kInt;
    if (!fits) {
      BadFormat(format, Format("argument %zu is %s, which cannot fill %%%c", next_arg,
                               KindName(arg.kind()), directive));
    }
    if (arg.kind() == SqlArg::Kind::kRaw) {
      std::string raw = RemoveNul(arg.text());
      out.marked += raw;
      out.literal += raw;
      continue;
    }
    Slot slot{&arg, {}, {}};
    if (arg.kind() == SqlArg::Kind::kInt) {
      slot.literal = std::to_string(arg.int_value());
    } else {
      slot.text = RemoveNul(arg.text());
      slot.literal = QuoteSQL(slot.text);
    }
    out.marked += '\0';
    out.literal += slot.literal;
    out.slots.push_back(std::move(slot));
  }
  if (next_arg != args.size()) {
    BadFormat(format, Format("%zu arguments given for %zu directives", args.size(), next_arg));
  }
  return out;
}

RewrittenSql Rewrite(std::string sql, const std::vector<std::string>& slot_literals) {
  RewrittenSql out;
  out.text.reserve(sql.size() + 8);
  size_t slot = 0;
  size_t i = 0;
  // Inside a literal or comment a slot marker is replaced by its literal text, which is then
  // scanned like the rest. Returns false when `pos` does not hold a marker.
  auto splice_marker = [&](size_t pos) {
    if (sql[pos] != '\0') return false;
    sql.replace(pos, 1, slot < slot_literals.size() ? slot_literals[slot] : std::string());
    ++slot;
    return true;
  };
  // Copies from `i` up to and including the closing text (or to the end), verbatim.
  auto copy_through = [&](std::string_view close) {
    while (i < sql.size()) {
      if (splice_marker(i)) continue;
      if (sql.compare(i, close.size(), close) == 0) {
        out.text.append(close);
        i += close.size();
        return;
      }
      out.text += sql[i++];
    }
  };

  while (i < sql.size()) {
    char c = sql[i];
    char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
    if (c == '\0') {
      out.text += '?';
      out.parameters.push_back(slot++);
      ++i;
    } else if (c == '\'' || c == '`') {
      // A doubled quote inside closes and reopens: the copy comes out the same.
      out.text += c;
      ++i;
      copy_through(std::string_view(&c, 1));
    } else if (c == '[') {
      out.text += c;
      ++i;
      copy_through("]");
    } else if (c == '-' && next == '-') {
      copy_through("\n");
    } else if (c == '/' && next == '*') {
      out.text += "/*";
      i += 2;
      copy_through("*/");
    } else if (c == '"') {
      std::string literal = "'";
      size_t j = i + 1;
      bool closed = false;
      while (j < sql.size()) {
        if (splice_marker(j)) continue;
        if (sql[j] == '"') {
          if (j + 1 < sql.size() && sql[j + 1] == '"') {
            literal += '"';
            j += 2;
            continue;
          }
          closed = true;
          break;
        }
        if (sql[j] == '\'') literal += '\'';
        literal += sql[j++];
      }
      if (!closed) {  // leave it for SQLite to report
        out.text.append(sql, i, std::string::npos);
        break;
      }
      out.text += literal;
      out.text += '\'';
      i = j + 1;
    } else {
      // Plain SQL up to the next character that may start a literal, comment or marker.
      static constexpr std::string_view kSpecial("\0'`[-/\"", 7);
      size_t run_end = sql.find_first_of(kSpecial, i + 1);
      if (run_end == std::string::npos) run_end = sql.size();
      out.text.append(sql, i, run_end - i);
      i = run_end;
    }
  }
  return out;
}

}  // namespace kestro::sqltext
