#include "import/xmltv_dates.h"

#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"

namespace kestro {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of `count` digits at `pos`; false when one is not a digit.
bool ReadDigits(std::string_view text, size_t pos, size_t count, int* value) {
  if (pos + count > text.size()) return false;
  int result = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (!IsDigit(text[i])) return false;
    result = result * 10 + (text[i] - '0');
  }
  *value = result;
  return true;
}

}  // namespace

bool IsXMLTVZoneOffset(std::string_view text) {
  if (text.size() != 5) return false;
  for (size_t i = 1; i < 5; ++i) {
    if (!IsDigit(text[i])) return false;
  }
  return true;
}

std::string XMLTVTimeZoneSetting(const std::string& setting) {
  if (SameText(setting, "utc") || IsXMLTVZoneOffset(setting)) return setting;
  return {};
}

OleDate ParseXMLTVDate(const std::string& text, const std::string& time_zone) {
  const std::string trimmed = Trim(text);
  const size_t blank = trimmed.find(' ');
  const std::string date_part = trimmed.substr(0, blank);
  const std::string zone_part = blank == std::string::npos ? "" : Trim(trimmed.substr(blank + 1));

  DateTimeParts parts;
  OleDate value = 0;
  if (date_part.size() < 12 || !ReadDigits(date_part, 0, 4, &parts.year) ||
      !ReadDigits(date_part, 4, 2, &parts.month) || !ReadDigits(date_part, 6, 2, &parts.day) ||
      !ReadDigits(date_part, 8, 2, &parts.hour) || !ReadDigits(date_part, 10, 2, &parts.minute) ||
      !TryEncodeDateTime(parts, &value)) {
    throw Exception(Format("Invalid XMLTV date/time \"%s\"", text.c_str()));
  }

  const std::string zone =
      SameText(zone_part, "UTC") || IsXMLTVZoneOffset(zone_part) ? zone_part : time_zone;
  if (zone.empty()) return value;
  if (SameText(zone, "UTC")) return UtcToLocal(value);
  const int hours = (zone[1] - '0') * 10 + (zone[2] - '0');
  const int minutes = (zone[3] - '0') * 10 + (zone[4] - '0');
  int64_t offset_minutes = hours * 60 + minutes;
  if (zone[0] == '-') offset_minutes = -offset_minutes;
  const int64_t utc_ms = OleDateToMillis(value) - offset_minutes * 60000;
  return UtcToLocal(MillisToOleDate(utc_ms));
}

bool TryParseXMLTVDay(std::string_view text, OleDate* date) {
  DateTimeParts parts;
  if (text.size() != 8 || !ReadDigits(text, 0, 4, &parts.year) ||
      !ReadDigits(text, 4, 2, &parts.month) || !ReadDigits(text, 6, 2, &parts.day)) {
    return false;
  }
  return TryEncodeDateTime(parts, date);
}

}  // namespace kestro
