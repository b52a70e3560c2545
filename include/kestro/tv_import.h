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
  // The channel's channel_id after a successful Save.
  virtual HRESULT get_ID(int32_t* value) = 0;                              // 0xC9
  virtual HRESULT put_ID(int32_t value) = 0;
  virtual HRESULT get_Number(int32_t* value) = 0;                          // 0xCA
  virtual HRESULT put_Number(int32_t value) = 0;
  virtual HRESULT get_ExternalID(std::string* value) = 0;                  // 0xCB
  virtual HRESULT put_ExternalID(const std::string& value) = 0;
  virtual HRESULT get_ShortName(std::string* value) = 0;                   // 0xCC
  virtual HRESULT put_ShortName(const std::string& value) = 0;
  virtual HRESULT get_LongName(std::string* value) = 0;                    // 0xCD
  virtual HRESULT put_LongName(const std::string& value) = 0;
  virtual HRESULT get_Network(std::string* value) = 0;                     // 0xCE
  virtual HRESULT put_Network(const std::string& value) = 0;
  virtual HRESULT get_Frequency(std::string* value) = 0;                   // 0xCF
  virtual HRESULT put_Frequency(const std::string& value) = 0;
  virtual HRESULT get_ImageID(std::string* value) = 0;                     // 0xD0
  virtual HRESULT put_ImageID(const std::string& value) = 0;
  // ID and Number 0, every text empty.
  virtual HRESULT Clear() = 0;                                             // 0xD1
  virtual HRESULT Save(TV_CHANNEL_SAVE_RESULT* result) = 0;                // 0xD2
};

// One programme of a listings source. Save validates it, reconciles it with the programmes
// already stored for its channel and time, and writes it. Save never fails as a call.
// Properties in slot order; DISPIDs run from 201 (ID) to 251 (IsMadeForTV), then the methods
// 252 to 255.
struct ITVNewProgram : IDispatch {
  static constexpr GUID kIID = MakeGuid("{09E8D346-E7C9-48D0-8742-5D85789037A8}");
  using Base = IDispatch;
  virtual HRESULT get_ID(int32_t* value) = 0;                              // 201
  virtual HRESULT put_ID(int32_t value) = 0;
  virtual HRESULT get_ChannelID(int32_t* value) = 0;                       // 202
  virtual HRESULT put_ChannelID(int32_t value) = 0;
  virtual HRESULT get_ChannelExternalID(std::string* value) = 0;           // 203
  virtual HRESULT put_ChannelExternalID(const std::string& value) = 0;
  virtual HRESULT get_StartTime(double* value) = 0;                        // 204
  virtual HRESULT put_StartTime(double value) = 0;
  virtual HRESULT get_EndTime(double* value) = 0;                          // 205
  virtual HRESULT put_EndTime(double value) = 0;
  virtual HRESULT get_OriginalAirDate(double* value) = 0;                  // 206
  virtual HRESULT put_OriginalAirDate(double value) = 0;
  virtual HRESULT get_Title(std::string* value) = 0;                       // 207
  virtual HRESULT put_Title(const std::string& value) = 0;
  virtual HRESULT get_Subtitle(std::string* value) = 0;                    // 208
  virtual HRESULT put_Subtitle(const std::string& value) = 0;
  virtual HRESULT get_TVRating(std::string* value) = 0;                    // 209
  virtual HRESULT put_TVRating(const std::string& value) = 0;
  virtual HRESULT get_MovieRating(std::string* value) = 0;                 // 210
  virtual HRESULT put_MovieRating(const std::string& value) = 0;
  virtual HRESULT get_ProgramType(std::string* value) = 0;                 // 211
  virtual HRESULT put_ProgramType(const std::string& value) = 0;
  virtual HRESULT get_SortTitle(std::string* value) = 0;                   // 212
  virtual HRESULT put_SortTitle(const std::string& value) = 0;
  virtual HRESULT get_EqualityKey(std::string* value) = 0;                 // 213
  virtual HRESULT put_EqualityKey(const std::string& value) = 0;
  virtual HRESULT get_LongDescription(std::string* value) = 0;             // 214
  virtual HRESULT put_LongDescription(const std::string& value) = 0;
  virtual HRESULT get_ShortDescription(std::string* value) = 0;            // 215
  virtual HRESULT put_ShortDescription(const std::string& value) = 0;
  virtual HRESULT get_Dolby(std::string* value) = 0;                       // 216
  virtual HRESULT put_Dolby(const std::string& value) = 0;
  virtual HRESULT get_PremiereFinale(std::string* value) = 0;              // 217
  virtual HRESULT put_PremiereFinale(const std::string& value) = 0;
  virtual HRESULT get_Advisories(std::string* value) = 0;                  // 218
  virtual HRESULT put_Advisories(const std::string& value) = 0;
  virtual HRESULT get_Color(std::string* value) = 0;                       // 219
  virtual HRESULT put_Color(const std::string& value) = 0;
  virtual HRESULT get_Language(std::string* value) = 0;                    // 220
  virtual HRESULT put_Language(const std::string& value) = 0;
  virtual HRESULT get_CountryOfOrigin(std::string* value) = 0;             // 221
  virtual HRESULT put_CountryOfOrigin(const std::string& value) = 0;
  virtual HRESULT get_SourceType(std::string* value) = 0;                  // 222
  virtual HRESULT put_SourceType(const std::string& value) = 0;
  virtual HRESULT get_ShowType(std::string* value) = 0;                    // 223
  virtual HRESULT put_ShowType(const std::string& value) = 0;
  virtual HRESULT get_Holiday(std::string* value) = 0;                     // 224
  virtual HRESULT put_Holiday(const std::string& value) = 0;
  virtual HRESULT get_EpisodeNumber(std::string* value) = 0;               // 225
  virtual HRESULT put_EpisodeNumber(const std::string& value) = 0;
  virtual HRESULT get_Network(std::string* value) = 0;                     // 226
  virtual HRESULT put_Network(const std::string& value) = 0;
  virtual HRESULT get_Studio(std::string* value) = 0;                      // 227
  virtual HRESULT put_Studio(const std::string& value) = 0;
  virtual HRESULT get_PartNumber(int32_t* value) = 0;                      // 228
  virtual HRESULT put_PartNumber(int32_t value) = 0;
  virtual HRESULT get_NumberOfParts(int32_t* value) = 0;                   // 229
  virtual HRESULT put_NumberOfParts(int32_t value) = 0;
  virtual HRESULT get_YearProduced(int32_t* value) = 0;                    // 230
  virtual HRESULT put_YearProduced(int32_t value) = 0;
  virtual HRESULT get_RunTime(int32_t* value) = 0;                         // 231
  virtual HRESULT put_RunTime(int32_t value) = 0;
  virtual HRESULT get_SeasonNumber(int32_t* value) = 0;                    // 232
  virtual HRESULT put_SeasonNumber(int32_t value) = 0;
  virtual HRESULT get_SeasonEpisodeNumber(int32_t* value) = 0;             // 233
  virtual HRESULT put_SeasonEpisodeNumber(int32_t value) = 0;
  virtual HRESULT get_IsCC(TV_3_WAY* value) = 0;                           // 234
  virtual HRESULT put_IsCC(TV_3_WAY value) = 0;
  virtual HRESULT get_IsStereo(TV_3_WAY* value) = 0;                       // 235
  virtual HRESULT put_IsStereo(TV_3_WAY value) = 0;
  virtual HRESULT get_IsRepeat(TV_3_WAY* value) = 0;                       // 236
  virtual HRESULT put_IsRepeat(TV_3_WAY value) = 0;
  virtual HRESULT get_IsSubtitled(TV_3_WAY* value) = 0;                    // 237
  virtual HRESULT put_IsSubtitled(TV_3_WAY value) = 0;
  virtual HRESULT get_IsJoinedInProgress(TV_3_WAY* value) = 0;             // 238
  virtual HRESULT put_IsJoinedInProgress(TV_3_WAY value) = 0;
  virtual HRESULT get_IsSAP(TV_3_WAY* value) = 0;                          // 239
  virtual HRESULT put_IsSAP(TV_3_WAY value) = 0;
  virtual HRESULT get_IsSubjectToBlackout(TV_3_WAY* value) = 0;            // 240
  virtual HRESULT put_IsSubjectToBlackout(TV_3_WAY value) = 0;
  virtual HRESULT get_HasSexRating(TV_3_WAY* value) = 0;                   // 241
  virtual HRESULT put_HasSexRating(TV_3_WAY value) = 0;
  virtual HRESULT get_HasViolenceRating(TV_3_WAY* value) = 0;              // 242
  virtual HRESULT put_HasViolenceRating(TV_3_WAY value) = 0;
  virtual HRESULT get_HasLanguagRating(TV_3_WAY* value) = 0;               // 243
  virtual HRESULT put_HasLanguagRating(TV_3_WAY value) = 0;
  virtual HRESULT get_HasDialogRating(TV_3_WAY* value) = 0;                // 244
  virtual HRESULT put_HasDialogRating(TV_3_WAY value) = 0;
  virtual HRESULT get_HasFantasyViolenceRating(TV_3_WAY* value) = 0;       // 245
  virtual HRESULT put_HasFantasyViolenceRating(TV_3_WAY value) = 0;
  virtual HRESULT get_IsEnhanced(TV_3_WAY* value) = 0;                     // 246
  virtual HRESULT put_IsEnhanced(TV_3_WAY value) = 0;
  virtual HRESULT get_Is3D(TV_3_WAY* value) = 0;                           // 247
  virtual HRESULT put_Is3D(TV_3_WAY value) = 0;
  virtual HRESULT get_IsLetterbox(TV_3_WAY* value) = 0;                    // 248
  virtual HRESULT put_IsLetterbox(TV_3_WAY value) = 0;
  virtual HRESULT get_IsHDTV(TV_3_WAY* value) = 0;                         // 249
  virtual HRESULT put_IsHDTV(TV_3_WAY value) = 0;
  virtual HRESULT get_IsDVS(TV_3_WAY* value) = 0;                          // 250
  virtual HRESULT put_IsDVS(TV_3_WAY value) = 0;
  virtual HRESULT get_IsMadeForTV(TV_3_WAY* value) = 0;                    // 251
  virtual HRESULT put_IsMadeForTV(TV_3_WAY value) = 0;
  // Appends a genre unless it is empty or already listed (ignoring case).
  virtual HRESULT AddGenre(const std::string& genre) = 0;                  // 252
  // Appends a (name, role) pair unless the name is empty; an empty role becomes "Actor".
  virtual HRESULT AddPerson(const std::string& name, const std::string& role) = 0;  // 253
  // Genres and people emptied, numbers and dates 0, texts empty, every flag unknown.
  virtual HRESULT Clear() = 0;                                             // 254
  virtual HRESULT Save(TV_PROGRAM_SAVE_RESULT* result) = 0;                // 255
};

// What an import plug-in sees of one import run. The object lives for the run only; a plug-in
// must not keep it.
struct ITVListingsImportSystem : IDispatch {
  static constexpr GUID kIID = MakeGuid("{7EF8E2F7-243E-4F23-9FE0-A213D7555911}");
  using Base = IDispatch;
  // A new cleared new-channel object of this run.
  virtual HRESULT NewChannel(ITVNewChannel** result) = 0;                  // 0xC9
  // A new cleared new-program object of this run.
  virtual HRESULT NewProgram(ITVNewProgram** result) = 0;                  // 0xCA
  // Writes into the run's log.
  virtual HRESULT get_Log(IKestroLog** value) = 0;                         // 0xCB
  // The guide of the lineup being imported, on the run's own connection.
  virtual HRESULT get_Listings(ITVListings** value) = 0;                   // 0xCC
  // The host's progress of this run; false from it asks the plug-in to stop with "canceled".
  virtual HRESULT get_Progress(IMLImportProgress** value) = 0;             // 0xCD
  // The library directory followed by "tv/temp/", created when missing.
  virtual HRESULT get_TemporaryDirectory(std::string* value) = 0;          // 0xCE
};

// A source of listings. Import answers true when the plug-in saved its listings; otherwise
// *error_message says why, exactly "canceled" when the user cancelled.
struct ITVListingsImportPlugin : IDispatch {
  static constexpr GUID kIID = MakeGuid("{C603F14A-110B-4DC8-AC39-A50BE9335C04}");
  using Base = IDispatch;
  virtual HRESULT Import(IKestroItem* properties, ITVListingsImportSystem* import_system,
                         std::string* error_message, bool* result) = 0;   // 0xC9
};

}  // namespace kestro
