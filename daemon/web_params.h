// The web API's query parameters, read from a request without a server: what the calls take
// from the URL, each refused with a message naming the parameter (host::InputError, a 400).
#pragma once

#include <cstdint>
#include <string>

#include "host/program_search.h"
#include "kestro/ole_date.h"

namespace httplib {
struct Request;
}  // namespace httplib

namespace kestro::daemon::web {

// A query parameter as a whole number within [min, max], or `fallback` when absent.
int32_t IntParam(const httplib::Request& req, const std::string& name, int32_t min, int32_t max,
                 int32_t fallback);
// A query parameter as a local time or date expression, or `fallback` when absent.
OleDate TimeParam(const httplib::Request& req, const std::string& name, OleDate fallback);
// A search's kind ("title" when absent), text "q" (required), "match" (any, all or exact),
// "from" (now when absent), "limit", and "list" or "channel".
host::ProgramSearch SearchParams(const httplib::Request& req);

}  // namespace kestro::daemon::web
