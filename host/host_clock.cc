#include "host/host_clock.h"

#include <memory>

#include "platform/env/real_env.h"
#include "platform/time/date_expression.h"
#include "platform/time/format_settings.h"

namespace kestro::host {

OleDate NowLocal() {
  static const std::shared_ptr<Env> env = MakeRealEnv();
  return env->NowLocal();
}

bool ParseLocalTime(const std::string& text, OleDate* value) {
  const OleDate now = NowLocal();
  if (ParseDateExpression(text, now, value)) return true;
  return TryStrToDateTime(text, now, value) && *value > 0;
}

}  // namespace kestro::host
