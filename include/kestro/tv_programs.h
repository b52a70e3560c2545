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
  virtual HRESULT get_ID(int32_t* value) = 0;          // 201
  virtual HRESULT get_Name(std::string* value) = 0;    // 202
  virtual HRESULT get_Role(std::string* value) = 0;    // 204
  virtual HRESULT get_RoleID(int32_t* value) = 0;      // 203
};

// The descriptive details of one programme; every value is empty, 0 or unknown when the
// programme has none.
struct ITVProgramDetails : IDispatch {
  static constexpr GUID kIID = MakeGuid("{9A74D0AB-FE67-4415-A71B-98663E434E88}");
  using Base = IDispatch;
  virtual HRESULT get_LongDescription(std::string* value) = 0;            // 201
  virtual HRESULT get_ShortDescription(std::string* value) = 0;           // 202
  virtual HRESULT get_PartNumber(int32_t* value) = 0;                     // 203
  virtual HRESULT get_NumberOfParts(int32_t* value) = 0;                  // 204
  virtual HRESULT get_IsCC(TV_3_WAY* value) = 0;                          // 205
  virtual HRESULT get_IsStereo(TV_3_WAY* value) = 0;                      // 206
  virtual HRESULT get_IsRepeat(TV_3_WAY* value) = 0;                      // 207
  virtual HRESULT get_IsSubtitled(TV_3_WAY* value) = 0;                   // 208
  virtual HRESULT get_IsJoinedInProgress(TV_3_WAY* value) = 0;            // 209
  virtual HRESULT get_IsSAP(TV_3_WAY* value) = 0;                         // 210
  virtual HRESULT get_IsSubjectToBlackout(TV_3_WAY* value) = 0;           // 211
  virtual HRESULT get_HasSexRating(TV_3_WAY* value) = 0;                  // 212
  virtual HRESULT get_HasViolenceRating(TV_3_WAY* value) = 0;             // 213
  virtual HRESULT get_HasLanguageRating(TV_3_WAY* value) = 0;             // 214
  virtual HRESULT get_HasDialogRating(TV_3_WAY* value) = 0;               // 215
  virtual HRESULT get_HasFantasyViolenceRating(TV_3_WAY* value) = 0;      // 216
  virtual HRESULT get_IsEnhanced(TV_3_WAY* value) = 0;                    // 217
  virtual HRESULT get_Is3D(TV_3_WAY* value) = 0;                          // 218
  virtual HRESULT get_IsLetterbox(TV_3_WAY* value) = 0;                   // 219
  virtual HRESULT get_IsHDTV(TV_3_WAY* value) = 0;                        // 220
  virtual HRESULT get_IsDVS(TV_3_WAY* value) = 0;                         // 221
  virtual HRESULT get_IsMadeForTV(TV_3_WAY* value) = 0;                   // 222
  virtual HRESULT get_Dolby(std::string* value) = 0;                      // 223
  virtual HRESULT get_PremiereFinale(std::string* value) = 0;             // 224
  virtual HRESULT get_Advisories(std::string* value) = 0;                 // 225
  virtual HRESULT get_YearProduced(int32_t* value) = 0;                   // 226
  virtual HRESULT get_RunTime(int32_t* value) = 0;                        // 227
  virtual HRESULT get_Color(std::string* value) = 0;                      // 228
  virtual HRESULT get_Language(std::string* value) = 0;                   // 229
  virtual HRESULT get_CountryOfOrigin(std::string* value) = 0;            // 230
  virtual HRESULT get_SourceType(std::string* value) = 0;                 // 231
  virtual HRESULT get_ShowType(std::string* value) = 0;                   // 232
  virtual HRESULT get_Holiday(std::string* value) = 0;                    // 233
  virtual HRESULT get_EpisodeNumber(std::string* value) = 0;              // 234
  virtual HRESULT get_Network(std::string* value) = 0;                    // 235
  virtual HRESULT get_Studio(std::string* value) = 0;                     // 236
  virtual HRESULT get_OriginalAirDate(double* value) = 0;                 // 237 (DATE, 0 = none)
  virtual HRESULT get_SeasonNumber(int32_t* value) = 0;                   // 238
  virtual HRESULT get_SeasonEpisodeNumber(int32_t* value) = 0;            // 239
  // Genre name -> "Y", most relevant first.
  virtual HRESULT get_Genres(IKestroItem** result) = 0;                   // 242
  virtual HRESULT get_PeopleCount(int32_t* value) = 0;                    // 243
  virtual HRESULT get_People(int32_t index, ITVPerson** result) = 0;      // 244
  virtual HRESULT GetAsKestroItem(IKestroItem** result) = 0;              // 240
  // "CC", "Stereo", ... -> "Y" for each attribute that is yes, then a colour other than color.
  virtual HRESULT GetDisplayFlags(IKestroItem** result) = 0;              // 241
};

// One broadcast, a snapshot of its row taken by the query that found it (Reload refreshes it).
struct ITVProgram : IDispatch {
  static constexpr GUID kIID = MakeGuid("{4DD44838-8D2A-435A-86BF-BA45776B9462}");
  using Base = IDispatch;
  virtual HRESULT get_ID(int32_t* value) = 0;                                     // 201
  virtual HRESULT get_ChannelID(int32_t* value) = 0;                              // 202
  virtual HRESULT get_StartTime(double* value) = 0;                               // 203 (DATE)
  virtual HRESULT get_EndTime(double* value) = 0;                                 // 204 (DATE)
  virtual HRESULT get_Title(std::string* value) = 0;                              // 205
  virtual HRESULT get_Subtitle(std::string* value) = 0;                           // 206
  virtual HRESULT get_TVRating(std::string* value) = 0;                           // 207
  virtual HRESULT get_MovieRating(std::string* value) = 0;                        // 208
  virtual HRESULT get_ProgramType(std::string* value) = 0;                        // 209
  virtual HRESULT get_SortTitle(std::string* value) = 0;                          // 210
  virtual HRESULT get_SearchTitle(std::string* value) = 0;                        // 211
  virtual HRESULT get_EqualityKey(std::string* value) = 0;                        // 212
  virtual HRESULT get_Channel(ITVChannel** result) = 0;                           // 213
  virtual HRESULT get_Details(ITVProgramDetails** result) = 0;                    // 214
  virtual HRESULT GetAsKestroItem(IKestroItem** result) = 0;                      // 215
  virtual HRESULT IsOver(bool* result) = 0;                                       // 216
  virtual HRESULT IsOnNow(bool* result) = 0;                                      // 217
  virtual HRESULT DurationMinutes(int32_t* result) = 0;                           // 218
  virtual HRESULT Reload(bool* result) = 0;                                       // 219
  virtual HRESULT get_ScheduleID(int32_t* value) = 0;                             // 220
  virtual HRESULT IsToBeRecorded(bool* result) = 0;                               // 221
  virtual HRESULT GetAsProgramList(ITVProgramList** result) = 0;                  // 222
  // Always true and changes nothing: the scheduler writes the programme-schedule link.
  virtual HRESULT SetScheduleID(int32_t schedule_id, bool* result) = 0;           // 223
  virtual HRESULT LogText(std::string* result) = 0;                               // 224
  virtual HRESULT GetSchedule(ITVSchedule** result) = 0;                          // 225
  virtual HRESULT GetRepeatingSchedule(ITVListings* listings,
                                       ITVRepeatingSchedule** result) = 0;        // 226
};

// An ordered list of programmes; duplicates allowed.
struct ITVProgramList : IDispatch {
  static constexpr GUID kIID = MakeGuid("{D55C784B-F296-494E-8113-801841286BCD}");
  using Base = IDispatch;
  virtual HRESULT get_Items(int32_t index, ITVProgram** result) = 0;             // 0
  virtual HRESULT get_Count(int32_t* value) = 0;                                 // 201
  virtual HRESULT Add(ITVProgram* program) = 0;                                  // 202
  virtual HRESULT Clear() = 0;                                                   // 203
  virtual HRESULT ContainsProgram(ITVProgram* program, bool* result) = 0;        // 204
  // Appends every item of `source` in order (a list copied onto itself doubles).
  virtual HRESULT CopyFrom(ITVProgramList* source) = 0;                          // 205
  // -1 when no item has that ID.
  virtual HRESULT IndexOfProgram(int32_t program_id, int32_t* result) = 0;       // 206
  // An index outside the list is ignored.
  virtual HRESULT Remove(int32_t index) = 0;                                     // 207
};

}  // namespace kestro
