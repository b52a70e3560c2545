#include "cli/time_arg.h"

#include <cmath>

#include "cli/args.h"
#include "host/host_clock.h"
#include "platform/time/date_expression.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro::cli {

const char* const kTimeForms =
    "\"YYYY-MM-DD HH:MM\", \"HH:MM\" (today), or an expression such as \"now\", \"now+90m\" or "
    "\"today+1d20h\"";

OleDate ParseTimeArgument(const std::string& text, const std::string& option, bool* time_of_day) {
  const OleDate now = host::NowLocal();
  OleDate value = 0;
  bool time_only = false;
  if (!ParseDateExpression(text, now, &value)) {
    if (!TryStrToDateTime(text, now, &value)) value = -1e9;
    // A time without a date reads as day 0 (30 December 1899): it means today.
    time_only = value >= 0 && value < 1;
    if (time_only) value += std::floor(now);
  }
  if (value < EncodeDate(1980, 1, 1) || value >= EncodeDate(2100, 1, 1)) {
    throw UsageError("--" + option + " takes " + kTimeForms + " between 1980 and 2099, not \"" +
                     text + "\"");
  }
  if (time_of_day) *time_of_day = time_only;
  return value;
}

std::string FormatTime(OleDate value) {
  return value == 0 ? std::string() : FormatDateTime("yyyy-mm-dd hh:nn", value);
}

}  // namespace kestro::cli
