// Failures that an operation answers with a plain "no": false, none or 0.
#pragma once

#include <exception>
#include <string_view>

#include "support/logger.h"

namespace kestro {

// Writes "BAD : <context> : <why>" to `log` (to the debug output when null) and leaves the cause
// as the calling thread's error info, so that a caller which only sees the plain answer can still
// learn why. Never throws.
void ReportFailure(std::string_view context, const std::exception& cause,
                   ILogger* log = nullptr) noexcept;

}  // namespace kestro
