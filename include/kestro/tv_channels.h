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
  virtual HRESULT get_ID(int32_t* value) = 0;                          // 201
  virtual HRESULT get_ExternalID(std::string* value) = 0;              // 202
  virtual HRESULT get_Number(int32_t* value) = 0;                      // 203
  virtual HRESULT put_Number(int32_t value) = 0;                       // 203
  virtual HRESULT get_ShortName(std::string* value) = 0;               // 204
  virtual HRESULT put_ShortName(const std::string& value) = 0;         // 204
  virtual HRESULT get_LongName(std::string* value) = 0;                // 205
  virtual HRESULT put_LongName(const std::string& value) = 0;          // 205
  virtual HRESULT get_Network(std::string* value) = 0;                 // 206
  virtual HRESULT put_Network(const std::string& value) = 0;           // 206
  virtual HRESULT get_Frequency(std::string* value) = 0;               // 207
  virtual HRESULT put_Frequency(const std::string& value) = 0;         // 207
  virtual HRESULT get_ImageID(std::string* value) = 0;                 // 208
  virtual HRESULT put_ImageID(const std::string& value) = 0;           // 208
  virtual HRESULT get_Wanted(bool* value) = 0;                         // 210
  virtual HRESULT put_Wanted(bool value) = 0;                          // 210
  // "channel-id", "channel-external-id", "channel-number", "channel-short-name", ...
  virtual HRESULT GetAsKestroItem(IKestroItem** result) = 0;           // 209
  virtual HRESULT SetExternalID(const std::string& id) = 0;            // 211
};

// An ordered selection of channels. Member and name changes stay in the object until Save.
struct ITVChannelList : IDispatch {
  static constexpr GUID kIID = MakeGuid("{DA047126-1556-40DD-A642-8C6A7313778F}");
  using Base = IDispatch;
  virtual HRESULT get_Items(int32_t index, ITVChannel** result) = 0;           // 0
  virtual HRESULT get_Count(int32_t* value) = 0;                               // 201
  virtual HRESULT Add(ITVChannel* channel) = 0;                                // 202
  virtual HRESULT Clear() = 0;                                                 // 203
  // -1 for a new list not yet saved, 0 for the built-in lists.
  virtual HRESULT get_ID(int32_t* value) = 0;                                  // 204
  virtual HRESULT get_Name(std::string* value) = 0;                            // 205
  virtual HRESULT put_Name(const std::string& value) = 0;                      // 205
  virtual HRESULT Remove(int32_t index) = 0;                                   // 206
  virtual HRESULT Exchange(int32_t index1, int32_t index2) = 0;                // 207
  // false (and nothing stored) for the built-in lists.
  virtual HRESULT Save(bool* result) = 0;                                      // 208
  virtual HRESULT IsForUser(const std::string& user, bool* result) = 0;        // 209
  virtual HRESULT ContainsChannel(ITVChannel* channel, bool* result) = 0;      // 210
  virtual HRESULT RemoveChannel(ITVChannel* channel) = 0;                      // 211
  // The users the list is for, comma-separated ("" for everyone); stored on Save.
  virtual HRESULT get_Users(std::string* value) = 0;                           // 212
  virtual HRESULT put_Users(const std::string& value) = 0;                     // 212
};

struct ITVChannelLists : IDispatch {
  static constexpr GUID kIID = MakeGuid("{00E9D7CB-CC93-48AE-933C-D4E9485D7266}");
  using Base = IDispatch;
  virtual HRESULT get_Items(int32_t index, ITVChannelList** result) = 0;  // 0
  virtual HRESULT get_Count(int32_t* value) = 0;                          // 201
};

}  // namespace kestro
