// The host's own "now" (its log lines, the tool's default times): the real Env's clock.
#pragma once

#include <string>

#include "kestro/ole_date.h"

namespace kestro::host {

// The local time now, as an OLE date.
OleDate NowLocal();

// A time a person typed: "YYYY-MM-DD HH:MM[:SS]" (or with "T") in local time, "HH:MM" (today at
// that time; *time_of_day tells so when given), or a date expression such as "now",
// "today+1d20h", "now-90m". False for anything else and for dates before 1980 or after 2099.
bool ParseLocalTime(const std::string& text, OleDate* value, bool* time_of_day = nullptr);

// The forms ParseLocalTime takes, for messages.
extern const char* const kLocalTimeForms;

}  // namespace kestro::host
