// The host's own "now" (its log lines, the tool's default times): the real Env's clock.
#pragma once

#include "kestro/ole_date.h"

namespace kestro::host {

// The local time now, as an OLE date.
OleDate NowLocal();

}  // namespace kestro::host
