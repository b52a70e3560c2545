// XMLTV dates ("yyyymmddhhnn[ss] [zone]") converted to local OLE dates, and the time zone
// setting of the XMLTV import.
#pragma once

#include <string>
#include <string_view>

#include "kestro/ole_date.h"

namespace kestro {

// True for a zone offset: five characters, any first one (the sign), then four digits (hhmm).
bool IsXMLTVZoneOffset(std::string_view text);

// The time zone setting as the import keeps it: "utc" (any case) and offsets unchanged, anything
// else empty, meaning local time.
std::string XMLTVTimeZoneSetting(const std::string& setting);

// Parses an XMLTV date into local time. The date's own zone ("UTC" or an offset after the first
// blank) wins; otherwise `time_zone` (as XMLTVTimeZoneSetting keeps it) applies, empty meaning
// the time is local already. Seconds are ignored. UTC times go to local time with the process's
// TZ rules. Throws kestro::Exception "Invalid XMLTV date/time "<text>"".
OleDate ParseXMLTVDate(const std::string& text, const std::string& time_zone);

// "yyyymmdd" (exactly 8 characters) as a date; false when it is not a valid date.
bool TryParseXMLTVDay(std::string_view text, OleDate* date);

}  // namespace kestro
