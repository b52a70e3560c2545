// The Env of a running system: the machine's clock, timerfd timers on a thread of their own, the
// file system, fork/exec and libcurl.
#pragma once

#include <memory>

#include "platform/env/env.h"

namespace kestro {

// A new real Env. It keeps no state of its own: any number of them behave as one.
std::shared_ptr<Env> MakeRealEnv();

}  // namespace kestro
