// The custom-search language: a text of lines, each a keyword and its argument, turned into the
// conditions of one programme search. Lines that cannot be understood are skipped, each reported
// with its number and the word that was not understood.
//
//   title star trek, stargate*      day sat, sun          start-time >= 20:00
//   start >= today+1d20h            next 3h30m            keywords all space station
//   people patrick*                 genre drama           channel 5, 7
//   include-past                    limit 50              # a comment
//
// A backslash separates lines as a line break does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kestro/ole_date.h"
#include "listings/search_conditions.h"
#include "platform/time/date_expression.h"

namespace kestro {

struct CustomSearchQuery {
  std::vector<SqlCondition> conditions;  // in line order, each wrapped in parentheses
  OleDate from_time = 0;                 // now, or 0 after "include-past"
  int32_t limit = 0;
  // "line 2: unknown field "titel"", one per skipped line; "the search is empty: ..." for a
  // query without any line.
  std::vector<std::string> problems;

  // The programme search the query stands for: all channels, ordered by start time. Meaningful
  // only when there is a condition (a query without one finds nothing).
  ProgramSearch ToProgramSearch() const;
};

// Parses the query with `now` as the current local time.
CustomSearchQuery ParseCustomSearch(std::string_view query, OleDate now);

// The pieces of the language, each false for text it does not accept.
//  - Date expressions and durations: platform/time/date_expression.h.
//  - Time of day: "20:00", "2000", "930" as hours × 100 + minutes (0 ... 2359).
bool ParseTimeOfDay(std::string_view text, int32_t* hhmm);
//  - Day name: "monday" ... "sunday" or "mon" ... "sun", any case, as 1 = Monday ... 7 = Sunday;
//    0 for anything else.
int32_t ParseDayName(std::string_view name);

}  // namespace kestro
