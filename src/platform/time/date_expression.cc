#include "platform/time/date_expression.h"

#include <string>

#include "platform/text/text.h"
#include "platform/time/date_time.h"

namespace kestro {

namespace {

constexpr int64_t kMillisPerMinute = 60 * 1000;
constexpr int64_t kMillisPerHour = 60 * kMillisPerMinute;
constexpr int64_t kMillisPerDayInt = 24 * kMillisPerHour;

std::string RemoveBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '\t') out += c;
  return out;
}

// Number-unit pairs ("1d12h") as a signed offset in milliseconds; each unit at most once.
bool ParseUnitPairs(std::string_view text, int64_t* millis) {
  if (text.empty()) return false;
  bool seen_d = false, seen_h = false, seen_m = false;
  int64_t days = 0, hours = 0, minutes = 0;
  size_t i = 0;
  while (i < text.size()) {
    size_t digits = i;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    // At most 6 digits: a million days is far beyond any date, and the sum cannot overflow.
    if (digits == i || digits - i > 6 || digits == text.size()) return false;
    const int64_t number = std::stoll(std::string(text.substr(i, digits - i)));
    const char unit = static_cast<char>(text[digits] | 0x20);  // any case
    bool* seen = unit == 'd' ? &seen_d : unit == 'h' ? &seen_h : unit == 'm' ? &seen_m : nullptr;
    if (!seen || *seen) return false;
    *seen = true;
    (unit == 'd' ? days : unit == 'h' ? hours : minutes) = number;
    i = digits + 1;
  }
  *millis = days * kMillisPerDayInt + hours * kMillisPerHour + minutes * kMillisPerMinute;
  return true;
}

}  // namespace

bool ParseDateExpression(std::string_view text, OleDate now, OleDate* value) {
  const std::string expression = AsciiLower(RemoveBlanks(text));
  OleDate base = 0;
  std::string_view rest = expression;
  if (rest.starts_with("now")) {
    base = now;
    rest.remove_prefix(3);
  } else if (rest.starts_with("today")) {
    base = DateOf(now);
    rest.remove_prefix(5);
  } else {
    return false;
  }
  int64_t offset = 0;
  if (!rest.empty()) {
    if (rest[0] != '+' && rest[0] != '-') return false;
    if (!ParseUnitPairs(rest.substr(1), &offset)) return false;
    if (rest[0] == '-') offset = -offset;
  }
  // On the millisecond line, so "today+20h" is exactly 20:00 and not a rounding error below it.
  *value = MillisToOleDate(OleDateToMillis(base) + offset);
  return true;
}

bool ParseDuration(std::string_view text, int64_t* millis) {
  return ParseUnitPairs(AsciiLower(RemoveBlanks(text)), millis);
}

}  // namespace kestro
