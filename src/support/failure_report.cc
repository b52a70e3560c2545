#include "support/failure_report.h"

#include <string>

#include "kestro/dispatch.h"
#include "platform/system/debug_trace.h"

namespace kestro {

void ReportFailure(std::string_view context, const std::exception& cause, ILogger* log) noexcept {
  try {
    std::string line = "BAD : ";
    line.append(context).append(" : ").append(cause.what());
    SetErrorInfo(GUID{}, line.substr(6));
    if (log) {
      log->Log(line);
    } else {
      DebugTrace(line);
    }
  } catch (...) {
    // Reporting is the last resort: a logger that fails here has nowhere to report to.
  }
}

}  // namespace kestro
