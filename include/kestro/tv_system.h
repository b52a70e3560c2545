// The module's COM surface: its type library, its one creatable class and the system object's
// interface.
#pragma once

#include "kestro/com.h"
#include "kestro/dispatch.h"
#include "kestro/host.h"
#include "kestro/tv_lineups.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_schedule_manager.h"
#include "kestro/tv_screens.h"

namespace kestro {

constexpr GUID LIBID_KestroTV = MakeGuid("{EFBDED27-DD25-4461-8427-94AD766C3182}");
constexpr CLSID CLSID_KestroTVSystem = MakeGuid("{FA05402F-BD2E-42CE-BD15-C6859CB22A0E}");
constexpr const char* kKestroTVProgID = "KestroTV.KestroTVSystem";

struct IKestroTVSystem : IDispatch {
  static constexpr GUID kIID = MakeGuid("{95D79A0B-314B-45CF-954E-AFAD607BD931}");
  using Base = IDispatch;
#define IKestroTVSystem_MEMBERS(M)                                                             \
  /* Each call makes a new object; nothing is cached. */                                       \
  M(method, 202, GetScheduleManager, (ITVScheduleManager** result))                            \
  M(method, 204, CreateProgramScreen, (IKestroSystem* system, ITVListings* listings,           \
                                       ITVProgramScreen** result))                             \
  M(method, 205, CreateRecordScreen, (IKestroSystem* system, ITVListings* listings,            \
                                      ITVRecordScreen** result))                               \
  M(method, 207, GetLineups, (ITVLineups** result))                                            \
  M(method, 201, CreateRepeatingScheduleScreen, (IKestroSystem* system, ITVListings* listings, \
                                                 ITVRepeatingScheduleScreen** result))         \
  M(method, 203, CreateScheduleScreen, (IKestroSystem* system, ITVListings* listings,          \
                                        ITVScheduleScreen** result))
  KESTRO_DISPATCH_MEMBERS(IKestroTVSystem, "Dispatch interface for KestroTVSystem Object")
};

// Exported entry points of libKestroTV.so.
extern "C" {
int32_t DllGetClassObject(const GUID* clsid, const GUID* iid, void** out);
int32_t DllCanUnloadNow(void);
int32_t DllRegisterServer(void);
int32_t DllUnregisterServer(void);
}

}  // namespace kestro
