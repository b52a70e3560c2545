#include "cli/session.h"

#include "platform/text/text.h"

namespace kestro::cli {

ComPtr<ITVLineup> Session::FindLineup(const std::string& id_text) {
  int32_t id = 0;
  ComPtr<ITVLineup> lineup;
  const bool decimal =
      !id_text.empty() && id_text.find_first_not_of("0123456789") == std::string::npos;
  if (decimal && TryStrToInt(id_text, &id)) lineup = LineupById(id);
  if (!lineup) {
    throw Exception("No lineup with id \"" + id_text +
                    "\"; \"kestro lineup list\" shows the lineups");
  }
  return lineup;
}

}  // namespace kestro::cli
