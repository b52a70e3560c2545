#include "cli/time_arg.h"

#include "cli/args.h"
#include "host/host_clock.h"
#include "platform/time/format_settings.h"

namespace kestro::cli {

OleDate ParseTimeArgument(const std::string& text, const std::string& option) {
  OleDate value = 0;
  if (host::ParseLocalTime(text, &value)) return value;
  throw UsageError("--" + option + " takes \"YYYY-MM-DD HH:MM\" or an expression such as " +
                   "\"now\" or \"today+1d20h\", not \"" + text + "\"");
}

std::string FormatTime(OleDate value) {
  return value == 0 ? std::string() : FormatDateTime("yyyy-mm-dd hh:nn", value);
}

}  // namespace kestro::cli
