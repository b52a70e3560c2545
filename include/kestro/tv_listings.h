// The programme guide of one lineup.
#pragma once

#include "kestro/dispatch.h"

namespace kestro {

struct ITVListings : IDispatch {
  static constexpr GUID kIID = MakeGuid("{5A35505A-3D76-4E1F-82BD-A9E85D49BBFE}");
  using Base = IDispatch;
};

}  // namespace kestro
