// The lineups collection: every listings source with its own guide and tuners.
#pragma once

#include "kestro/dispatch.h"

namespace kestro {

struct ITVLineups : IDispatch {
  static constexpr GUID kIID = MakeGuid("{9804E0C9-3D1F-4899-B8B7-7898E487B8A2}");
  using Base = IDispatch;
};

}  // namespace kestro
