// Input a person got wrong (the message says what): a tool reports it with its usage, the web
// server with status 400.
#pragma once

#include "platform/exception.h"

namespace kestro::host {

KESTRO_DECLARE_EXCEPTION(InputError, Exception);

}  // namespace kestro::host
