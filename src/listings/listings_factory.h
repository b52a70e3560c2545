// Opening a lineup's guide: the listings object on its database file.
#pragma once

#include <string>

#include "kestro/com.h"
#include "kestro/tv_listings.h"

namespace kestro {

// Opens (creating or upgrading) the listings database `file_name` and returns a new listings
// object whose ID is `lineup_id`. Throws with the database's open/create message on failure.
ComPtr<ITVListings> OpenListings(const std::string& file_name, int32_t lineup_id);

}  // namespace kestro
