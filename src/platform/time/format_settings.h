// Locale formats and the date-time pattern language used for log lines, file names and messages.
//
// Pattern letters (case-insensitive): c, d, dd, ddd, dddd, ddddd (short date), dddddd (long date),
// e/ee ignored, m, mm, mmm, mmmm (minutes when right after h/hh), yy, yyyy, h, hh, n, nn, s, ss,
// z, zzz, t (short time), tt (long time), am/pm, a/p, ampm, '/' (date separator), ':' (time
// separator), and literal text between double or single quotes.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "kestro/ole_date.h"

namespace kestro {

struct FormatSettings {
  char date_separator = '/';
  char time_separator = ':';
  char decimal_separator = '.';
  std::string short_date_format = "M/d/yyyy";
  std::string long_date_format = "dddd, MMMM d, yyyy";
  std::string short_time_format = "h:mm AMPM";
  std::string long_time_format = "h:mm:ss AMPM";
  std::string time_am_string = "AM";
  std::string time_pm_string = "PM";
  std::array<std::string, 12> short_month_names;  // January first
  std::array<std::string, 12> long_month_names;
  std::array<std::string, 7> short_day_names;  // Sunday first
  std::array<std::string, 7> long_day_names;

  // en-US.
  static const FormatSettings& Default();
};

std::string FormatDateTime(std::string_view pattern, OleDate value,
                           const FormatSettings& fs = FormatSettings::Default());
// The "c" form: short date, then long time unless the time is midnight.
std::string DateTimeToStr(OleDate value, const FormatSettings& fs = FormatSettings::Default());

// Parses a date, a time, or a date followed by a time, in the short date order of the settings
// (month, day, year for en-US), with an optional AM/PM marker. A date without a year is in the
// year of `today`; a two-digit year falls in the century that starts 50 years before it. Blanks
// around the text are ignored. An ISO date yyyy-mm-dd (then a blank or "T" before the time) is
// accepted whatever the settings; a bare hour needs the marker ("9 PM").
bool TryStrToDateTime(std::string_view text, OleDate today, OleDate* out,
                      const FormatSettings& fs = FormatSettings::Default());
// As TryStrToDateTime; throws EConvertError "'%s' is not a valid date and time".
OleDate StrToDateTime(std::string_view text, OleDate today,
                      const FormatSettings& fs = FormatSettings::Default());

}  // namespace kestro
