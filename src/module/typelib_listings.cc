#include "module/type_library.h"
#include "kestro/tv_listings.h"

namespace kestro {

std::vector<const InterfaceInfo*> ListingsInterfaces() {
  static const InterfaceInfo listings{ITVListings::kIID, "ITVListings", "Listings", nullptr, {}};
  return {&listings};
}

}  // namespace kestro
