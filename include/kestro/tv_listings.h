// The programme guide of one lineup: searches over programmes, people and roles, the channels and
// channel lists, programme groups and the lineup's scheduler.
//
// Every search takes a ChannelOrListID: 0 for all channels, a positive channel list id, or minus
// a channel id. A FromTime > 0 leaves out programmes that have ended by then, including one that
// ends exactly at FromTime; times are OLE dates in local time. A Limit > 0 caps the rows. Every
// search returns a list, empty when its condition comes out empty.
#pragma once

#include <cstdint>
#include <string>

#include "kestro/dispatch.h"
#include "kestro/host.h"
#include "kestro/tv_channels.h"
#include "kestro/tv_program_groups.h"
#include "kestro/tv_programs.h"
#include "kestro/tv_schedules.h"

namespace kestro {

// Keyword search types of SearchByKeywords.
enum TV_KWD_SEARCH_TYPE : int32_t {
  TV_KWD_SEARCH_TYPE_ANY = 1,    // any of the words
  TV_KWD_SEARCH_TYPE_ALL = 2,    // every word
  TV_KWD_SEARCH_TYPE_EXACT = 3,  // the words as one phrase
};

struct ITVListings : IDispatch {
  static constexpr GUID kIID = MakeGuid("{5A35505A-3D76-4E1F-82BD-A9E85D49BBFE}");
  using Base = IDispatch;
  // Search title equal to the lower-cased pattern, or like it when it holds "*"; ordered by
  // search title and start time. An empty pattern or "*" alone finds nothing.
  virtual HRESULT SearchByTitle(const std::string& search_string, int32_t channel_or_list_id,
                                double from_time, int32_t limit,
                                ITVProgramList** result) = 0;                             // 201
  // Programmes running in [from, to): to > 0 bounds the start; ordered by start time.
  virtual HRESULT SearchByTimeSlice(double from_time, double to_time, int32_t channel_or_list_id,
                                    int32_t limit, ITVProgramList** result) = 0;          // 202
  // Programmes starting in [from, to) (each bound only when > 0); ordered by start time.
  virtual HRESULT SearchByStartTime(double from_time, double to_time, int32_t channel_or_list_id,
                                    int32_t limit, ITVProgramList** result) = 0;          // 203
  virtual HRESULT NewProgramGroups(ITVProgramGroups** result) = 0;                        // 204
  // Null when there is no such programme.
  virtual HRESULT FindProgramByID(int32_t program_id, ITVProgram** result) = 0;           // 205
  virtual HRESULT GetChannelLists(const std::string& for_user,
                                  ITVChannelLists** result) = 0;                          // 206
  virtual HRESULT NewChannelList(ITVChannelList** result) = 0;                            // 207
  // The wanted channels by number.
  virtual HRESULT GetAllChannels(ITVChannelList** result) = 0;                            // 208
  virtual HRESULT FindChannelListByID(int32_t channel_list_id, ITVChannelList** result) = 0;  // 209
  virtual HRESULT FindChannelByID(int32_t channel_id, ITVChannel** result) = 0;           // 210
  virtual HRESULT DeleteChannelList(int32_t channel_list_id, bool* result) = 0;           // 211
  // Whole words of the programmes' search words (TV_KWD_SEARCH_TYPE); ordered by start time.
  virtual HRESULT SearchByKeywords(const std::string& keywords, int32_t search_type,
                                   int32_t channel_or_list_id, double from_time, int32_t limit,
                                   ITVProgramList** result) = 0;                          // 212
  // Programmes of a type ("MV", "SP", "EP", "SH") starting in [from, to); by start time.
  virtual HRESULT SearchByProgramType(const std::string& program_type, double from_time,
                                      double to_time, int32_t channel_or_list_id, int32_t limit,
                                      ITVProgramList** result) = 0;                       // 213
  // Every broadcast with this equality key; by start time.
  virtual HRESULT SearchByEqualityKey(const std::string& equality_key, int32_t channel_or_list_id,
                                      double from_time, int32_t limit,
                                      ITVProgramList** result) = 0;                       // 214
  // The lineup id.
  virtual HRESULT get_ID(int32_t* value) = 0;                                             // 215
  // Programmes with a schedule that have not ended; by start time.
  virtual HRESULT GetProgramsToBeRecorded(int32_t channel_or_list_id,
                                          ITVProgramList** result) = 0;                   // 216
  // Person name -> person id for the names matching the pattern, sorted by name.
  virtual HRESULT GetPeople(const std::string& search_string, IKestroItem** result) = 0;  // 217
  // Role name -> role id of every role.
  virtual HRESULT GetAllPeopleRoles(IKestroItem** result) = 0;                            // 218
  virtual HRESULT SearchByPerson(int32_t person_id, int32_t channel_or_list_id,
                                 double from_time, int32_t limit,
                                 ITVProgramList** result) = 0;                            // 219
  // Every channel, wanted or not, by number.
  virtual HRESULT GetMasterChannels(ITVChannelList** result) = 0;                         // 220
  virtual HRESULT FindChannelByExternalID(const std::string& channel_external_id,
                                          ITVChannel** result) = 0;                       // 221
  virtual HRESULT ChannelExistsByExternalID(const std::string& channel_external_id,
                                            bool* result) = 0;                            // 222
  // A new scheduler working on this guide's database.
  virtual HRESULT GetScheduler(ITVScheduler** result) = 0;                                // 223
  // The custom-search language, one condition per line; lines that cannot be understood are
  // skipped. `error_text` (by reference) is set empty.
  virtual HRESULT CustomSearch(const std::string& search_query, std::string* error_text,
                               ITVProgramList** result) = 0;                              // 224
  virtual HRESULT HasAnyPrograms(bool* result) = 0;                                       // 225
};

}  // namespace kestro
