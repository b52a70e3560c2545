#include "listings/search_conditions.h"

#include "listings/program_store.h"
#include "listings/titles.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"

namespace kestro {

std::string SqlCondition::Literal() const {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    char directive = format[++i];
    if (directive == '%' || next >= args.size()) {
      out += '%';
      if (directive != '%') out += directive;
      continue;
    }
    const SqlArg& arg = args[next++];
    out += arg.kind() == SqlArg::Kind::kInt      ? std::to_string(arg.int_value())
           : arg.kind() == SqlArg::Kind::kQuoted ? QuoteSQL(arg.text())
                                                 : arg.text();
  }
  return out;
}

SqlCondition JoinConditions(const std::vector<SqlCondition>& parts, std::string_view separator) {
  SqlCondition out;
  for (const SqlCondition& part : parts) {
    if (part.empty()) continue;
    if (!out.empty()) out.format += separator;
    out.format += part.format;
    out.args.insert(out.args.end(), part.args.begin(), part.args.end());
  }
  return out;
}

SqlCondition Parenthesize(SqlCondition condition) {
  condition.format = "(" + condition.format + ")";
  return condition;
}

std::string PrepareSearchPattern(std::string_view pattern) {
  std::string prepared;
  for (char c : UnicodeLower(Trim(pattern))) {
    if (c == '*') c = '%';
    // Reducing every "%%" to "%" until none is left makes each run of "%" one.
    if (c == '%' && !prepared.empty() && prepared.back() == '%') continue;
    prepared += c;
  }
  return prepared;
}

bool IsEmptyPattern(std::string_view prepared) { return prepared.empty() || prepared == "%"; }

SqlCondition TextCondition(std::string_view column, std::string_view pattern) {
  std::string prepared = PrepareSearchPattern(pattern);
  if (IsEmptyPattern(prepared)) return {};
  const bool wildcard = prepared.find('%') != std::string::npos;
  return {"( " + std::string(column) + (wildcard ? " like %s)" : " = %s)"),
          {SqlArg::Quoted(prepared)}};
}

SqlCondition TitleCondition(std::string_view pattern) {
  std::vector<SqlCondition> parts;
  for (const std::string& p : TitlePatterns(pattern))
    parts.push_back(TextCondition("search_title", p));
  if (parts.size() > 1) return Parenthesize(JoinConditions(parts, " or "));
  return parts.front();
}

std::string NormalizeKeywords(std::string_view keywords) {
  const std::string lower = UnicodeLower(Trim(keywords));
  std::string out;
  size_t pos = 0;
  char32_t cp = 0;
  while (NextCodePoint(lower, pos, cp)) {
    if (cp == U' ' || !IsLetterOrDigit(cp)) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      AppendUtf8(out, cp);
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string KeywordMatch(std::string_view keywords, int32_t search_type) {
  const std::string words = NormalizeKeywords(keywords);
  if (words.empty()) return {};
  // Each word, or the whole phrase for EXACT, is a quoted phrase of the keyword index's query
  // language: its tokens must follow one another in the stored words. Normalized words hold no
  // quote, so the query cannot mean anything else.
  auto phrase = [](std::string_view w) { return "\"" + std::string(w) + "\""; };
  std::string query;
  if (search_type == TV_KWD_SEARCH_TYPE_EXACT) {
    query = phrase(words);
  } else {
    // A typed word that holds other characters ("it's") is looked for as the phrase it is stored
    // as ("it s"), not as loose parts that would find every possessive.
    const char* join = search_type == TV_KWD_SEARCH_TYPE_ALL ? " AND " : " OR ";
    for (const std::string& typed : Split(UnicodeLower(Trim(keywords)), ' ')) {
      const std::string w = NormalizeKeywords(typed);
      if (w.empty()) continue;
      if (!query.empty()) query += join;
      query += phrase(w);
    }
  }
  return query;
}

SqlCondition KeywordCondition(std::string_view keywords, int32_t search_type) {
  const std::string query = KeywordMatch(keywords, search_type);
  if (query.empty()) return {};
  return {"(id in (select rowid from program_words_fts where program_words_fts match %s))",
          {SqlArg::Quoted(query)}};
}

SqlCondition ChannelOrListCondition(int32_t channel_or_list_id) {
  if (channel_or_list_id > 0) {
    return {"(channel_id in (select channel_id from channel_list_channels where list_id = %d))",
            {SqlArg::Int(channel_or_list_id)}};
  }
  if (channel_or_list_id < 0) {
    return {"(channel_id = %d)", {SqlArg::Int(-static_cast<int64_t>(channel_or_list_id))}};
  }
  return {};
}

std::vector<SqlCondition> ChannelConditions(int32_t channel_or_list_id, bool wanted_only) {
  std::vector<SqlCondition> parts{ChannelOrListCondition(channel_or_list_id)};
  if (wanted_only)
    parts.push_back({"(channel_id in (select channel_id from channels where wanted = 1))", {}});
  return parts;
}

SqlCondition ProgramSearchSql(const ProgramSearch& search) {
  std::vector<SqlCondition> parts;
  if (search.from_time > 0) {
    parts.push_back({"( end_time > %d )", {SqlArg::Int(DateTimeToDbTime(search.from_time))}});
  }
  for (SqlCondition& channels :
       ChannelConditions(search.channel_or_list_id, search.wanted_channels_only))
    parts.push_back(std::move(channels));
  parts.insert(parts.end(), search.conditions.begin(), search.conditions.end());
  SqlCondition where = JoinConditions(parts, " and ");

  SqlCondition sql{std::string("select ") + kProgramColumns + " from programs",
                   std::move(where.args)};
  if (!where.empty()) sql.format += " where " + where.format;
  if (!search.ordering.empty()) sql.format += " order by " + search.ordering;
  if (search.limit > 0) {
    sql.format += " limit %d ";
    sql.args.push_back(SqlArg::Int(search.limit));
  }
  return sql;
}

}  // namespace kestro
