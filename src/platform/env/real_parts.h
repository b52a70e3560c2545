// The pieces of the real Env that have their own file each (real_env.cc puts them together).
#pragma once

#include <memory>

#include "platform/env/env.h"

namespace kestro {

std::unique_ptr<TimerService> NewRealTimerService(TimerCallback on_expiry);
std::unique_ptr<ChildProcess> StartRealProcess(const ProcessOptions& options);
HttpResult RealHttpGet(const HttpRequest& request, HttpSink& sink);

}  // namespace kestro
