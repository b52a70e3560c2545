// A lineup's guide as XMLTV, so other media players can read it: the channels (the wanted ones,
// or a channel list's) with their numbers and names, then each programme running in a time
// window with its titles, description, people, genres, year, episode and rating. Times are
// written in UTC.
#pragma once

#include <cstdint>
#include <ostream>

#include "kestro/ole_date.h"
#include "kestro/tv_listings.h"

namespace kestro::host {

// Writes the programmes running in [from, to) of the channels of `list` (0: the wanted ones).
// Throws Exception for the module's failures.
void WriteXmltv(ITVListings* listings, OleDate from, OleDate to, int32_t list, std::ostream& out);

}  // namespace kestro::host
