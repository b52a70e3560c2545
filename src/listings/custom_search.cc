#include "listings/custom_search.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/text/text.h"
#include "platform/time/date_expression.h"
#include "platform/time/date_time.h"

namespace kestro {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits at the first blank: (word, rest trimmed).
std::pair<std::string, std::string> FirstWord(std::string_view text) {
  size_t blank = 0;
  while (blank < text.size() && !IsBlank(text[blank])) ++blank;
  if (blank == text.size()) return {std::string(text), {}};
  return {std::string(text.substr(0, blank)), Trim(text.substr(blank))};
}

// Comma-separated items, trimmed, empty ones dropped.
std::vector<std::string> ListItems(std::string_view text) {
  std::vector<std::string> items;
  for (const std::string& item : Split(text, ',')) {
    std::string trimmed = Trim(item);
    if (!trimmed.empty()) items.push_back(std::move(trimmed));
  }
  return items;
}

bool IsOperator(std::string_view op) {
  return op == "=" || op == "<" || op == ">" || op == "<=" || op == ">=";
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// What a line that cannot be understood is skipped for; the parser adds its line number.
struct LineProblem {
  std::string message;
};

// The conditions collected so far and the query's settings; one handler per keyword adds to it.
class CustomSearchParser {
 public:
  explicit CustomSearchParser(OleDate now) : now_(now) { query_.from_time = now; }

  void ParseLine(std::string_view raw_line) {
    ++line_number_;
    const std::string line = Trim(raw_line);
    if (line.empty() || line[0] == '#') return;
    auto [word, argument] = FirstWord(line);
    const std::string keyword = AsciiLower(word);
    try {
      if (std::count(line.begin(), line.end(), '"') % 2 != 0) {
        throw LineProblem{"unbalanced quote in " + Quoted(argument)};
      }
      const auto& handlers = Handlers();
      auto it = handlers.find(keyword);
      if (it == handlers.end()) throw LineProblem{"unknown field " + Quoted(word)};
      it->second(*this, argument);
    } catch (const LineProblem& problem) {
      Report(problem.message);
    }
  }

  CustomSearchQuery Take() {
    if (query_.conditions.empty() && query_.problems.empty()) {
      query_.problems.push_back("the search is empty: give at least one field");
    }
    return std::move(query_);
  }

 private:
  using Handler = std::function<void(CustomSearchParser&, const std::string&)>;

  static const std::map<std::string, Handler, std::less<>>& Handlers() {
    static const std::map<std::string, Handler, std::less<>> handlers = {
        {"title", &CustomSearchParser::Title},
        {"include-past", &CustomSearchParser::IncludePast},
        {"start", [](CustomSearchParser& p, const std::string& a) { p.DateComparison("start_time", a); }},
        {"end", [](CustomSearchParser& p, const std::string& a) { p.DateComparison("end_time", a); }},
        {"will-record", &CustomSearchParser::WillRecord},
        {"day", &CustomSearchParser::Day},
        {"next", &CustomSearchParser::Next},
        {"start-time", [](CustomSearchParser& p, const std::string& a) { p.TimeComparison("start_time", a); }},
        {"end-time", [](CustomSearchParser& p, const std::string& a) { p.TimeComparison("end_time", a); }},
        {"genre", &CustomSearchParser::Genre},
        {"people", &CustomSearchParser::People},
        {"channel", &CustomSearchParser::Channel},
        {"channel-id", &CustomSearchParser::ChannelID},
        {"keywords", &CustomSearchParser::Keywords},
        {"movies-only", &CustomSearchParser::MoviesOnly},
        {"program-type", &CustomSearchParser::ProgramType},
        {"limit", &CustomSearchParser::Limit},
        // Known fields that narrow nothing: refused rather than silently widening the search.
        {"end-date", Unsupported},
        {"channel-list", Unsupported},
        {"holiday", Unsupported},
        {"country", Unsupported},
    };
    return handlers;
  }

  static void Unsupported(CustomSearchParser&, const std::string&) {
    throw LineProblem{"this field is not supported"};
  }
  static void NoValue(const char* keyword, const std::string& argument) {
    if (!argument.empty()) {
      throw LineProblem{Format("%s takes no value, not %s", keyword, Quoted(argument).c_str())};
    }
  }
  void IncludePast(const std::string& argument) {
    NoValue("include-past", argument);
    query_.from_time = 0;
  }
  void WillRecord(const std::string& argument) {
    NoValue("will-record", argument);
    Add({"schedule_id > 0", {}});
  }
  void MoviesOnly(const std::string& argument) {
    NoValue("movies-only", argument);
    Add({"program_type = \"MV\"", {}});
  }

  void Add(SqlCondition condition) {
    if (!condition.empty()) query_.conditions.push_back(Parenthesize(std::move(condition)));
  }
  // One fragment per item, joined by " OR " as one condition. An item giving none is dropped and
  // reported (`what` names what it should have been).
  void AddList(const std::string& argument, const char* what,
               const std::function<std::optional<SqlCondition>(const std::string&)>& fragment) {
    std::vector<SqlCondition> parts;
    for (const std::string& item : ListItems(argument)) {
      if (auto part = fragment(item)) {
        parts.push_back(std::move(*part));
      } else {
        Report(Format("bad %s %s", what, Quoted(item).c_str()));
      }
    }
    if (ListItems(argument).empty()) throw LineProblem{Format("missing %s", what)};
    Add(JoinConditions(parts, " OR "));
  }

  void Report(const std::string& message) {
    query_.problems.push_back(Format("line %d: %s", line_number_, message.c_str()));
  }

  // The comparison operator that starts the argument.
  static std::string Operator(const std::string& op) {
    if (IsOperator(op)) return op;
    throw LineProblem{"bad operator " + Quoted(op) + " (=, <, >, <= or >=)"};
  }

  void Title(const std::string& argument) {
    AddList(argument, "title", [](const std::string& item) -> std::optional<SqlCondition> {
      SqlCondition c = TitleCondition(item);
      return c.empty() ? std::nullopt : std::optional(c);
    });
  }

  void DateComparison(const char* column, const std::string& argument) {
    auto [op, expression] = FirstWord(argument);
    OleDate value = 0;
    const std::string sql_op = Operator(op);
    if (!ParseDateExpression(expression, now_, &value)) {
      throw LineProblem{"bad date " + Quoted(expression) + " (now or today, such as today+1d20h)"};
    }
    Add({std::string(column) + " " + sql_op + " %d", {SqlArg::Int(DateTimeToDbTime(value))}});
  }

  void TimeComparison(const char* column, const std::string& argument) {
    auto [op, text] = FirstWord(argument);
    int32_t hhmm = 0;
    const std::string sql_op = Operator(op);
    if (!ParseTimeOfDay(text, &hhmm)) {
      throw LineProblem{"bad time of day " + Quoted(text) + " (such as 20:00)"};
    }
    Add({"idt_timeof( " + std::string(column) + " ) " + sql_op + " %d", {SqlArg::Int(hhmm)}});
  }

  void Day(const std::string& argument) {
    AddList(argument, "day", [](const std::string& item) -> std::optional<SqlCondition> {
      const int32_t day = ParseDayName(item);
      if (day == 0) return std::nullopt;
      return SqlCondition{"idt_dayof( start_time ) = %d", {SqlArg::Int(day)}};
    });
  }

  void Next(const std::string& argument) {
    int64_t millis = 0;
    if (!ParseDuration(argument, &millis)) {
      throw LineProblem{"bad duration " + Quoted(argument) + " (such as 3h30m)"};
    }
    const OleDate until = MillisToOleDate(OleDateToMillis(now_) + millis);
    Add({"start_time >= %d and start_time <= %d",
         {SqlArg::Int(DateTimeToDbTime(now_)), SqlArg::Int(DateTimeToDbTime(until))}});
  }

  void Genre(const std::string& argument) {
    AddList(argument, "genre", [](const std::string& item) -> std::optional<SqlCondition> {
      return SqlCondition{
          "id in ( select a.program_id from program_genres a , genres b where a.genre_id = "
          "b.genre_id and lower( b.genre ) = %s )",
          {SqlArg::Quoted(UnicodeLower(item))}};
    });
  }

  void People(const std::string& argument) {
    AddList(argument, "name", [](const std::string& item) -> std::optional<SqlCondition> {
      SqlCondition name = TextCondition("b.search_name", item);
      if (name.empty()) return std::nullopt;
      name.format =
          "id in ( select a.program_id from program_people a , people b where a.person_id = "
          "b.person_id and " + name.format + ")";
      return name;
    });
  }

  void Channel(const std::string& argument) {
    AddList(argument, "channel number", [](const std::string& item) -> std::optional<SqlCondition> {
      int32_t number = 0;
      if (!TryStrToInt(item, &number) || number <= 0) return std::nullopt;
      return SqlCondition{"channel_id = (select channel_id from channels where number = %d)",
                          {SqlArg::Int(number)}};
    });
  }

  void ChannelID(const std::string& argument) {
    AddList(argument, "channel id", [](const std::string& item) -> std::optional<SqlCondition> {
      int32_t id = 0;
      if (!TryStrToInt(item, &id) || id <= 0) return std::nullopt;
      return SqlCondition{"channel_id = %d", {SqlArg::Int(id)}};
    });
  }

  void Keywords(const std::string& argument) {
    auto [mode_word, words] = FirstWord(argument);
    const std::string mode = AsciiLower(mode_word);
    if (mode == "all") keyword_mode_ = TV_KWD_SEARCH_TYPE_ALL;
    else if (mode == "any") keyword_mode_ = TV_KWD_SEARCH_TYPE_ANY;
    else if (mode == "exact") keyword_mode_ = TV_KWD_SEARCH_TYPE_EXACT;
    else throw LineProblem{"bad keyword mode " + Quoted(mode_word) + " (all, any or exact)"};
    SqlCondition condition = KeywordCondition(words, keyword_mode_);
    if (condition.empty()) throw LineProblem{"missing words after " + Quoted(mode_word)};
    Add(std::move(condition));
  }

  void ProgramType(const std::string& argument) {
    AddList(argument, "programme type", [](const std::string& item) -> std::optional<SqlCondition> {
      const std::string type = AsciiUpper(item);
      if (type != "MV" && type != "SP" && type != "EP" && type != "SH") return std::nullopt;
      return SqlCondition{"program_type = %s", {SqlArg::Quoted(type)}};
    });
  }

  void Limit(const std::string& argument) {
    int32_t limit = 0;
    if (!TryStrToInt(argument, &limit) || limit < 0) {
      throw LineProblem{"bad limit " + Quoted(argument) + " (a number, 0 for all)"};
    }
    query_.limit = limit;
  }

  const OleDate now_;
  int32_t line_number_ = 0;
  int32_t keyword_mode_ = TV_KWD_SEARCH_TYPE_ANY;
  CustomSearchQuery query_;
};

}  // namespace

ProgramSearch CustomSearchQuery::ToProgramSearch() const {
  ProgramSearch search;
  search.limit = limit;
  search.ordering = "start_time";
  search.conditions = conditions;
  search.from_time = from_time;
  search.wanted_channels_only = true;
  return search;
}

CustomSearchQuery ParseCustomSearch(std::string_view query, OleDate now) {
  CustomSearchParser parser(now);
  size_t start = 0;
  for (size_t i = 0; i <= query.size(); ++i) {
    if (i == query.size() || query[i] == '\n' || query[i] == '\r' || query[i] == '\\') {
      parser.ParseLine(query.substr(start, i - start));
      start = i + 1;
    }
  }
  return parser.Take();
}

bool ParseTimeOfDay(std::string_view text, int32_t* hhmm) {
  std::string digits(Trim(text));
  if (size_t colon = digits.find(':'); colon != std::string::npos) digits.erase(colon, 1);
  if (digits.empty() || digits.size() > 4) return false;
  digits.insert(0, 4 - digits.size(), '0');
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  const int32_t value = std::stoi(digits);
  if (value > 2359 || value % 100 > 59) return false;
  *hhmm = value;
  return true;
}

int32_t ParseDayName(std::string_view name) {
  static constexpr std::array<const char*, 7> kDays = {"monday", "tuesday",  "wednesday", "thursday",
                                                       "friday", "saturday", "sunday"};
  const std::string lower = AsciiLower(Trim(name));
  for (size_t i = 0; i < kDays.size(); ++i) {
    const std::string_view day = kDays[i];
    if (lower == day || lower == day.substr(0, 3)) return static_cast<int32_t>(i + 1);
  }
  return 0;
}

}  // namespace kestro
