// Listings import: the import system a plug-in works through, the plug-ins, and the objects
// through which a plug-in saves each channel and programme of its source.
//
// A plug-in gets an ITVListingsImportSystem for one run. It asks it for new-channel and
// new-program objects, fills them, calls Save and reads the result code; it reports progress
// through Progress and writes into the run's log through Log. Every string property of the
// new-channel and new-program objects is trimmed when set (leading and trailing blanks and
// control characters removed). Times are OLE dates in local time.
#pragma once

#include <cstdint>
#include <string>

#include "kestro/dispatch.h"
#include "kestro/host.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_programs.h"

namespace kestro {

// Result of ITVNewChannel.Save.
enum TV_CHANNEL_SAVE_RESULT : int32_t {
  TV_CHANNEL_SAVE_OK = 0,
  TV_CHANNEL_SAVE_INCOMPLETE_CHANNEL = 1,
  TV_CHANNEL_SAVE_UNWANTED = 2,
  TV_CHANNEL_SAVE_DUPLICATE_EXTERNAL_ID = 3,  // never answered by Save
  TV_CHANNEL_SAVE_FAILED = 4,
};

// Result of ITVNewProgram.Save.
enum TV_PROGRAM_SAVE_RESULT : int32_t {
  TV_PROGRAM_SAVE_OK = 0,
  TV_PROGRAM_SAVE_INVALID_CHANNEL = 1,
  TV_PROGRAM_SAVE_UNWANTED_CHANNEL = 2,
  TV_PROGRAM_SAVE_INVALID_TIMES = 3,
  TV_PROGRAM_SAVE_INCOMPLETE_PROGRAM = 4,
  TV_PROGRAM_SAVE_FAILED = 5,
};

// One channel of a listings source. Save matches it by external id against the guide's
// channels, adds it when unknown, and tells whether the user wants it. Save never fails as a
// call: problems are its result codes, written to the import's log.
struct ITVNewChannel : IDispatch {
  static constexpr GUID kIID = MakeGuid("{024BB89E-25ED-4580-BC3E-C7EB6ECA2195}");
  using Base = IDispatch;
#define ITVNewChannel_MEMBERS(M)                           \
  /* The channel's channel_id after a successful Save. */  \
  M(propget, 0xC9, ID, (int32_t* value))                   \
  M(propput, 0xC9, ID, (int32_t value))                    \
  M(propget, 0xCA, Number, (int32_t* value))               \
  M(propput, 0xCA, Number, (int32_t value))                \
  M(propget, 0xCB, ExternalID, (std::string* value))       \
  M(propput, 0xCB, ExternalID, (const std::string& value)) \
  M(propget, 0xCC, ShortName, (std::string* value))        \
  M(propput, 0xCC, ShortName, (const std::string& value))  \
  M(propget, 0xCD, LongName, (std::string* value))         \
  M(propput, 0xCD, LongName, (const std::string& value))   \
  M(propget, 0xCE, Network, (std::string* value))          \
  M(propput, 0xCE, Network, (const std::string& value))    \
  M(propget, 0xCF, Frequency, (std::string* value))        \
  M(propput, 0xCF, Frequency, (const std::string& value))  \
  M(propget, 0xD0, ImageID, (std::string* value))          \
  M(propput, 0xD0, ImageID, (const std::string& value))    \
  /* ID and Number 0, every text empty. */                 \
  M(method, 0xD1, Clear, ())                               \
  M(method, 0xD2, Save, (TV_CHANNEL_SAVE_RESULT* result))
  KESTRO_DISPATCH_MEMBERS(ITVNewChannel, "A channel of a listings source")
};

// One programme of a listings source. Save validates it, reconciles it with the programmes
// already stored for its channel and time, and writes it. Save never fails as a call.
struct ITVNewProgram : IDispatch {
  static constexpr GUID kIID = MakeGuid("{09E8D346-E7C9-48D0-8742-5D85789037A8}");
  using Base = IDispatch;
#define ITVNewProgram_MEMBERS(M)                                                             \
  M(propget, 201, ID, (int32_t* value))                                                      \
  M(propput, 201, ID, (int32_t value))                                                       \
  M(propget, 202, ChannelID, (int32_t* value))                                               \
  M(propput, 202, ChannelID, (int32_t value))                                                \
  M(propget, 203, ChannelExternalID, (std::string* value))                                   \
  M(propput, 203, ChannelExternalID, (const std::string& value))                             \
  M(propget, 204, StartTime, (OleDate* value))                                               \
  M(propput, 204, StartTime, (OleDate value))                                                \
  M(propget, 205, EndTime, (OleDate* value))                                                 \
  M(propput, 205, EndTime, (OleDate value))                                                  \
  M(propget, 206, OriginalAirDate, (OleDate* value))                                         \
  M(propput, 206, OriginalAirDate, (OleDate value))                                          \
  M(propget, 207, Title, (std::string* value))                                               \
  M(propput, 207, Title, (const std::string& value))                                         \
  M(propget, 208, Subtitle, (std::string* value))                                            \
  M(propput, 208, Subtitle, (const std::string& value))                                      \
  M(propget, 209, TVRating, (std::string* value))                                            \
  M(propput, 209, TVRating, (const std::string& value))                                      \
  M(propget, 210, MovieRating, (std::string* value))                                         \
  M(propput, 210, MovieRating, (const std::string& value))                                   \
  M(propget, 211, ProgramType, (std::string* value))                                         \
  M(propput, 211, ProgramType, (const std::string& value))                                   \
  M(propget, 212, SortTitle, (std::string* value))                                           \
  M(propput, 212, SortTitle, (const std::string& value))                                     \
  M(propget, 213, EqualityKey, (std::string* value))                                         \
  M(propput, 213, EqualityKey, (const std::string& value))                                   \
  M(propget, 214, LongDescription, (std::string* value))                                     \
  M(propput, 214, LongDescription, (const std::string& value))                               \
  M(propget, 215, ShortDescription, (std::string* value))                                    \
  M(propput, 215, ShortDescription, (const std::string& value))                              \
  M(propget, 216, Dolby, (std::string* value))                                               \
  M(propput, 216, Dolby, (const std::string& value))                                         \
  M(propget, 217, PremiereFinale, (std::string* value))                                      \
  M(propput, 217, PremiereFinale, (const std::string& value))                                \
  M(propget, 218, Advisories, (std::string* value))                                          \
  M(propput, 218, Advisories, (const std::string& value))                                    \
  M(propget, 219, Color, (std::string* value))                                               \
  M(propput, 219, Color, (const std::string& value))                                         \
  M(propget, 220, Language, (std::string* value))                                            \
  M(propput, 220, Language, (const std::string& value))                                      \
  M(propget, 221, CountryOfOrigin, (std::string* value))                                     \
  M(propput, 221, CountryOfOrigin, (const std::string& value))                               \
  M(propget, 222, SourceType, (std::string* value))                                          \
  M(propput, 222, SourceType, (const std::string& value))                                    \
  M(propget, 223, ShowType, (std::string* value))                                            \
  M(propput, 223, ShowType, (const std::string& value))                                      \
  M(propget, 224, Holiday, (std::string* value))                                             \
  M(propput, 224, Holiday, (const std::string& value))                                       \
  M(propget, 225, EpisodeNumber, (std::string* value))                                       \
  M(propput, 225, EpisodeNumber, (const std::string& value))                                 \
  M(propget, 226, Network, (std::string* value))                                             \
  M(propput, 226, Network, (const std::string& value))                                       \
  M(propget, 227, Studio, (std::string* value))                                              \
  M(propput, 227, Studio, (const std::string& value))                                        \
  M(propget, 228, PartNumber, (int32_t* value))                                              \
  M(propput, 228, PartNumber, (int32_t value))                                               \
  M(propget, 229, NumberOfParts, (int32_t* value))                                           \
  M(propput, 229, NumberOfParts, (int32_t value))                                            \
  M(propget, 230, YearProduced, (int32_t* value))                                            \
  M(propput, 230, YearProduced, (int32_t value))                                             \
  M(propget, 231, RunTime, (int32_t* value))                                                 \
  M(propput, 231, RunTime, (int32_t value))                                                  \
  M(propget, 232, SeasonNumber, (int32_t* value))                                            \
  M(propput, 232, SeasonNumber, (int32_t value))                                             \
  M(propget, 233, SeasonEpisodeNumber, (int32_t* value))                                     \
  M(propput, 233, SeasonEpisodeNumber, (int32_t value))                                      \
  M(propget, 234, IsCC, (TV_3_WAY* value))                                                   \
  M(propput, 234, IsCC, (TV_3_WAY value))                                                    \
  M(propget, 235, IsStereo, (TV_3_WAY* value))                                               \
  M(propput, 235, IsStereo, (TV_3_WAY value))                                                \
  M(propget, 236, IsRepeat, (TV_3_WAY* value))                                               \
  M(propput, 236, IsRepeat, (TV_3_WAY value))                                                \
  M(propget, 237, IsSubtitled, (TV_3_WAY* value))                                            \
  M(propput, 237, IsSubtitled, (TV_3_WAY value))                                             \
  M(propget, 238, IsJoinedInProgress, (TV_3_WAY* value))                                     \
  M(propput, 238, IsJoinedInProgress, (TV_3_WAY value))                                      \
  M(propget, 239, IsSAP, (TV_3_WAY* value))                                                  \
  M(propput, 239, IsSAP, (TV_3_WAY value))                                                   \
  M(propget, 240, IsSubjectToBlackout, (TV_3_WAY* value))                                    \
  M(propput, 240, IsSubjectToBlackout, (TV_3_WAY value))                                     \
  M(propget, 241, HasSexRating, (TV_3_WAY* value))                                           \
  M(propput, 241, HasSexRating, (TV_3_WAY value))                                            \
  M(propget, 242, HasViolenceRating, (TV_3_WAY* value))                                      \
  M(propput, 242, HasViolenceRating, (TV_3_WAY value))                                       \
  M(propget, 243, HasLanguagRating, (TV_3_WAY* value))                                       \
  M(propput, 243, HasLanguagRating, (TV_3_WAY value))                                        \
  M(propget, 244, HasDialogRating, (TV_3_WAY* value))                                        \
  M(propput, 244, HasDialogRating, (TV_3_WAY value))                                         \
  M(propget, 245, HasFantasyViolenceRating, (TV_3_WAY* value))                               \
  M(propput, 245, HasFantasyViolenceRating, (TV_3_WAY value))                                \
  M(propget, 246, IsEnhanced, (TV_3_WAY* value))                                             \
  M(propput, 246, IsEnhanced, (TV_3_WAY value))                                              \
  M(propget, 247, Is3D, (TV_3_WAY* value))                                                   \
  M(propput, 247, Is3D, (TV_3_WAY value))                                                    \
  M(propget, 248, IsLetterbox, (TV_3_WAY* value))                                            \
  M(propput, 248, IsLetterbox, (TV_3_WAY value))                                             \
  M(propget, 249, IsHDTV, (TV_3_WAY* value))                                                 \
  M(propput, 249, IsHDTV, (TV_3_WAY value))                                                  \
  M(propget, 250, IsDVS, (TV_3_WAY* value))                                                  \
  M(propput, 250, IsDVS, (TV_3_WAY value))                                                   \
  M(propget, 251, IsMadeForTV, (TV_3_WAY* value))                                            \
  M(propput, 251, IsMadeForTV, (TV_3_WAY value))                                             \
  /* Appends a genre unless it is empty or already listed (ignoring case). */                \
  M(method, 252, AddGenre, (const std::string& genre))                                       \
  /* Appends a (name, role) pair unless the name is empty; an empty role becomes "Actor". */ \
  M(method, 253, AddPerson, (const std::string& name, const std::string& role))              \
  /* Genres and people emptied, numbers and dates 0, texts empty, every flag unknown. */     \
  M(method, 254, Clear, ())                                                                  \
  M(method, 255, Save, (TV_PROGRAM_SAVE_RESULT* result))
  KESTRO_DISPATCH_MEMBERS(ITVNewProgram, "A programme of a listings source")
};

// What an import plug-in sees of one import run. The object lives for the run only; a plug-in
// must not keep it.
struct ITVListingsImportSystem : IDispatch {
  static constexpr GUID kIID = MakeGuid("{7EF8E2F7-243E-4F23-9FE0-A213D7555911}");
  using Base = IDispatch;
#define ITVListingsImportSystem_MEMBERS(M)                                                       \
  /* A new cleared new-channel object of this run. */                                            \
  M(method, 0xC9, NewChannel, (ITVNewChannel** result))                                          \
  /* A new cleared new-program object of this run. */                                            \
  M(method, 0xCA, NewProgram, (ITVNewProgram** result))                                          \
  /* Writes into the run's log. */                                                               \
  M(propget, 0xCB, Log, (IKestroLog** value))                                                    \
  /* The guide of the lineup being imported, on the run's own connection. */                     \
  M(propget, 0xCC, Listings, (ITVListings** value))                                              \
  /* The host's progress of this run; false from it asks the plug-in to stop with "canceled". */ \
  M(propget, 0xCD, Progress, (IMLImportProgress** value))                                        \
  /* The library directory followed by "tv/temp/", created when missing. */                      \
  M(propget, 0xCE, TemporaryDirectory, (std::string* value))
  KESTRO_DISPATCH_MEMBERS(ITVListingsImportSystem, "What an import plug-in sees of one import run")
};

// A source of listings. Import answers true when the plug-in saved its listings; otherwise
// *error_message says why, exactly "canceled" when the user cancelled.
struct ITVListingsImportPlugin : IDispatch {
  static constexpr GUID kIID = MakeGuid("{C603F14A-110B-4DC8-AC39-A50BE9335C04}");
  using Base = IDispatch;
#define ITVListingsImportPlugin_MEMBERS(M)                                                  \
  M(method, 0xC9, Import, (IKestroItem* properties, ITVListingsImportSystem* import_system, \
                           std::string* error_message, bool* result))
  KESTRO_DISPATCH_MEMBERS(ITVListingsImportPlugin, "A source of listings")
};

}  // namespace kestro
