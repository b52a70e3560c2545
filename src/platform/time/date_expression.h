// Date expressions of the custom search and the command line: "now" or "today" (midnight),
// optionally "+" or "-" and number-unit pairs with units d, h, m, each at most once, in any order
// ("today+1d12h", "now-90m"). Blanks are ignored and units may be in either case.
#pragma once

#include <cstdint>
#include <string_view>

#include "kestro/ole_date.h"

namespace kestro {

// False for text that is not a date expression.
bool ParseDateExpression(std::string_view text, OleDate now, OleDate* value);
// Number-unit pairs without a sign ("2d", "3h30m") in milliseconds; false otherwise.
bool ParseDuration(std::string_view text, int64_t* millis);

}  // namespace kestro
