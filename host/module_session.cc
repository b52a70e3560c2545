#include "host/module_session.h"

#include "platform/com/class_loader.h"

namespace kestro::host {

ModuleSession::ModuleSession(const std::string& registry_path)
    : system_(CreateClassInstance<IKestroTVSystem>(registry_path, kKestroTVProgID)) {}

ITVLineups* ModuleSession::Lineups() {
  if (!lineups_) lineups_ = GetObject(system_.Get(), &IKestroTVSystem::GetLineups);
  return lineups_.Get();
}

ComPtr<ITVLineup> ModuleSession::LineupById(int32_t id) {
  ComPtr<ITVLineup> lineup;
  // Unsaved lineups have ID 0; none of them can be meant.
  if (id > 0) CheckHResult(Lineups()->GetLineup(id, lineup.ReleaseAndGetAddressOf()));
  return lineup;
}

ComPtr<ITVListings> ModuleSession::OpenListings(ITVLineup* lineup) {
  return GetObject(lineup, &ITVLineup::GetListings);
}

}  // namespace kestro::host
