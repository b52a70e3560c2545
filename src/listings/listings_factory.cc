#include "listings/listings_factory.h"

#include "listings/tv_listings.h"

namespace kestro {

ComPtr<ITVListings> OpenListings(const std::string& file_name, int32_t lineup_id) {
  return MakeObject<TTVListings>(file_name, lineup_id);
}

}  // namespace kestro
