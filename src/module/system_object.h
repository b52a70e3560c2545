// TKestroTVSystem: the module's one creatable class. Every call makes a new object.
#pragma once

#include "core/kestro_object.h"
#include "import/import_plugin.h"
#include "kestro/tv_system.h"

namespace kestro {

// Owns what the module takes from outside (the Env and the import plug-ins) and hands it down
// to every object it makes.
class TKestroTVSystem : public TKestroTVObject<IKestroTVSystem> {
 public:
  explicit TKestroTVSystem(ImportServices services) : services_(std::move(services)) {}

  HRESULT GetScheduleManager(ITVScheduleManager** result) override;
  HRESULT CreateProgramScreen(IKestroSystem* system, ITVListings* listings,
                              ITVProgramScreen** result) override;
  HRESULT CreateRecordScreen(IKestroSystem* system, ITVListings* listings,
                             ITVRecordScreen** result) override;
  HRESULT GetLineups(ITVLineups** result) override;
  HRESULT CreateRepeatingScheduleScreen(IKestroSystem* system, ITVListings* listings,
                                        ITVRepeatingScheduleScreen** result) override;
  HRESULT CreateScheduleScreen(IKestroSystem* system, ITVListings* listings,
                               ITVScheduleScreen** result) override;

 private:
  const ImportServices services_;
};

}  // namespace kestro
