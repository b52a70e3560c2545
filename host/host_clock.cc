#include "host/host_clock.h"

#include <memory>

#include "platform/env/real_env.h"

namespace kestro::host {

OleDate NowLocal() {
  static const std::shared_ptr<Env> env = MakeRealEnv();
  return env->NowLocal();
}

}  // namespace kestro::host
