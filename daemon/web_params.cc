#include "daemon/web_params.h"

#include <httplib.h>

#include "host/host_clock.h"
#include "host/input_error.h"
#include "platform/text/text.h"

namespace kestro::daemon::web {

int32_t IntParam(const httplib::Request& req, const std::string& name, int32_t min, int32_t max,
                 int32_t fallback) {
  if (!req.has_param(name)) return fallback;
  const std::string text = req.get_param_value(name);
  int32_t value = 0;
  if (!TryStrToInt(Trim(text), &value) || value < min || value > max)
    throw host::InputError(Format("The parameter \"%s\" is a whole number from %d to %d, not \"%s\"",
                                  name.c_str(), min, max, text.c_str()));
  return value;
}

OleDate TimeParam(const httplib::Request& req, const std::string& name, OleDate fallback) {
  if (!req.has_param(name)) return fallback;
  const std::string text = req.get_param_value(name);
  OleDate value = 0;
  if (!host::ParseLocalTime(text, &value))
    throw host::InputError("The parameter \"" + name +
                           "\" is a local time \"YYYY-MM-DDTHH:MM\" or an expression such as "
                           "\"now\" or \"today+1d20h\", not \"" + text + "\"");
  return value;
}

host::ProgramSearch SearchParams(const httplib::Request& req) {
  host::ProgramSearch search{req.get_param_value("kind"), Trim(req.get_param_value("q"))};
  if (search.kind.empty()) search.kind = "title";
  if (search.text.empty()) throw host::InputError("The parameter \"q\" says what to search for");
  const std::string match = req.get_param_value("match");
  if (match == "all") search.keywords_type = TV_KWD_SEARCH_TYPE_ALL;
  else if (match == "exact") search.keywords_type = TV_KWD_SEARCH_TYPE_EXACT;
  else if (!match.empty() && match != "any")
    throw host::InputError("The parameter \"match\" is any, all or exact");
  search.from = TimeParam(req, "from", host::NowLocal());
  search.limit = IntParam(req, "limit", 0, 10000, 100);
  search.channel_or_list = IntParam(req, "list", 1, 1 << 30, 0);
  if (int32_t channel = IntParam(req, "channel", 1, 1 << 30, 0)) search.channel_or_list = -channel;
  return search;
}

}  // namespace kestro::daemon::web
