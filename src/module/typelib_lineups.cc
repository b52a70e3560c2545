#include "module/type_library.h"
#include "kestro/tv_lineups.h"

namespace kestro {

std::vector<const InterfaceInfo*> LineupInterfaces() {
  static const InterfaceInfo lineups{ITVLineups::kIID, "ITVLineups", "Lineups", nullptr, {}};
  return {&lineups};
}

}  // namespace kestro
