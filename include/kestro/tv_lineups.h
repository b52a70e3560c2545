// The lineups collection: every listings source with its own guide and tuners.
//
// A lineup names the import plug-in that fetches its listings, that plug-in's settings, the
// outcome of its last import and its listings database. Property writes change only the object;
// nothing reaches the lineups database before Save.
#pragma once

#include <cstdint>
#include <string>

#include "kestro/dispatch.h"
#include "kestro/host.h"
#include "kestro/tv_listings.h"

namespace kestro {

struct ITVLineup : IDispatch {
  static constexpr GUID kIID = MakeGuid("{94AE3FC7-C590-4340-98C8-0D9E4265EBBB}");
  using Base = IDispatch;
  // 0 until the lineup is first saved.
  virtual HRESULT get_ID(int32_t* value) = 0;                                    // 201
  virtual HRESULT get_Name(std::string* value) = 0;                              // 202
  virtual HRESULT put_Name(const std::string& value) = 0;
  virtual HRESULT get_PluginID(std::string* value) = 0;                          // 203
  virtual HRESULT put_PluginID(const std::string& value) = 0;
  virtual HRESULT get_UpdateFrequency(std::string* value) = 0;                   // 204
  virtual HRESULT put_UpdateFrequency(const std::string& value) = 0;
  // OLE dates, 0 when none.
  virtual HRESULT get_UpdateTime(double* value) = 0;                             // 205
  virtual HRESULT put_UpdateTime(double value) = 0;
  virtual HRESULT get_LastUpdateTime(double* value) = 0;                         // 206
  virtual HRESULT put_LastUpdateTime(double value) = 0;
  virtual HRESULT get_LastUpdateOK(bool* value) = 0;                             // 207
  virtual HRESULT put_LastUpdateOK(bool value) = 0;
  virtual HRESULT get_LastUpdateStatus(std::string* value) = 0;                  // 208
  virtual HRESULT put_LastUpdateStatus(const std::string& value) = 0;
  // The tuners of the tuner configuration, counted when the object was made; a write is
  // accepted and ignored.
  virtual HRESULT get_TunerCount(int32_t* value) = 0;                            // 209
  virtual HRESULT put_TunerCount(int32_t value) = 0;
  // Writes the lineup and its plug-in properties in one transaction. A database failure is not
  // a failed call: *result is false and *error holds the message.
  virtual HRESULT Save(std::string* error, bool* result) = 0;                    // 210
  // The lineup's own bag, changed in place by the caller.
  virtual HRESULT get_PluginProperties(IKestroItem** value) = 0;                 // 211
  // A new listings object on this lineup's listings database on every call.
  virtual HRESULT GetListings(ITVListings** result) = 0;                         // 212
  // Runs a listings import synchronously; progress may be null.
  virtual HRESULT ImportListings(IMLImportProgress* progress, std::string* error_message,
                                 bool* result) = 0;                              // 213
  virtual HRESULT get_IsImportInProgress(bool* value) = 0;                       // 214
};

struct ITVLineups : IDispatch {
  static constexpr GUID kIID = MakeGuid("{9804E0C9-3D1F-4899-B8B7-7898E487B8A2}");
  using Base = IDispatch;
  virtual HRESULT get_Count(int32_t* value) = 0;                                 // 201
  // The lineup at a 0-based position of the list (lineups by name, then new ones).
  virtual HRESULT get_Items(int32_t index, ITVLineup** value) = 0;               // 0
  // A new unsaved lineup, appended to this collection's list.
  virtual HRESULT NewLineup(ITVLineup** result) = 0;                             // 202
  // Deletes the lineup, its plug-in properties and its listings database; false when there is
  // no such lineup or it could not be deleted.
  virtual HRESULT DeleteLineup(int32_t lineup_id, bool* result) = 0;             // 203
  // The first lineup of the list with this ID; null when none.
  virtual HRESULT GetLineup(int32_t lineup_id, ITVLineup** result) = 0;          // 204
};

}  // namespace kestro
