// Programmes of an XMLTV file that repeat the channel and start of a programme before them, as
// scraped guides often have them.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "kestro/ole_date.h"

namespace kestro {

class XMLTVDuplicateFilter {
 public:
  // `starts_in_order`: every channel's programmes come in the order of their starts, as the
  // counting pass found (grabbers write them so). Then a repeat can only follow its first
  // showing and one start per channel is kept; otherwise every start is.
  explicit XMLTVDuplicateFilter(bool starts_in_order) : in_order_(starts_in_order) {}

  // True when a programme before had this channel and start (to the minute); remembers it.
  bool Seen(const std::string& channel, OleDate start);

 private:
  const bool in_order_;
  std::unordered_map<std::string, int64_t> latest_;                    // in order
  std::unordered_map<std::string, std::unordered_set<int64_t>> every_;  // otherwise
};

}  // namespace kestro
