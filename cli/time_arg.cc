#include "cli/time_arg.h"

#include "cli/args.h"
#include "host/host_clock.h"
#include "platform/time/format_settings.h"

namespace kestro::cli {

OleDate ParseTimeArgument(const std::string& text, const std::string& option, bool* time_of_day) {
  OleDate value = 0;
  if (host::ParseLocalTime(text, &value, time_of_day)) return value;
  throw UsageError("--" + option + " takes " + host::kLocalTimeForms +
                   " between 1980 and 2099, not \"" + text + "\"");
}

std::string FormatTime(OleDate value) {
  return value == 0 ? std::string() : FormatDateTime("yyyy-mm-dd hh:nn", value);
}

}  // namespace kestro::cli
