#include "listings/listings_factory.h"

#include "platform/exception.h"

namespace kestro {

// Replaced by the listings object's own implementation.
ComPtr<ITVListings> OpenListings(const std::string& file_name, int32_t) {
  throw Exception("The listings of \"" + file_name + "\" cannot be opened yet");
}

}  // namespace kestro
