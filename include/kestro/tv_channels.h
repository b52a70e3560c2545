// Channels of a lineup's guide and the user's ordered channel lists.
#pragma once

#include <cstdint>
#include <string>

#include "kestro/dispatch.h"
#include "kestro/host.h"

namespace kestro {

// One channel. Property writes reach the database at once; a write that fails there is dropped
// and the channel keeps its old value (the call still succeeds).
struct ITVChannel : IDispatch {
  static constexpr GUID kIID = MakeGuid("{B635E4F2-FEAA-449D-AEB9-D98771D06042}");
  using Base = IDispatch;
#define ITVChannel_MEMBERS(M)                                                            \
  M(propget, 201, ID, (int32_t* value))                                                  \
  M(propget, 202, ExternalID, (std::string* value))                                      \
  M(propget, 203, Number, (int32_t* value))                                              \
  M(propput, 203, Number, (int32_t value))                                               \
  M(propget, 204, ShortName, (std::string* value))                                       \
  M(propput, 204, ShortName, (const std::string& value))                                 \
  M(propget, 205, LongName, (std::string* value))                                        \
  M(propput, 205, LongName, (const std::string& value))                                  \
  M(propget, 206, Network, (std::string* value))                                         \
  M(propput, 206, Network, (const std::string& value))                                   \
  M(propget, 207, Frequency, (std::string* value))                                       \
  M(propput, 207, Frequency, (const std::string& value))                                 \
  M(propget, 208, ImageID, (std::string* value))                                         \
  M(propput, 208, ImageID, (const std::string& value))                                   \
  M(propget, 210, Wanted, (bool* value))                                                 \
  M(propput, 210, Wanted, (bool value))                                                  \
  /* "channel-id", "channel-external-id", "channel-number", "channel-short-name", ... */ \
  M(method, 209, GetAsKestroItem, (IKestroItem** result))                                \
  M(method, 211, SetExternalID, (const std::string& id))
  KESTRO_DISPATCH_MEMBERS(ITVChannel, "A channel of the guide")
};

// An ordered selection of channels. Member and name changes stay in the object until Save.
struct ITVChannelList : IDispatch {
  static constexpr GUID kIID = MakeGuid("{DA047126-1556-40DD-A642-8C6A7313778F}");
  using Base = IDispatch;
#define ITVChannelList_MEMBERS(M)                                                     \
  M(propget, 0, Items, (int32_t index, ITVChannel** result))                          \
  M(propget, 201, Count, (int32_t* value))                                            \
  M(method, 202, Add, (ITVChannel* channel))                                          \
  M(method, 203, Clear, ())                                                           \
  /* -1 for a new list not yet saved, 0 for the built-in lists. */                    \
  M(propget, 204, ID, (int32_t* value))                                               \
  M(propget, 205, Name, (std::string* value))                                         \
  M(propput, 205, Name, (const std::string& value))                                   \
  M(method, 206, Remove, (int32_t index))                                             \
  M(method, 207, Exchange, (int32_t index1, int32_t index2))                          \
  /* false (and nothing stored) for the built-in lists. */                            \
  M(method, 208, Save, (bool* result))                                                \
  M(method, 209, IsForUser, (const std::string& user, bool* result))                  \
  M(method, 210, ContainsChannel, (ITVChannel* channel, bool* result))                \
  M(method, 211, RemoveChannel, (ITVChannel* channel))                                \
  /* The users the list is for, comma-separated ("" for everyone); stored on Save. */ \
  M(propget, 212, Users, (std::string* value))                                        \
  M(propput, 212, Users, (const std::string& value))
  KESTRO_DISPATCH_MEMBERS(ITVChannelList, "An ordered list of channels")
};

struct ITVChannelLists : IDispatch {
  static constexpr GUID kIID = MakeGuid("{00E9D7CB-CC93-48AE-933C-D4E9485D7266}");
  using Base = IDispatch;
#define ITVChannelLists_MEMBERS(M)                               \
  M(propget, 0, Items, (int32_t index, ITVChannelList** result)) \
  M(propget, 201, Count, (int32_t* value))
  KESTRO_DISPATCH_MEMBERS(ITVChannelLists, "The channel lists of a user")
};

}  // namespace kestro
