#include "import/xmltv_dates.h"

#include <utility>

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

// Abbreviations as XMLTV tools read them, in minutes east of UTC. An abbreviation names one
// offset, summer or winter, whatever the date.
struct NamedOffset {
  const char* name;
  int32_t minutes_east;
};
constexpr NamedOffset kNamedOffsets[] = {
    {"UTC", 0},     {"GMT", 0},     {"UT", 0},      {"Z", 0},       {"WET", 0},
    {"WEST", 60},   {"BST", 60},    {"CET", 60},    {"MET", 60},    {"WAT", 60},
    {"CEST", 120},  {"MEST", 120},  {"EET", 120},   {"SAST", 120},  {"CAT", 120},
    {"EEST", 180},  {"MSK", 180},   {"EAT", 180},   {"MSD", 240},   {"PKT", 300},
    {"IST", 330},   {"ICT", 420},   {"WIB", 420},   {"AWST", 480},  {"HKT", 480},
    {"SGT", 480},   {"PHT", 480},   {"JST", 540},   {"KST", 540},   {"ACST", 570},
    {"ACDT", 630},  {"AEST", 600},  {"AEDT", 660},  {"NZST", 720},  {"NZDT", 780},
    {"NST", -210},  {"NDT", -150},  {"AST", -240},  {"ADT", -180},  {"BRT", -180},
    {"ART", -180},  {"EST", -300},  {"EDT", -240},  {"CST", -360},  {"CDT", -300},
    {"MST", -420},  {"MDT", -360},  {"PST", -480},  {"PDT", -420},  {"AKST", -540},
    {"AKDT", -480}, {"HST", -600},
};

// "+hhmm", "+hh:mm", "+hh" (also "+h"), signed; the old form "?hhmm" with any first character.
bool ParseOffset(std::string_view text, int32_t* minutes_east) {
  if (text.empty()) return false;
  const char sign = text[0];
  const bool signed_form = sign == '+' || sign == '-';
  int hours = 0, minutes = 0;
  const std::string_view digits = text.substr(1);
  bool ok = false;
  if (digits.size() == 4) {
    ok = ReadDigits(digits, 0, 2, &hours) && ReadDigits(digits, 2, 2, &minutes);
  } else if (signed_form && digits.size() == 5 && digits[2] == ':') {
    ok = ReadDigits(digits, 0, 2, &hours) && ReadDigits(digits, 3, 2, &minutes);
  } else if (signed_form && (digits.size() == 1 || digits.size() == 2)) {
    ok = ReadDigits(digits, 0, digits.size(), &hours);
  }
  if (!ok || hours > 23 || minutes > 59) return false;
  *minutes_east = (hours * 60 + minutes) * (sign == '-' ? -1 : 1);
  return true;
}

}  // namespace

XMLTVZone XMLTVZone::Offset(int32_t minutes_east) {
  XMLTVZone zone;
  zone.kind_ = Kind::kOffset;
  zone.minutes_east_ = minutes_east;
  return zone;
}

XMLTVZone XMLTVZone::Named(std::shared_ptr<const TimeZone> named) {
  XMLTVZone zone;
  zone.kind_ = Kind::kNamed;
  zone.zone_ = std::move(named);
  return zone;
}

std::string XMLTVZone::Describe() const {
  switch (kind_) {
    case Kind::kLocal:
      return "local time";
    case Kind::kOffset: {
      const int32_t m = minutes_east_ < 0 ? -minutes_east_ : minutes_east_;
      return Format("%c%02d%02d", minutes_east_ < 0 ? '-' : '+', m / 60, m % 60);
    }
    case Kind::kNamed:
      break;
  }
  return zone_->Name();
}

OleDate XMLTVZone::ToLocal(OleDate wall) const {
  switch (kind_) {
    case Kind::kLocal:
      return wall;
    case Kind::kOffset:
      return UtcToLocal(MillisToOleDate(OleDateToMillis(wall) - int64_t{minutes_east_} * 60000));
    case Kind::kNamed:
      break;
  }
  // The wall time counted as if it were UTC gives the zone's clock reading in Unix seconds.
  const int64_t utc_s = zone_->LocalToUtc(UtcDateToUnixMillis(wall) / 1000);
  return UnixMillisToLocal(utc_s * 1000);
}

bool ParseXMLTVZone(std::string_view text, XMLTVZone* zone) {
  int32_t minutes = 0;
  if (ParseOffset(text, &minutes)) {
    *zone = XMLTVZone::Offset(minutes);
    return true;
  }
  for (const NamedOffset& named : kNamedOffsets) {
    if (SameText(text, named.name)) {
      *zone = XMLTVZone::Offset(named.minutes_east);
      return true;
    }
    // "UTC+01:00", "GMT-5"
    const size_t n = std::char_traits<char>::length(named.name);
    if (named.minutes_east == 0 && n == 3 && text.size() > n &&
        SameText(text.substr(0, n), named.name) && (text[n] == '+' || text[n] == '-') &&
        ParseOffset(text.substr(n), &minutes)) {
      *zone = XMLTVZone::Offset(minutes);
      return true;
    }
  }
  return false;
}

XMLTVZone XMLTVTimeZoneSetting(const std::string& setting) {
  const std::string text = Trim(setting);
  XMLTVZone zone;
  int32_t minutes = 0;
  if (SameText(text, "UTC") || ParseOffset(text, &minutes)) {
    ParseXMLTVZone(text, &zone);
    return zone;
  }
  if (std::shared_ptr<const TimeZone> named = TimeZone::Load(text)) {
    return XMLTVZone::Named(std::move(named));
  }
  return ParseXMLTVZone(text, &zone) ? zone : XMLTVZone::Local();
}

OleDate ParseXMLTVDate(const std::string& text, const XMLTVZone& fallback) {
  const std::string trimmed = Trim(text);
  const size_t blank = trimmed.find(' ');
  const std::string_view date_part = std::string_view(trimmed).substr(0, blank);

  DateTimeParts parts;
  OleDate wall = 0;
  if (date_part.size() < 12 || !ReadDigits(date_part, 0, 4, &parts.year) ||
      !ReadDigits(date_part, 4, 2, &parts.month) || !ReadDigits(date_part, 6, 2, &parts.day) ||
      !ReadDigits(date_part, 8, 2, &parts.hour) || !ReadDigits(date_part, 10, 2, &parts.minute) ||
      !TryEncodeDateTime(parts, &wall)) {
    throw Exception(Format("Invalid XMLTV date/time \"%s\"", text.c_str()));
  }

  // A zone glued to the digits ("...2000Z", "...200000+0100") or after the blank.
  size_t digits = 12;
  while (digits < date_part.size() && IsDigit(date_part[digits])) ++digits;
  std::string_view zone_part = date_part.substr(digits);
  if (zone_part.empty() && blank != std::string::npos) {
    // The first word after the blank: "+0100 (CET)" is "+0100".
    zone_part = std::string_view(trimmed).substr(blank + 1);
    while (!zone_part.empty() && zone_part.front() == ' ') zone_part.remove_prefix(1);
    zone_part = zone_part.substr(0, zone_part.find_first_of(" \t\r\n"));
  }
  XMLTVZone own;
  return (ParseXMLTVZone(zone_part, &own) ? own : fallback).ToLocal(wall);
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
