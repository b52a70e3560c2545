// Condition fragments of programme searches and the one statement every search runs.
//
// A fragment is SQL text in the ...Fmt form (%d / %s directives) with its arguments, so the
// user's text and the times are bound as parameters and a search repeated with other values
// reuses its prepared statement. Fragments are composed by plain text operations on the format;
// the formats hold no user text, so a "%" in a pattern can never be read as a directive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kestro/tv_listings.h"
#include "storage/db.h"

namespace kestro {

struct SqlCondition {
  std::string format;
  SqlArgs args;

  bool empty() const { return format.empty(); }
  // The fragment with every argument written in as a literal (QuoteSQL for text): the module's
  // own form of the SQL, for messages and tests.
  std::string Literal() const;
};

// Joins the non-empty fragments with `separator` (" and ", " OR ", ...); empty when none is left.
SqlCondition JoinConditions(const std::vector<SqlCondition>& parts, std::string_view separator);
// "(" + fragment + ")".
SqlCondition Parenthesize(SqlCondition condition);

// A search pattern as stored keys are compared with it: trimmed, lower case (Unicode simple
// mapping), every "*" made "%", runs of "%" made one. Empty or "%" alone means no restriction.
std::string PrepareSearchPattern(std::string_view pattern);
bool IsEmptyPattern(std::string_view prepared);

// "( C like P)" when the prepared pattern holds "%", else "( C = P)"; empty for an empty pattern.
// `column` is the module's own SQL (a column name), never user text.
SqlCondition TextCondition(std::string_view column, std::string_view pattern);

// The condition on search_title for a title pattern as typed (TitlePatterns); empty when the
// pattern restricts nothing ("", "*").
SqlCondition TitleCondition(std::string_view pattern);

// Lower case, every character that is neither a letter nor a digit nor a blank made a blank,
// runs of blanks made one, trimmed.
std::string NormalizeKeywords(std::string_view keywords);

// The query of the keyword index of program_words (program_words_fts) for typed keywords, empty
// when no word is left. Every word (or, for EXACT, the whole phrase) is matched as whole stored
// words: "cat" does not find "concatenate". A type outside 1..3 is ANY.
std::string KeywordMatch(std::string_view keywords, int32_t search_type);
// The condition on programs of KeywordMatch, empty when no word is left.
SqlCondition KeywordCondition(std::string_view keywords, int32_t search_type);

// The restriction of a ChannelOrListID: empty for 0, the channel list for a positive value, the
// channel -id for a negative one.
SqlCondition ChannelOrListCondition(int32_t channel_or_list_id);

// The channels a search keeps, as conditions on a channel_id column: its ChannelOrListCondition
// and, with `wanted_only`, the wanted channels.
std::vector<SqlCondition> ChannelConditions(int32_t channel_or_list_id, bool wanted_only);

// The inputs of the programme search every search method ends in.
struct ProgramSearch {
  int32_t limit = 0;                // > 0: " limit n "
  int32_t channel_or_list_id = 0;
  std::string ordering;             // module SQL after " order by ", empty for none
  std::vector<SqlCondition> conditions;
  OleDate from_time;  // > 0: programmes ended by then are left out
  // Leaves out the channels that are not wanted: what the user browses or a rule searches hides
  // them; a search of one named channel, or by programme id, does not.
  bool wanted_channels_only = false;
};

// The full select over programs, its columns in the order programme objects read them. A search
// without any condition selects every programme.
SqlCondition ProgramSearchSql(const ProgramSearch& search);

}  // namespace kestro
