#include "module/system_object.h"

#include "lineups/lineups.h"
#include "module/screens.h"
#include "recording/schedule_manager.h"

namespace kestro {

namespace {

template <class Screen>
auto ScreenMaker(IKestroSystem* system, ITVListings* listings) {
  return [=] { return MakeObject<Screen>(system, listings); };
}

}  // namespace

HRESULT TKestroTVSystem::GetScheduleManager(ITVScheduleManager** result) {
  return FrameOut(result,
                  [&] { return ComPtr<ITVScheduleManager>(MakeObject<TTVScheduleManager>(services_)); });
}

HRESULT TKestroTVSystem::GetLineups(ITVLineups** result) {
  return FrameOut(result, [&] { return ComPtr<ITVLineups>(MakeObject<TTVLineups>(services_)); });
}

HRESULT TKestroTVSystem::CreateProgramScreen(IKestroSystem* system, ITVListings* listings,
                                             ITVProgramScreen** result) {
  return FrameOut(result, ScreenMaker<TTVProgramScreen>(system, listings));
}

HRESULT TKestroTVSystem::CreateRecordScreen(IKestroSystem* system, ITVListings* listings,
                                            ITVRecordScreen** result) {
  return FrameOut(result, ScreenMaker<TTVRecordScreen>(system, listings));
}

HRESULT TKestroTVSystem::CreateRepeatingScheduleScreen(IKestroSystem* system,
                                                       ITVListings* listings,
                                                       ITVRepeatingScheduleScreen** result) {
  return FrameOut(result, ScreenMaker<TTVRepeatingScheduleScreen>(system, listings));
}

HRESULT TKestroTVSystem::CreateScheduleScreen(IKestroSystem* system, ITVListings* listings,
                                              ITVScheduleScreen** result) {
  return FrameOut(result, ScreenMaker<TTVScheduleScreen>(system, listings));
}

}  // namespace kestro
