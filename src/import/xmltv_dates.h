// XMLTV dates ("yyyymmddhhnn[ss] [zone]") converted to local OLE dates, and the time zone
// setting of the XMLTV import.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "kestro/ole_date.h"
#include "platform/time/time_zone.h"

namespace kestro {

// The zone a wall-clock time is written in: the process's own (the time is local already), a
// fixed offset from UTC, or a zone of the tz database with its daylight-saving rules. Cheap to
// copy; a zone of the tz database is shared.
class XMLTVZone {
 public:
  static XMLTVZone Local() { return XMLTVZone(); }
  static XMLTVZone Offset(int32_t minutes_east);
  static XMLTVZone Named(std::shared_ptr<const TimeZone> zone);

  bool IsLocal() const { return kind_ == Kind::kLocal; }
  // "local time", "+0530", "-0800" or the zone's name.
  std::string Describe() const;
  // `wall` (a date and time as the zone's clocks show it) in the process's local time.
  OleDate ToLocal(OleDate wall) const;

 private:
  enum class Kind { kLocal, kOffset, kNamed };
  Kind kind_ = Kind::kLocal;
  int32_t minutes_east_ = 0;
  std::shared_ptr<const TimeZone> zone_;
};

// The zone part of a date: "+hhmm" (any first character but '-' meaning east, as the old
// files have it), "+hh:mm", "+hh", "UTC", "GMT", "Z" and the abbreviations XMLTV tools write
// (BST, CET, CEST, EST, PDT, AEST, JST, IST for India, ...), any letter case. False when `text`
// is none of these.
bool ParseXMLTVZone(std::string_view text, XMLTVZone* zone);

// The lineup's "timezone" setting: a zone part as above, or the name of a zone of the tz database
// ("Europe/Berlin"), which wins over an abbreviation of the same name ("CET" then keeps summer
// time). Anything else, "Local" and empty mean local time.
XMLTVZone XMLTVTimeZoneSetting(const std::string& setting);

// Parses an XMLTV date into local time. The date's own zone (after the first blank, or glued to
// the digits as in "201304052000Z") wins; otherwise `fallback` applies. Seconds are ignored.
// Throws kestro::Exception "Invalid XMLTV date/time "<text>"".
OleDate ParseXMLTVDate(const std::string& text, const XMLTVZone& fallback);

// "yyyymmdd" (exactly 8 characters) as a date; false when it is not a valid date.
bool TryParseXMLTVDay(std::string_view text, OleDate* date);

}  // namespace kestro
