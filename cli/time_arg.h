// Times on the command line: "YYYY-MM-DD HH:MM" in local time, or a date expression
// ("now", "today+1d20h", "now-90m").
#pragma once

#include <string>

#include "kestro/ole_date.h"

namespace kestro::cli {

// Throws UsageError naming the option when the text is neither form.
OleDate ParseTimeArgument(const std::string& text, const std::string& option);
// "YYYY-MM-DD HH:MM", or "" for 0.
std::string FormatTime(OleDate value);

}  // namespace kestro::cli
