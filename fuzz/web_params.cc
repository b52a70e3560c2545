// The web API's query parameters: the input is a URL's query ("q=news&match=all&from=today"),
// decoded as the server decodes it, read as the guide's and the search's parameters, and the
// search run against the shared guide. Anything but a refusal naming a parameter is a failure.
#include <httplib.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "daemon/web_params.h"
#include "fuzz_guide.h"
#include "host/input_error.h"
#include "scheduling/open_listings.h"

using namespace kestro;
namespace web = kestro::daemon::web;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzGuide& guide = fuzzing::SharedGuide();
  static ComPtr<TTVListings> listings = OpenListings(guide.listings_file, 1, guide.env);
  const std::string query(reinterpret_cast<const char*>(data), size);
  httplib::Request req;
  httplib::detail::parse_query_text(query, req.params);
  try {
    const int32_t hours = web::IntParam(req, "hours", 1, 24, 3);
    if (hours < 1 || hours > 24) std::abort();
    if (!std::isfinite(web::TimeParam(req, "start", OleDate()).value)) std::abort();
  } catch (const host::InputError&) {
  }
  try {
    const host::ProgramSearch search = web::SearchParams(req);
    if (search.limit < 0 || search.limit > 10000 || search.text.empty()) std::abort();
    host::SearchPrograms(listings.Get(), search);
  } catch (const host::InputError&) {
  } catch (const std::exception& e) {
    std::fprintf(stderr, "The query [%s] failed: %s\n", query.c_str(), e.what());
    std::abort();
  }
  return 0;
}
