// TTVNewProgram: how an import plug-in saves one programme of its source. The plug-in sets the
// properties, adds genres and people, calls Save and may Clear and reuse the object. Save
// (import/program_save.h) validates the programme, reconciles it with the programmes already
// stored for its channel and time, and writes it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/kestro_object.h"
#include "import/update_session.h"
#include "kestro/ole_date.h"
#include "kestro/tv_import.h"
#include "listings/program_writer.h"
#include "listings/tv_program_details.h"

namespace kestro {

class TTVNewProgram : public TKestroTVObject<ITVNewProgram> {
 public:
  // A cleared programme of the session's run; the session is held for the object's life.
  explicit TTVNewProgram(ComPtr<ITVListingsUpdateSession> session);

  // ITVNewProgram.
  HRESULT get_ID(int32_t* value) override;
  HRESULT put_ID(int32_t value) override;
  HRESULT get_ChannelID(int32_t* value) override;
  HRESULT put_ChannelID(int32_t value) override;
  HRESULT get_ChannelExternalID(std::string* value) override;
  HRESULT put_ChannelExternalID(const std::string& value) override;
  HRESULT get_StartTime(OleDate* value) override;
  HRESULT put_StartTime(OleDate value) override;
  HRESULT get_EndTime(OleDate* value) override;
  HRESULT put_EndTime(OleDate value) override;
  HRESULT get_OriginalAirDate(OleDate* value) override;
  HRESULT put_OriginalAirDate(OleDate value) override;
  HRESULT get_Title(std::string* value) override;
  HRESULT put_Title(const std::string& value) override;
  HRESULT get_Subtitle(std::string* value) override;
  HRESULT put_Subtitle(const std::string& value) override;
  HRESULT get_TVRating(std::string* value) override;
  HRESULT put_TVRating(const std::string& value) override;
  HRESULT get_MovieRating(std::string* value) override;
  HRESULT put_MovieRating(const std::string& value) override;
  HRESULT get_ProgramType(std::string* value) override;
  HRESULT put_ProgramType(const std::string& value) override;
  HRESULT get_SortTitle(std::string* value) override;
  HRESULT put_SortTitle(const std::string& value) override;
  HRESULT get_EqualityKey(std::string* value) override;
  HRESULT put_EqualityKey(const std::string& value) override;
  HRESULT get_LongDescription(std::string* value) override;
  HRESULT put_LongDescription(const std::string& value) override;
  HRESULT get_ShortDescription(std::string* value) override;
  HRESULT put_ShortDescription(const std::string& value) override;
  HRESULT get_Dolby(std::string* value) override;
  HRESULT put_Dolby(const std::string& value) override;
  HRESULT get_PremiereFinale(std::string* value) override;
  HRESULT put_PremiereFinale(const std::string& value) override;
  HRESULT get_Advisories(std::string* value) override;
  HRESULT put_Advisories(const std::string& value) override;
  HRESULT get_Color(std::string* value) override;
  HRESULT put_Color(const std::string& value) override;
  HRESULT get_Language(std::string* value) override;
  HRESULT put_Language(const std::string& value) override;
  HRESULT get_CountryOfOrigin(std::string* value) override;
  HRESULT put_CountryOfOrigin(const std::string& value) override;
  HRESULT get_SourceType(std::string* value) override;
  HRESULT put_SourceType(const std::string& value) override;
  HRESULT get_ShowType(std::string* value) override;
  HRESULT put_ShowType(const std::string& value) override;
  HRESULT get_Holiday(std::string* value) override;
  HRESULT put_Holiday(const std::string& value) override;
  HRESULT get_EpisodeNumber(std::string* value) override;
  HRESULT put_EpisodeNumber(const std::string& value) override;
  HRESULT get_Network(std::string* value) override;
  HRESULT put_Network(const std::string& value) override;
  HRESULT get_Studio(std::string* value) override;
  HRESULT put_Studio(const std::string& value) override;
  HRESULT get_PartNumber(int32_t* value) override;
  HRESULT put_PartNumber(int32_t value) override;
  HRESULT get_NumberOfParts(int32_t* value) override;
  HRESULT put_NumberOfParts(int32_t value) override;
  HRESULT get_YearProduced(int32_t* value) override;
  HRESULT put_YearProduced(int32_t value) override;
  HRESULT get_RunTime(int32_t* value) override;
  HRESULT put_RunTime(int32_t value) override;
  HRESULT get_SeasonNumber(int32_t* value) override;
  HRESULT put_SeasonNumber(int32_t value) override;
  HRESULT get_SeasonEpisodeNumber(int32_t* value) override;
  HRESULT put_SeasonEpisodeNumber(int32_t value) override;
  HRESULT get_IsCC(TV_3_WAY* value) override;
  HRESULT put_IsCC(TV_3_WAY value) override;
  HRESULT get_IsStereo(TV_3_WAY* value) override;
  HRESULT put_IsStereo(TV_3_WAY value) override;
  HRESULT get_IsRepeat(TV_3_WAY* value) override;
  HRESULT put_IsRepeat(TV_3_WAY value) override;
  HRESULT get_IsSubtitled(TV_3_WAY* value) override;
  HRESULT put_IsSubtitled(TV_3_WAY value) override;
  HRESULT get_IsJoinedInProgress(TV_3_WAY* value) override;
  HRESULT put_IsJoinedInProgress(TV_3_WAY value) override;
  HRESULT get_IsSAP(TV_3_WAY* value) override;
  HRESULT put_IsSAP(TV_3_WAY value) override;
  HRESULT get_IsSubjectToBlackout(TV_3_WAY* value) override;
  HRESULT put_IsSubjectToBlackout(TV_3_WAY value) override;
  HRESULT get_HasSexRating(TV_3_WAY* value) override;
  HRESULT put_HasSexRating(TV_3_WAY value) override;
  HRESULT get_HasViolenceRating(TV_3_WAY* value) override;
  HRESULT put_HasViolenceRating(TV_3_WAY value) override;
  HRESULT get_HasLanguagRating(TV_3_WAY* value) override;
  HRESULT put_HasLanguagRating(TV_3_WAY value) override;
  HRESULT get_HasDialogRating(TV_3_WAY* value) override;
  HRESULT put_HasDialogRating(TV_3_WAY value) override;
  HRESULT get_HasFantasyViolenceRating(TV_3_WAY* value) override;
  HRESULT put_HasFantasyViolenceRating(TV_3_WAY value) override;
  HRESULT get_IsEnhanced(TV_3_WAY* value) override;
  HRESULT put_IsEnhanced(TV_3_WAY value) override;
  HRESULT get_Is3D(TV_3_WAY* value) override;
  HRESULT put_Is3D(TV_3_WAY value) override;
  HRESULT get_IsLetterbox(TV_3_WAY* value) override;
  HRESULT put_IsLetterbox(TV_3_WAY value) override;
  HRESULT get_IsHDTV(TV_3_WAY* value) override;
  HRESULT put_IsHDTV(TV_3_WAY value) override;
  HRESULT get_IsDVS(TV_3_WAY* value) override;
  HRESULT put_IsDVS(TV_3_WAY value) override;
  HRESULT get_IsMadeForTV(TV_3_WAY* value) override;
  HRESULT put_IsMadeForTV(TV_3_WAY value) override;
  HRESULT AddGenre(const std::string& genre) override;
  HRESULT AddPerson(const std::string& name, const std::string& role) override;
  HRESULT Clear() override;
  HRESULT Save(TV_PROGRAM_SAVE_RESULT* result) override;

  // The fields behind the properties (the setters' trimming is theirs, not this accessor's).
  ProgramRecord& fields() { return fields_; }
  // The work of Save; never throws (see SaveNewProgram).
  TV_PROGRAM_SAVE_RESULT SaveProgram();

 private:
  ComPtr<ITVListingsUpdateSession> session_;
  ProgramRecord fields_;
};

}  // namespace kestro
