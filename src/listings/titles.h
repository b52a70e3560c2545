// The derived keys of an imported programme: its sort and search titles (also the search name of
// a person) and its equality key.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestro {

struct Titles {
  std::string sort_title;    // the title as it sorts: "Late Show, The"
  std::string search_title;  // lower case, letters, digits and single blanks: "late show"
};

// The sort and search titles of `text`. With `move_article`, a leading "the ", "an " or "a "
// (in that order, any letter case) goes to the end of the sort title after ", " as it stood in
// the text, and is left out of the search title. The search title keeps the letters, digits and
// blanks of the lower-cased (remaining) text, trimmed, each run of blanks made one.
Titles MakeTitles(std::string_view text, bool move_article);

// A title pattern ("*" the wildcard) made as search titles are: lower case, only letters, digits,
// blanks and "*". A leading article gives the pattern without it first, then the one with it
// (a title imported without moving its article keeps it).
std::vector<std::string> TitlePatterns(std::string_view pattern);

// The fields the equality key of a programme is computed from when its source gives none.
struct EqualityKeyFields {
  std::string_view title;
  std::string_view subtitle;
  std::string_view tv_rating;
  std::string_view movie_rating;
  std::string_view long_description;
  const std::vector<std::string>* genres = nullptr;  // may be null
};

// The SHA-1 digest, as 40 lower-case hexadecimal digits, of the concatenated fields (each genre
// followed by a line break) with every byte 0..32 removed and the ASCII letters lower-cased.
// Programmes that differ only in blanks, line breaks or letter case get the same key.
std::string ComputeEqualityKey(const EqualityKeyFields& fields);

// The SHA-1 digest of `bytes` as 40 lower-case hexadecimal digits. Throws Exception when the
// digest cannot be computed.
std::string Sha1Hex(std::string_view bytes);

}  // namespace kestro
