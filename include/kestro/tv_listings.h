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
#define ITVListings_MEMBERS(M)                                                                     \
  /* Search title equal to the lower-cased pattern, or like it when it holds "*"; ordered by       \
     search title and start time. An empty pattern or "*" alone finds nothing. */                  \
  M(method, 201, SearchByTitle, (const std::string& search_string, int32_t channel_or_list_id,     \
                                 OleDate from_time, int32_t limit, ITVProgramList** result))       \
  /* Programmes running in [from, to): to > 0 bounds the start; ordered by start time. */          \
  M(method, 202, SearchByTimeSlice, (OleDate from_time, OleDate to_time,                           \
                                     int32_t channel_or_list_id, int32_t limit,                    \
                                     ITVProgramList** result))                                     \
  /* Programmes starting in [from, to) (each bound only when > 0); ordered by start time. */       \
  M(method, 203, SearchByStartTime, (OleDate from_time, OleDate to_time,                           \
                                     int32_t channel_or_list_id, int32_t limit,                    \
                                     ITVProgramList** result))                                     \
  M(method, 204, NewProgramGroups, (ITVProgramGroups** result))                                    \
  /* Null when there is no such programme. */                                                      \
  M(method, 205, FindProgramByID, (int32_t program_id, ITVProgram** result))                       \
  M(method, 206, GetChannelLists, (const std::string& for_user, ITVChannelLists** result))         \
  M(method, 207, NewChannelList, (ITVChannelList** result))                                        \
  /* The wanted channels by number. */                                                             \
  M(method, 208, GetAllChannels, (ITVChannelList** result))                                        \
  M(method, 209, FindChannelListByID, (int32_t channel_list_id, ITVChannelList** result))          \
  M(method, 210, FindChannelByID, (int32_t channel_id, ITVChannel** result))                       \
  M(method, 211, DeleteChannelList, (int32_t channel_list_id, bool* result))                       \
  /* Whole words of the programmes' search words (TV_KWD_SEARCH_TYPE); ordered by start time. */   \
  M(method, 212, SearchByKeywords, (const std::string& keywords, int32_t search_type,              \
                                    int32_t channel_or_list_id, OleDate from_time, int32_t limit,  \
                                    ITVProgramList** result))                                      \
  /* Programmes of a type ("MV", "SP", "EP", "SH") starting in [from, to); by start time. */       \
  M(method, 213, SearchByProgramType, (const std::string& program_type, OleDate from_time,         \
                                       OleDate to_time, int32_t channel_or_list_id, int32_t limit, \
                                       ITVProgramList** result))                                   \
  /* Every broadcast with this equality key; by start time. */                                     \
  M(method, 214, SearchByEqualityKey, (const std::string& equality_key,                            \
                                       int32_t channel_or_list_id, OleDate from_time,              \
                                       int32_t limit, ITVProgramList** result))                    \
  /* The lineup id. */                                                                             \
  M(propget, 215, ID, (int32_t* value))                                                            \
  /* Programmes with a schedule that have not ended; by start time. */                             \
  M(method, 216, GetProgramsToBeRecorded, (int32_t channel_or_list_id, ITVProgramList** result))   \
  /* Person name -> person id for the names matching the pattern, sorted by name. */               \
  M(method, 217, GetPeople, (const std::string& search_string, IKestroItem** result))              \
  /* Role name -> role id of every role. */                                                        \
  M(method, 218, GetAllPeopleRoles, (IKestroItem** result))                                        \
  M(method, 219, SearchByPerson, (int32_t person_id, int32_t channel_or_list_id,                   \
                                  OleDate from_time, int32_t limit, ITVProgramList** result))      \
  /* Every channel, wanted or not, by number. */                                                   \
  M(method, 220, GetMasterChannels, (ITVChannelList** result))                                     \
  M(method, 221, FindChannelByExternalID, (const std::string& channel_external_id,                 \
                                           ITVChannel** result))                                   \
  M(method, 222, ChannelExistsByExternalID, (const std::string& channel_external_id,               \
                                             bool* result))                                        \
  /* A new scheduler working on this guide's database. */                                          \
  M(method, 223, GetScheduler, (ITVScheduler** result))                                            \
  /* The custom-search language, one condition per line; lines that cannot be understood are       \
     skipped. `error_text` (by reference) is set empty. */                                         \
  M(method, 224, CustomSearch, (const std::string& search_query, std::string* error_text,          \
                                ITVProgramList** result))                                          \
  M(method, 225, HasAnyPrograms, (bool* result))
  KESTRO_DISPATCH_MEMBERS(ITVListings, "The programme guide of one lineup")
};

}  // namespace kestro
