// Reading and writing the values of host items and messages (IKestroItem) by name, as the
// recording engine and its manager do.
#pragma once

#include <cstdint>
#include <string>

#include "kestro/host.h"

namespace kestro {

// The value as an integer; `fallback` when it is missing, empty or not a number.
inline int32_t IntValue(IKestroItem& item, const std::string& name, int32_t fallback) {
  Variant value;
  if (Failed(item.GetValue(name, Variant(), &value)) || value.IsEmptyOrNull()) return fallback;
  try {
    return value.ToInt32();
  } catch (const std::exception&) {
    return fallback;
  }
}

// The value as text; "" when it is missing. Throws when it cannot be read or converted.
inline std::string TextValue(IKestroItem& item, const std::string& name) {
  Variant value;
  CheckHResult(item.GetValue(name, Variant(), &value));
  return VarToStr(value);
}

// Throws when the item refuses the value.
inline void SetValue(IKestroItem& item, const std::string& name, const Variant& value) {
  CheckHResult(item.put_Values(Variant(name), value));
}

}  // namespace kestro
