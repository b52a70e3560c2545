// What a host needs to work on the guide through the module's interfaces: the module's system
// object (loaded through the registry as a host loads it), its lineups, a lineup by id and that
// lineup's listings. A failed COM call throws an Exception carrying the call's error info.
#pragma once

#include <cstdint>
#include <string>

#include "kestro/interface_reads.h"
#include "kestro/tv_lineups.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_system.h"

namespace kestro::host {

class ModuleSession {
 public:
  // Loads the module through the registry file and creates the system object.
  explicit ModuleSession(const std::string& registry_path);
  // Works on a system object already made (a long-running host keeps one per thread).
  explicit ModuleSession(ComPtr<IKestroTVSystem> system) : system_(std::move(system)) {}

  IKestroTVSystem* System() const { return system_.Get(); }
  // The one lineups collection of this session (a new one would not see unsaved lineups), opened
  // on first use.
  ITVLineups* Lineups();
  // The saved lineup with this id, or null.
  ComPtr<ITVLineup> LineupById(int32_t id);
  // A new listings object on the lineup's guide.
  ComPtr<ITVListings> OpenListings(ITVLineup* lineup);

 private:
  ComPtr<IKestroTVSystem> system_;
  ComPtr<ITVLineups> lineups_;
};

}  // namespace kestro::host
