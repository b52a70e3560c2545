// Reading typed values from the current row of a result table, by column name or index.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text/text.h"
#include "storage/db.h"

namespace kestro {

// The cell as an integer; `fallback` for NULL, a missing column, the end of the table or a text
// that is not an integer.
inline int32_t FieldIntOr(const char* cell, int32_t fallback) {
  int32_t value = 0;
  return cell && TryStrToInt(cell, &value) ? value : fallback;
}
inline int32_t FieldIntOr(const ITable& table, std::string_view name, int32_t fallback) {
  return FieldIntOr(table.FieldByName(name), fallback);
}

}  // namespace kestro
