// Programmes of a lineup's guide: one broadcast with its details, its people and lists of them.
#pragma once

#include <cstdint>
#include <string>

#include "kestro/dispatch.h"
#include "kestro/host.h"
#include "kestro/tv_channels.h"

namespace kestro {

// Declared by the listings and scheduling headers; here only passed by pointer.
struct ITVListings;
struct ITVSchedule;
struct ITVRepeatingSchedule;
struct ITVProgramList;

// A programme attribute that the listings may leave unknown.
enum TV_3_WAY : int32_t {
  TV_3_WAY_NO = 0,
  TV_3_WAY_YES = 1,
  TV_3_WAY_UNKNOWN = -1,
};

// One person of a programme's cast or crew, in one role.
struct ITVPerson : IDispatch {
  static constexpr GUID kIID = MakeGuid("{2DA8C48F-843A-4846-93AB-760DE4A7D8F9}");
  using Base = IDispatch;
#define ITVPerson_MEMBERS(M)                  \
  M(propget, 201, ID, (int32_t* value))       \
  M(propget, 202, Name, (std::string* value)) \
  M(propget, 204, Role, (std::string* value)) \
  M(propget, 203, RoleID, (int32_t* value))
  KESTRO_DISPATCH_MEMBERS(ITVPerson, "A person in a role")
};

// The descriptive details of one programme; every value is empty, 0 or unknown when the
// programme has none.
struct ITVProgramDetails : IDispatch {
  static constexpr GUID kIID = MakeGuid("{9A74D0AB-FE67-4415-A71B-98663E434E88}");
  using Base = IDispatch;
#define ITVProgramDetails_MEMBERS(M)                                                               \
  M(propget, 201, LongDescription, (std::string* value))                                           \
  M(propget, 202, ShortDescription, (std::string* value))                                          \
  M(propget, 203, PartNumber, (int32_t* value))                                                    \
  M(propget, 204, NumberOfParts, (int32_t* value))                                                 \
  M(propget, 205, IsCC, (TV_3_WAY* value))                                                         \
  M(propget, 206, IsStereo, (TV_3_WAY* value))                                                     \
  M(propget, 207, IsRepeat, (TV_3_WAY* value))                                                     \
  M(propget, 208, IsSubtitled, (TV_3_WAY* value))                                                  \
  M(propget, 209, IsJoinedInProgress, (TV_3_WAY* value))                                           \
  M(propget, 210, IsSAP, (TV_3_WAY* value))                                                        \
  M(propget, 211, IsSubjectToBlackout, (TV_3_WAY* value))                                          \
  M(propget, 212, HasSexRating, (TV_3_WAY* value))                                                 \
  M(propget, 213, HasViolenceRating, (TV_3_WAY* value))                                            \
  M(propget, 214, HasLanguageRating, (TV_3_WAY* value))                                            \
  M(propget, 215, HasDialogRating, (TV_3_WAY* value))                                              \
  M(propget, 216, HasFantasyViolenceRating, (TV_3_WAY* value))                                     \
  M(propget, 217, IsEnhanced, (TV_3_WAY* value))                                                   \
  M(propget, 218, Is3D, (TV_3_WAY* value))                                                         \
  M(propget, 219, IsLetterbox, (TV_3_WAY* value))                                                  \
  M(propget, 220, IsHDTV, (TV_3_WAY* value))                                                       \
  M(propget, 221, IsDVS, (TV_3_WAY* value))                                                        \
  M(propget, 222, IsMadeForTV, (TV_3_WAY* value))                                                  \
  M(propget, 223, Dolby, (std::string* value))                                                     \
  M(propget, 224, PremiereFinale, (std::string* value))                                            \
  M(propget, 225, Advisories, (std::string* value))                                                \
  M(propget, 226, YearProduced, (int32_t* value))                                                  \
  M(propget, 227, RunTime, (int32_t* value))                                                       \
  M(propget, 228, Color, (std::string* value))                                                     \
  M(propget, 229, Language, (std::string* value))                                                  \
  M(propget, 230, CountryOfOrigin, (std::string* value))                                           \
  M(propget, 231, SourceType, (std::string* value))                                                \
  M(propget, 232, ShowType, (std::string* value))                                                  \
  M(propget, 233, Holiday, (std::string* value))                                                   \
  M(propget, 234, EpisodeNumber, (std::string* value))                                             \
  M(propget, 235, Network, (std::string* value))                                                   \
  M(propget, 236, Studio, (std::string* value))                                                    \
  /* 0 when there is none. */                                                                      \
  M(propget, 237, OriginalAirDate, (OleDate* value))                                               \
  M(propget, 238, SeasonNumber, (int32_t* value))                                                  \
  M(propget, 239, SeasonEpisodeNumber, (int32_t* value))                                           \
  /* Genre name -> "Y", most relevant first. */                                                    \
  M(propget, 242, Genres, (IKestroItem** result))                                                  \
  M(propget, 243, PeopleCount, (int32_t* value))                                                   \
  M(propget, 244, People, (int32_t index, ITVPerson** result))                                     \
  M(method, 240, GetAsKestroItem, (IKestroItem** result))                                          \
  /* "CC", "Stereo", ... -> "Y" for each attribute that is yes, then a colour other than color. */ \
  M(method, 241, GetDisplayFlags, (IKestroItem** result))
  KESTRO_DISPATCH_MEMBERS(ITVProgramDetails, "The details of a programme")
};

// One broadcast, a snapshot of its row taken by the query that found it (Reload refreshes it).
struct ITVProgram : IDispatch {
  static constexpr GUID kIID = MakeGuid("{4DD44838-8D2A-435A-86BF-BA45776B9462}");
  using Base = IDispatch;
#define ITVProgram_MEMBERS(M)                                                                  \
  M(propget, 201, ID, (int32_t* value))                                                        \
  M(propget, 202, ChannelID, (int32_t* value))                                                 \
  M(propget, 203, StartTime, (OleDate* value))                                                 \
  M(propget, 204, EndTime, (OleDate* value))                                                   \
  M(propget, 205, Title, (std::string* value))                                                 \
  M(propget, 206, Subtitle, (std::string* value))                                              \
  M(propget, 207, TVRating, (std::string* value))                                              \
  M(propget, 208, MovieRating, (std::string* value))                                           \
  M(propget, 209, ProgramType, (std::string* value))                                           \
  M(propget, 210, SortTitle, (std::string* value))                                             \
  M(propget, 211, SearchTitle, (std::string* value))                                           \
  M(propget, 212, EqualityKey, (std::string* value))                                           \
  M(propget, 213, Channel, (ITVChannel** result))                                              \
  M(propget, 214, Details, (ITVProgramDetails** result))                                       \
  M(method, 215, GetAsKestroItem, (IKestroItem** result))                                      \
  M(method, 216, IsOver, (bool* result))                                                       \
  M(method, 217, IsOnNow, (bool* result))                                                      \
  M(method, 218, DurationMinutes, (int32_t* result))                                           \
  M(method, 219, Reload, (bool* result))                                                       \
  M(propget, 220, ScheduleID, (int32_t* value))                                                \
  M(method, 221, IsToBeRecorded, (bool* result))                                               \
  M(method, 222, GetAsProgramList, (ITVProgramList** result))                                  \
  /* Always true and changes nothing: the scheduler writes the programme-schedule link. */     \
  M(method, 223, SetScheduleID, (int32_t schedule_id, bool* result))                           \
  M(method, 224, LogText, (std::string* result))                                               \
  M(method, 225, GetSchedule, (ITVSchedule** result))                                          \
  M(method, 226, GetRepeatingSchedule, (ITVListings* listings, ITVRepeatingSchedule** result))
  KESTRO_DISPATCH_MEMBERS(ITVProgram, "One broadcast of a programme")
};

// An ordered list of programmes; duplicates allowed.
struct ITVProgramList : IDispatch {
  static constexpr GUID kIID = MakeGuid("{D55C784B-F296-494E-8113-801841286BCD}");
  using Base = IDispatch;
#define ITVProgramList_MEMBERS(M)                                                    \
  M(propget, 0, Items, (int32_t index, ITVProgram** result))                         \
  M(propget, 201, Count, (int32_t* value))                                           \
  M(method, 202, Add, (ITVProgram* program))                                         \
  M(method, 203, Clear, ())                                                          \
  M(method, 204, ContainsProgram, (ITVProgram* program, bool* result))               \
  /* Appends every item of `source` in order (a list copied onto itself doubles). */ \
  M(method, 205, CopyFrom, (ITVProgramList* source))                                 \
  /* -1 when no item has that ID. */                                                 \
  M(method, 206, IndexOfProgram, (int32_t program_id, int32_t* result))              \
  /* An index outside the list is ignored. */                                        \
  M(method, 207, Remove, (int32_t index))
  KESTRO_DISPATCH_MEMBERS(ITVProgramList, "An ordered list of programmes")
};

}  // namespace kestro
