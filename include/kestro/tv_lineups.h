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
#define ITVLineup_MEMBERS(M)                                                                    \
  /* 0 until the lineup is first saved. */                                                      \
  M(propget, 201, ID, (int32_t* value))                                                         \
  M(propget, 202, Name, (std::string* value))                                                   \
  M(propput, 202, Name, (const std::string& value))                                             \
  M(propget, 203, PluginID, (std::string* value))                                               \
  M(propput, 203, PluginID, (const std::string& value))                                         \
  M(propget, 204, UpdateFrequency, (std::string* value))                                        \
  M(propput, 204, UpdateFrequency, (const std::string& value))                                  \
  /* 0 when there is none. */                                                                   \
  M(propget, 205, UpdateTime, (OleDate* value))                                                 \
  M(propput, 205, UpdateTime, (OleDate value))                                                  \
  M(propget, 206, LastUpdateTime, (OleDate* value))                                             \
  M(propput, 206, LastUpdateTime, (OleDate value))                                              \
  M(propget, 207, LastUpdateOK, (bool* value))                                                  \
  M(propput, 207, LastUpdateOK, (bool value))                                                   \
  M(propget, 208, LastUpdateStatus, (std::string* value))                                       \
  M(propput, 208, LastUpdateStatus, (const std::string& value))                                 \
  /* The tuners of the tuner configuration, counted when the object was made; a write is        \
     accepted and ignored. */                                                                   \
  M(propget, 209, TunerCount, (int32_t* value))                                                 \
  M(propput, 209, TunerCount, (int32_t value))                                                  \
  /* Writes the lineup and its plug-in properties in one transaction. A database failure is not \
     a failed call: *result is false and *error holds the message. */                           \
  M(method, 210, Save, (std::string* error, bool* result))                                      \
  /* The lineup's own bag, changed in place by the caller. */                                   \
  M(propget, 211, PluginProperties, (IKestroItem** value))                                      \
  /* A new listings object on this lineup's listings database on every call. */                 \
  M(method, 212, GetListings, (ITVListings** result))                                           \
  /* Runs a listings import synchronously; progress may be null. */                             \
  M(method, 213, ImportListings, (IMLImportProgress* progress, std::string* error_message,      \
                                  bool* result))                                                \
  M(propget, 214, IsImportInProgress, (bool* value))
  KESTRO_DISPATCH_MEMBERS(ITVLineup, "Lineup")
};

struct ITVLineups : IDispatch {
  static constexpr GUID kIID = MakeGuid("{9804E0C9-3D1F-4899-B8B7-7898E487B8A2}");
  using Base = IDispatch;
#define ITVLineups_MEMBERS(M)                                                                  \
  M(propget, 201, Count, (int32_t* value))                                                     \
  /* The lineup at a 0-based position of the list (lineups by name, then new ones). */         \
  M(propget, 0, Items, (int32_t index, ITVLineup** value))                                     \
  /* A new unsaved lineup, appended to this collection's list. */                              \
  M(method, 202, NewLineup, (ITVLineup** result))                                              \
  /* Deletes the lineup, its plug-in properties and its listings database; false when there is \
     no such lineup or it could not be deleted. */                                             \
  M(method, 203, DeleteLineup, (int32_t lineup_id, bool* result))                              \
  /* The first lineup of the list with this ID; null when none. */                             \
  M(method, 204, GetLineup, (int32_t lineup_id, ITVLineup** result))
  KESTRO_DISPATCH_MEMBERS(ITVLineups, "Lineups")
};

}  // namespace kestro
