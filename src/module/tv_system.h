// TKestroTVSystem: the module's one creatable class. Every call makes a new object.
#pragma once

#include "core/kestro_object.h"
#include "kestro/tv_system.h"

namespace kestro {

class TKestroTVSystem : public TKestroTVObject<IKestroTVSystem> {
 public:
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
};

}  // namespace kestro
