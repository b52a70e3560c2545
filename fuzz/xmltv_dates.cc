// XMLTV times and days: the input's first line is a time, the rest the zone setting.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/xmltv_dates.h"
#include "platform/exception.h"

using namespace kestro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t line_end = input.find('\n');
  const std::string text = input.substr(0, line_end);
  const XMLTVZone zone =
      XMLTVTimeZoneSetting(line_end == std::string::npos ? "" : input.substr(line_end + 1));
  try {
    const OleDate value = ParseXMLTVDate(text, zone);
    if (!std::isfinite(value)) std::abort();  // a time that is no time
  } catch (const Exception&) {
    // Refused as invalid: what the import skips.
  }
  OleDate day = 0;
  if (TryParseXMLTVDay(text, &day) && !std::isfinite(day)) std::abort();
  return 0;
}
