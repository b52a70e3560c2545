#include "platform/text/text.h"

#include <locale.h>
#include <wctype.h>

#include <charconv>
#include <cstdio>
#include <limits>
#include <type_traits>

#include "platform/exception.h"

namespace kestro {

namespace {

bool IsTrimmed(unsigned char c) { return c <= 0x20; }

// Decodes one UTF-8 sequence at pos. On an invalid sequence returns false and leaves pos and
// code_point untouched; the caller decides what the stray byte becomes.
bool DecodeUtf8(std::string_view text, size_t pos, char32_t& code_point, size_t& length) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    code_point = lead;
    length = 1;
    return true;
  }
  char32_t cp;
  size_t n;
  char32_t min;
  if ((lead & 0xE0) == 0xC0) {
    cp = lead & 0x1F, n = 2, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    cp = lead & 0x0F, n = 3, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    cp = lead & 0x07, n = 4, min = 0x10000;
  } else {
    return false;
  }
  if (pos + n > text.size()) return false;
  for (size_t i = 1; i < n; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  code_point = cp;
  length = n;
  return true;
}

// The C library's built-in UTF-8 locale gives Unicode case mapping and character classes for
// every script; null when this C library lacks it, and then only ASCII is mapped.
locale_t Utf8Locale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

char32_t ToLower(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  locale_t loc = Utf8Locale();
  return loc ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), loc)) : c;
}

char32_t ToUpper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  locale_t loc = Utf8Locale();
  return loc ? static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), loc)) : c;
}

// Simple case folding: upper then lower joins forms such as final sigma and sigma.
char32_t Fold(char32_t c) { return ToLower(ToUpper(c)); }

template <typename Map>
std::string MapCodePoints(std::string_view text, Map map) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp;
    size_t len;
    if (DecodeUtf8(text, pos, cp, len)) {
      AppendUtf8(out, map(cp));
      pos += len;
    } else {
      out.push_back(text[pos++]);
    }
  }
  return out;
}

// Reads one code point for comparison; a stray byte b compares as U+DC00+b (never produced by a
// valid sequence), so invalid text still orders consistently.
char32_t NextForCompare(std::string_view text, size_t& pos) {
  char32_t cp;
  size_t len;
  if (DecodeUtf8(text, pos, cp, len)) {
    pos += len;
    return Fold(cp);
  }
  return 0xDC00 + static_cast<unsigned char>(text[pos++]);
}

template <typename Int>
bool TryStrToIntegral(std::string_view text, Int* out) {
  using Unsigned = std::make_unsigned_t<Int>;
  std::string_view s = text;
  while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  Unsigned magnitude = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  Unsigned result;
  if (base == 16) {
    // Hexadecimal covers the full unsigned range of the type: "$FFFFFFFF" is -1.
    result = negative ? static_cast<Unsigned>(Unsigned(0) - magnitude) : magnitude;
  } else {
    constexpr Unsigned kMax = static_cast<Unsigned>(std::numeric_limits<Int>::max());
    if (magnitude > kMax + (negative ? 1 : 0)) return false;
    result = negative ? static_cast<Unsigned>(Unsigned(0) - magnitude) : magnitude;
  }
  *out = static_cast<Int>(result);
  return true;
}

}  // namespace

std::string Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

std::string TrimLeft(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsTrimmed(text[i])) ++i;
  return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && IsTrimmed(text[n - 1])) --n;
  return std::string(text.substr(0, n));
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

std::string UnicodeLower(std::string_view text) { return MapCodePoints(text, ToLower); }
std::string UnicodeUpper(std::string_view text) { return MapCodePoints(text, ToUpper); }

int CompareText(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t ca = NextForCompare(a, i);
    const char32_t cb = NextForCompare(b, j);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

bool IsLetterOrDigit(char32_t code_point) {
  if (code_point < 0x80) {
    const char32_t c = code_point;
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  }
  locale_t loc = Utf8Locale();
  return loc && iswalnum_l(static_cast<wint_t>(code_point), loc);
}

bool NextCodePoint(std::string_view text, size_t& pos, char32_t& code_point) {
  if (pos >= text.size()) return false;
  size_t len;
  if (DecodeUtf8(text, pos, code_point, len)) {
    pos += len;
  } else {
    code_point = 0xFFFD;
    ++pos;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = FormatV(format, args);
  va_end(args);
  return out;
}

std::string FormatV(const char* format, va_list args) {
  char buffer[256];
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<size_t>(n));
  std::string out(static_cast<size_t>(n), '\0');
  std::vsnprintf(out.data(), out.size() + 1, format, args);
  return out;
}

bool TryStrToInt(std::string_view text, int32_t* out) { return TryStrToIntegral(text, out); }
bool TryStrToInt64(std::string_view text, int64_t* out) { return TryStrToIntegral(text, out); }

int32_t StrToIntDef(std::string_view text, int32_t fallback) {
  int32_t value;
  return TryStrToInt(text, &value) ? value : fallback;
}

int32_t StrToInt(std::string_view text) {
  int32_t value;
  if (!TryStrToInt(text, &value)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}

bool TryStrToFloat(std::string_view text, double* out) {
  std::string_view s = text;
  while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
  // Check the grammar ourselves: from_chars would also take "inf", "nan" and hex floats.
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const auto digits = [&] {
    const size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i - start;
  };
  size_t mantissa = digits();
  if (i < s.size() && s[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  if (i != s.size()) return false;
  if (s.front() == '+') s.remove_prefix(1);
  double value;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  *out = value;
  return true;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t at = text.find(separator, start);
    if (at == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, at - start));
    start = at + 1;
  }
}

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out.append(separator);
    out.append(parts[i]);
  }
  return out;
}

bool StartsWithText(std::string_view text, std::string_view prefix) {
  size_t i = 0, j = 0;
  while (j < prefix.size()) {
    if (i >= text.size()) return false;
    if (NextForCompare(text, i) != NextForCompare(prefix, j)) return false;
  }
  return true;
}

}  // namespace kestro
