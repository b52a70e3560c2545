#include "host/host_clock.h"

#include <cmath>
#include <memory>

#include "platform/env/real_env.h"
#include "platform/time/date_expression.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro::host {

OleDate NowLocal() {
  static const std::shared_ptr<Env> env = MakeRealEnv();
  return env->NowLocal();
}

const char* const kLocalTimeForms =
    "\"YYYY-MM-DD HH:MM\", \"HH:MM\" (today), or an expression such as \"now\", \"now+90m\" or "
    "\"today+1d20h\"";

bool ParseLocalTime(const std::string& text, OleDate* value, bool* time_of_day) {
  const OleDate now = NowLocal();
  OleDate parsed = 0;
  bool time_only = false;
  if (!ParseDateExpression(text, now, &parsed)) {
    if (!TryStrToDateTime(text, now, &parsed)) return false;
    // A time without a date reads as day 0 (30 December 1899): it means today.
    time_only = parsed >= 0 && parsed < 1;
    if (time_only) parsed += std::floor(now);
  }
  if (parsed < EncodeDate(1980, 1, 1) || parsed >= EncodeDate(2100, 1, 1)) return false;
  *value = parsed;
  if (time_of_day) *time_of_day = time_only;
  return true;
}

}  // namespace kestro::host
