// The one source of "now". Tests pin it; everything else reads it through here.
#pragma once

#include <cstdint>

#include "kestro/ole_date.h"

namespace kestro {

class Clock {
 public:
  // Current local time as an OLE date, millisecond resolution.
  static OleDate Now();
  // Current time as milliseconds since the Unix epoch (UTC).
  static int64_t UnixMillis();

  // Freezes the clock at the given local time until Unpin (tests only). Thread-safe.
  static void PinLocal(OleDate local);
  // Moves a pinned clock forward by the given number of milliseconds of local wall-clock time.
  static void AdvanceMillis(int64_t ms);
  static void Unpin();
  static bool IsPinned();
};

}  // namespace kestro
