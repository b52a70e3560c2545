// The custom-search language: the input is a query, parsed and run against the shared guide.
// An SQL error means the query became SQL the database refuses: that is a failure.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_guide.h"
#include "scheduling/open_listings.h"
#include "storage/db.h"

using namespace kestro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzGuide& guide = fuzzing::SharedGuide();
  static ComPtr<TTVListings> listings = OpenListings(guide.listings_file, 1, guide.env);
  const std::string query(reinterpret_cast<const char*>(data), size);
  try {
    listings->RunCustomSearch(query);
  } catch (const EDatabaseError& e) {
    std::fprintf(stderr, "SQL error for the query [%s]: %s\n", query.c_str(), e.what());
    std::abort();
  }
  return 0;
}
