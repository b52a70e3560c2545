// Times on the command line: "YYYY-MM-DD HH:MM" in local time, "HH:MM" (today at that time), or a
// date expression ("now", "today+1d20h", "now-90m").
#pragma once

#include <string>

#include "kestro/ole_date.h"

namespace kestro::cli {

// The accepted forms, for help texts and messages.
extern const char* const kTimeForms;

// Throws UsageError naming the option and listing the accepted forms when the text is none of
// them, or when it falls outside the years 1980 to 2099. `*time_of_day` (when given) tells
// whether the text was a time of day without a date.
OleDate ParseTimeArgument(const std::string& text, const std::string& option,
                          bool* time_of_day = nullptr);
// "YYYY-MM-DD HH:MM", or "" for 0.
std::string FormatTime(OleDate value);

}  // namespace kestro::cli
