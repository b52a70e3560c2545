#include "cli/session.h"

#include "platform/com/class_loader.h"
#include "platform/text/text.h"

namespace kestro::cli {

Session::Session(const CommandContext& ctx)
    : system_(CreateClassInstance<IKestroTVSystem>(ctx.registry_path, kKestroTVProgID)) {}

ITVLineups* Session::Lineups() {
  if (!lineups_) lineups_ = GetObject(system_.Get(), &IKestroTVSystem::GetLineups);
  return lineups_.Get();
}

ComPtr<ITVLineup> Session::FindLineup(const std::string& id_text) {
  int32_t id = 0;
  ComPtr<ITVLineup> lineup;
  const bool decimal =
      !id_text.empty() && id_text.find_first_not_of("0123456789") == std::string::npos;
  // Unsaved lineups have ID 0; none of them can be meant on a command line.
  if (decimal && TryStrToInt(id_text, &id) && id > 0)
    CheckHResult(Lineups()->GetLineup(id, lineup.ReleaseAndGetAddressOf()));
  if (!lineup) {
    throw Exception("No lineup with id \"" + id_text +
                    "\"; \"kestro lineup list\" shows the lineups");
  }
  return lineup;
}

ComPtr<ITVListings> Session::OpenListings(ITVLineup* lineup) {
  return GetObject(lineup, &ITVLineup::GetListings);
}

}  // namespace kestro::cli
