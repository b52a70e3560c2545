// The module's SQL text turned into what SQLite runs: NUL characters removed, every double-quoted
// token rewritten into a single-quoted literal, and the arguments of ...Fmt calls either bound as
// parameters or written in as literals.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/db.h"

namespace kestro::sqltext {

std::string RemoveNul(std::string_view text);

// One Int or Quoted argument of a ...Fmt call.
struct Slot {
  const SqlArg* arg;
  std::string text;     // Quoted: the text without NULs
  std::string literal;  // as written into SQL text: decimal, or QuoteSQL(text)
};

// A ...Fmt format with its arguments applied. Throws EDatabaseError when a directive other than
// %d, %s, %% appears, or the arguments do not match the directives in number or kind
// (%d takes Int, %s takes Quoted or Raw).
struct FormattedSql {
  // The format with Raw text in place and a NUL marking each slot, in order.
  std::string marked;
  // Every argument written in as a literal: the statement in the module's own form, used in
  // error messages and where parameters cannot be used. NUL-free.
  std::string literal;
  std::vector<Slot> slots;
};
FormattedSql ExpandFormat(std::string_view format, const SqlArgs& args);

struct RewrittenSql {
  std::string text;                // what SQLite is given
  std::vector<size_t> parameters;  // for each "?" in order, the slot it stands for
};

// Rewrites "…" (with "" inside) into '…' (with ' doubled), leaving single-quoted literals,
// [identifiers], `identifiers` and comments as they are; an unterminated double quote is left
// for SQLite to reject. The k-th NUL of `sql` marks slot k: standing in plain SQL it becomes a
// "?" parameter; inside a literal or comment it is replaced by slot_literals[k] and read on as
// text, so the result always means what literal substitution would.
RewrittenSql Rewrite(std::string sql, const std::vector<std::string>& slot_literals = {});

}  // namespace kestro::sqltext
