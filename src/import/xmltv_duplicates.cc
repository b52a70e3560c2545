#include "import/xmltv_duplicates.h"

#include <cmath>

namespace kestro {

bool XMLTVDuplicateFilter::Seen(const std::string& channel, OleDate start) {
  const int64_t minute = std::llround(start * 1440.0);
  if (!in_order_) return !every_[channel].insert(minute).second;
  const auto [it, added] = latest_.emplace(channel, minute);
  if (added) return false;
  const bool seen = it->second == minute;
  it->second = minute;
  return seen;
}

}  // namespace kestro
