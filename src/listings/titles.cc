#include "listings/titles.h"

#include <openssl/evp.h>

#include <array>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro {
namespace {

constexpr std::array<std::string_view, 3> kArticles = {"the ", "an ", "a "};

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The letters, digits and blanks of `text` in lower case, trimmed, runs of blanks made one; with
// `keep_wildcards` its "*" too.
std::string SearchKey(std::string_view text, bool keep_wildcards = false) {
  // Most titles are ASCII: their lower case needs no decoding.
  const std::string lower = IsAscii(text) ? AsciiLower(text) : UnicodeLower(text);
  std::string out;
  out.reserve(lower.size());
  size_t pos = 0;
  char32_t cp = 0;
  while (NextCodePoint(lower, pos, cp)) {
    if (cp == U' ') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else if (IsLetterOrDigit(cp) || (keep_wildcards && cp == U'*')) {
      AppendUtf8(out, cp);
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

Titles MakeTitles(std::string_view text, bool move_article) {
  Titles titles{std::string(text), {}};
  std::string_view working = text;
  if (move_article) {
    for (std::string_view article : kArticles) {
      // The articles are ASCII, so comparing ASCII letters without case is the whole test.
      if (AsciiLower(text.substr(0, article.size())) != article) continue;
      working = text.substr(article.size());
      titles.sort_title = std::string(working) + ", " + Trim(text.substr(0, article.size()));
      break;
    }
  }
  titles.search_title = SearchKey(working);
  return titles;
}

std::vector<std::string> TitlePatterns(std::string_view pattern) {
  std::vector<std::string> patterns = {SearchKey(pattern, true)};
  for (std::string_view article : kArticles) {
    if (patterns[0].size() > article.size() && patterns[0].starts_with(article)) {
      patterns.insert(patterns.begin(), patterns[0].substr(article.size()));
      break;
    }
  }
  return patterns;
}

std::string ComputeEqualityKey(const EqualityKeyFields& fields) {
  std::string bytes;
  auto append = [&bytes](std::string_view part) {
    for (char c : part) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte <= 32) continue;
      bytes += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
  };
  append(fields.title);
  append(fields.subtitle);
  append(fields.tv_rating);
  append(fields.movie_rating);
  append(fields.long_description);
  // Each genre is followed by a line break, which the byte filter removes again.
  if (fields.genres) {
    for (const std::string& genre : *fields.genres) append(genre);
  }
  return Sha1Hex(bytes);
}

std::string Sha1Hex(std::string_view bytes) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha1(), nullptr) != 1) {
    throw Exception("Failed to compute the SHA-1 digest of an equality key");
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}

}  // namespace kestro
