// What every kestro command that works on the guide needs: the module's system object loaded the
// way a host loads it, its lineups, one lineup picked by the id on the command line, and that
// lineup's listings. A failed COM call becomes an Exception carrying the call's error info, which
// the tool prints with exit code 1.
#pragma once

#include <string>

#include "cli/cli.h"
#include "kestro/interface_reads.h"
#include "kestro/tv_lineups.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_system.h"

namespace kestro::cli {

class Session {
 public:
  // Loads the module through the registry of the command's context and creates the system
  // object. The lineups are opened on first use.
  explicit Session(const CommandContext& ctx);

  IKestroTVSystem* System() const { return system_.Get(); }
  // The one lineups collection of this session (a new one would not see unsaved lineups).
  ITVLineups* Lineups();
  // The lineup whose id is `id_text` (a decimal number). Throws Exception
  // "No lineup with id "<id_text>"; "kestro lineup list" shows the lineups" when the text is not
  // a number or no lineup has that id.
  ComPtr<ITVLineup> FindLineup(const std::string& id_text);
  // A new listings object on the lineup's guide.
  ComPtr<ITVListings> OpenListings(ITVLineup* lineup);

 private:
  ComPtr<IKestroTVSystem> system_;
  ComPtr<ITVLineups> lineups_;
};

}  // namespace kestro::cli
