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
  // Each call makes a new object; nothing is cached.
  virtual HRESULT GetScheduleManager(ITVScheduleManager** result) = 0;                        // 202
  virtual HRESULT CreateProgramScreen(IKestroSystem* system, ITVListings* listings,
                                      ITVProgramScreen** result) = 0;                          // 204
  virtual HRESULT CreateRecordScreen(IKestroSystem* system, ITVListings* listings,
                                     ITVRecordScreen** result) = 0;                            // 205
  virtual HRESULT GetLineups(ITVLineups** result) = 0;                                         // 207
  virtual HRESULT CreateRepeatingScheduleScreen(IKestroSystem* system, ITVListings* listings,
                                                ITVRepeatingScheduleScreen** result) = 0;     // 201
  virtual HRESULT CreateScheduleScreen(IKestroSystem* system, ITVListings* listings,
                                       ITVScheduleScreen** result) = 0;                        // 203
};

// Exported entry points of libKestroTV.so.
extern "C" {
int32_t DllGetClassObject(const GUID* clsid, const GUID* iid, void** out);
int32_t DllCanUnloadNow(void);
int32_t DllRegisterServer(void);
int32_t DllUnregisterServer(void);
}
using DllGetClassObjectFn = int32_t (*)(const GUID*, const GUID*, void**);
using DllCanUnloadNowFn = int32_t (*)(void);
using DllRegisterServerFn = int32_t (*)(void);

}  // namespace kestro
