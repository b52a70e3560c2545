// Times on the command line and the custom search's time pieces: the input is one argument.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/args.h"
#include "cli/time_arg.h"
#include "listings/custom_search.h"
#include "platform/time/date_expression.h"

using namespace kestro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    if (!std::isfinite(cli::ParseTimeArgument(text, "start"))) std::abort();
  } catch (const cli::UsageError&) {
    // Refused with the usage message.
  }
  int32_t hhmm = 0;
  if (ParseTimeOfDay(text, &hhmm) && (hhmm < 0 || hhmm > 2359 || hhmm % 100 > 59)) std::abort();
  int64_t ms = 0;
  if (ParseDuration(text, &ms) && ms < 0) std::abort();
  ParseDayName(text);
  return 0;
}
