#include "import/new_program.h"

#include <algorithm>
#include <utility>

#include "import/program_save.h"
#include "platform/text/text.h"

namespace kestro {

// --- object -------------------------------------------------------------------------------------

TTVNewProgram::TTVNewProgram(ComPtr<ITVListingsUpdateSession> session)
    : session_(std::move(session)) {}

TV_PROGRAM_SAVE_RESULT TTVNewProgram::SaveProgram() { return SaveNewProgram(*session_, fields_); }

HRESULT TTVNewProgram::AddGenre(const std::string& genre) {
  return Frame([&] { fields_.AddGenre(genre); });
}
HRESULT TTVNewProgram::AddPerson(const std::string& name, const std::string& role) {
  return Frame([&] { fields_.AddPerson(name, role); });
}
HRESULT TTVNewProgram::Clear() {
  return Frame([&] { fields_.Clear(); });
}
HRESULT TTVNewProgram::Save(TV_PROGRAM_SAVE_RESULT* result) {
  return FrameValue(result, [&] { return SaveProgram(); });
}

// --- properties ---------------------------------------------------------------------------------

HRESULT TTVNewProgram::get_ID(int32_t* value) { return GetProperty(value, fields_.id); }
HRESULT TTVNewProgram::put_ID(int32_t value) { return PutProperty(fields_.id, value); }
HRESULT TTVNewProgram::get_ChannelID(int32_t* value) {
  return GetProperty(value, fields_.channel_id);
}
HRESULT TTVNewProgram::put_ChannelID(int32_t value) {
  return PutProperty(fields_.channel_id, value);
}
HRESULT TTVNewProgram::get_ChannelExternalID(std::string* value) {
  return GetProperty(value, fields_.channel_external_id);
}
HRESULT TTVNewProgram::put_ChannelExternalID(const std::string& value) {
  return PutProperty([&] { fields_.channel_external_id = Trim(value); });
}
HRESULT TTVNewProgram::get_StartTime(OleDate* value) {
  return GetProperty(value, fields_.start_time);
}
HRESULT TTVNewProgram::put_StartTime(OleDate value) {
  return PutProperty(fields_.start_time, value);
}
HRESULT TTVNewProgram::get_EndTime(OleDate* value) { return GetProperty(value, fields_.end_time); }
HRESULT TTVNewProgram::put_EndTime(OleDate value) { return PutProperty(fields_.end_time, value); }
HRESULT TTVNewProgram::get_OriginalAirDate(OleDate* value) {
  return GetProperty(value, fields_.original_air_date);
}
HRESULT TTVNewProgram::put_OriginalAirDate(OleDate value) {
  return PutProperty(fields_.original_air_date, value);
}
HRESULT TTVNewProgram::get_Title(std::string* value) { return GetProperty(value, fields_.title); }
HRESULT TTVNewProgram::put_Title(const std::string& value) {
  return PutProperty([&] { fields_.title = Trim(value); });
}
HRESULT TTVNewProgram::get_Subtitle(std::string* value) {
  return GetProperty(value, fields_.subtitle);
}
HRESULT TTVNewProgram::put_Subtitle(const std::string& value) {
  return PutProperty([&] { fields_.subtitle = Trim(value); });
}
HRESULT TTVNewProgram::get_TVRating(std::string* value) {
  return GetProperty(value, fields_.tv_rating);
}
HRESULT TTVNewProgram::put_TVRating(const std::string& value) {
  return PutProperty([&] { fields_.tv_rating = Trim(value); });
}
HRESULT TTVNewProgram::get_MovieRating(std::string* value) {
  return GetProperty(value, fields_.movie_rating);
}
HRESULT TTVNewProgram::put_MovieRating(const std::string& value) {
  return PutProperty([&] { fields_.movie_rating = Trim(value); });
}
HRESULT TTVNewProgram::get_ProgramType(std::string* value) {
  return GetProperty(value, fields_.program_type);
}
HRESULT TTVNewProgram::put_ProgramType(const std::string& value) {
  return PutProperty([&] { fields_.program_type = Trim(value); });
}
HRESULT TTVNewProgram::get_SortTitle(std::string* value) {
  return GetProperty(value, fields_.sort_title);
}
HRESULT TTVNewProgram::put_SortTitle(const std::string& value) {
  return PutProperty([&] { fields_.sort_title = Trim(value); });
}
HRESULT TTVNewProgram::get_EqualityKey(std::string* value) {
  return GetProperty(value, fields_.equality_key);
}
HRESULT TTVNewProgram::put_EqualityKey(const std::string& value) {
  return PutProperty([&] { fields_.equality_key = Trim(value); });
}
HRESULT TTVNewProgram::get_LongDescription(std::string* value) {
  return GetProperty(value, fields_.long_description);
}
HRESULT TTVNewProgram::put_LongDescription(const std::string& value) {
  return PutProperty([&] { fields_.long_description = Trim(value); });
}
HRESULT TTVNewProgram::get_ShortDescription(std::string* value) {
  return GetProperty(value, fields_.short_description);
}
HRESULT TTVNewProgram::put_ShortDescription(const std::string& value) {
  return PutProperty([&] { fields_.short_description = Trim(value); });
}
HRESULT TTVNewProgram::get_Dolby(std::string* value) { return GetProperty(value, fields_.dolby); }
HRESULT TTVNewProgram::put_Dolby(const std::string& value) {
  return PutProperty([&] { fields_.dolby = Trim(value); });
}
HRESULT TTVNewProgram::get_PremiereFinale(std::string* value) {
  return GetProperty(value, fields_.premiere_finale);
}
HRESULT TTVNewProgram::put_PremiereFinale(const std::string& value) {
  return PutProperty([&] { fields_.premiere_finale = Trim(value); });
}
HRESULT TTVNewProgram::get_Advisories(std::string* value) {
  return GetProperty(value, fields_.advisories);
}
HRESULT TTVNewProgram::put_Advisories(const std::string& value) {
  return PutProperty([&] { fields_.advisories = Trim(value); });
}
HRESULT TTVNewProgram::get_Color(std::string* value) { return GetProperty(value, fields_.color); }
HRESULT TTVNewProgram::put_Color(const std::string& value) {
  return PutProperty([&] { fields_.color = Trim(value); });
}
HRESULT TTVNewProgram::get_Language(std::string* value) {
  return GetProperty(value, fields_.language);
}
HRESULT TTVNewProgram::put_Language(const std::string& value) {
  return PutProperty([&] { fields_.language = Trim(value); });
}
HRESULT TTVNewProgram::get_CountryOfOrigin(std::string* value) {
  return GetProperty(value, fields_.country_of_origin);
}
HRESULT TTVNewProgram::put_CountryOfOrigin(const std::string& value) {
  return PutProperty([&] { fields_.country_of_origin = Trim(value); });
}
HRESULT TTVNewProgram::get_SourceType(std::string* value) {
  return GetProperty(value, fields_.source_type);
}
HRESULT TTVNewProgram::put_SourceType(const std::string& value) {
  return PutProperty([&] { fields_.source_type = Trim(value); });
}
HRESULT TTVNewProgram::get_ShowType(std::string* value) {
  return GetProperty(value, fields_.show_type);
}
HRESULT TTVNewProgram::put_ShowType(const std::string& value) {
  return PutProperty([&] { fields_.show_type = Trim(value); });
}
HRESULT TTVNewProgram::get_Holiday(std::string* value) {
  return GetProperty(value, fields_.holiday);
}
HRESULT TTVNewProgram::put_Holiday(const std::string& value) {
  return PutProperty([&] { fields_.holiday = Trim(value); });
}
HRESULT TTVNewProgram::get_EpisodeNumber(std::string* value) {
  return GetProperty(value, fields_.episode_number);
}
HRESULT TTVNewProgram::put_EpisodeNumber(const std::string& value) {
  return PutProperty([&] { fields_.episode_number = Trim(value); });
}
HRESULT TTVNewProgram::get_Network(std::string* value) {
  return GetProperty(value, fields_.network);
}
HRESULT TTVNewProgram::put_Network(const std::string& value) {
  return PutProperty([&] { fields_.network = Trim(value); });
}
HRESULT TTVNewProgram::get_Studio(std::string* value) { return GetProperty(value, fields_.studio); }
HRESULT TTVNewProgram::put_Studio(const std::string& value) {
  return PutProperty([&] { fields_.studio = Trim(value); });
}
HRESULT TTVNewProgram::get_PartNumber(int32_t* value) {
  return GetProperty(value, fields_.part_number);
}
HRESULT TTVNewProgram::put_PartNumber(int32_t value) {
  return PutProperty(fields_.part_number, value);
}
HRESULT TTVNewProgram::get_NumberOfParts(int32_t* value) {
  return GetProperty(value, fields_.number_of_parts);
}
HRESULT TTVNewProgram::put_NumberOfParts(int32_t value) {
  return PutProperty(fields_.number_of_parts, value);
}
HRESULT TTVNewProgram::get_YearProduced(int32_t* value) {
  return GetProperty(value, fields_.year_produced);
}
HRESULT TTVNewProgram::put_YearProduced(int32_t value) {
  return PutProperty(fields_.year_produced, value);
}
HRESULT TTVNewProgram::get_RunTime(int32_t* value) { return GetProperty(value, fields_.run_time); }
HRESULT TTVNewProgram::put_RunTime(int32_t value) { return PutProperty(fields_.run_time, value); }
HRESULT TTVNewProgram::get_SeasonNumber(int32_t* value) {
  return GetProperty(value, fields_.season_number);
}
HRESULT TTVNewProgram::put_SeasonNumber(int32_t value) {
  return PutProperty(fields_.season_number, value);
}
HRESULT TTVNewProgram::get_SeasonEpisodeNumber(int32_t* value) {
  return GetProperty(value, fields_.season_episode_number);
}
HRESULT TTVNewProgram::put_SeasonEpisodeNumber(int32_t value) {
  return PutProperty(fields_.season_episode_number, value);
}
HRESULT TTVNewProgram::get_IsCC(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kCC));
}
HRESULT TTVNewProgram::put_IsCC(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kCC), value);
}
HRESULT TTVNewProgram::get_IsStereo(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kStereo));
}
HRESULT TTVNewProgram::put_IsStereo(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kStereo), value);
}
HRESULT TTVNewProgram::get_IsRepeat(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kRepeat));
}
HRESULT TTVNewProgram::put_IsRepeat(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kRepeat), value);
}
HRESULT TTVNewProgram::get_IsSubtitled(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kSubtitled));
}
HRESULT TTVNewProgram::put_IsSubtitled(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kSubtitled), value);
}
HRESULT TTVNewProgram::get_IsJoinedInProgress(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kJoinedInProgress));
}
HRESULT TTVNewProgram::put_IsJoinedInProgress(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kJoinedInProgress), value);
}
HRESULT TTVNewProgram::get_IsSAP(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kSAP));
}
HRESULT TTVNewProgram::put_IsSAP(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kSAP), value);
}
HRESULT TTVNewProgram::get_IsSubjectToBlackout(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kBlackout));
}
HRESULT TTVNewProgram::put_IsSubjectToBlackout(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kBlackout), value);
}
HRESULT TTVNewProgram::get_HasSexRating(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kSexRating));
}
HRESULT TTVNewProgram::put_HasSexRating(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kSexRating), value);
}
HRESULT TTVNewProgram::get_HasViolenceRating(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kViolenceRating));
}
HRESULT TTVNewProgram::put_HasViolenceRating(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kViolenceRating), value);
}
HRESULT TTVNewProgram::get_HasLanguagRating(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kLanguageRating));
}
HRESULT TTVNewProgram::put_HasLanguagRating(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kLanguageRating), value);
}
HRESULT TTVNewProgram::get_HasDialogRating(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kDialogRating));
}
HRESULT TTVNewProgram::put_HasDialogRating(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kDialogRating), value);
}
HRESULT TTVNewProgram::get_HasFantasyViolenceRating(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kFantasyViolenceRating));
}
HRESULT TTVNewProgram::put_HasFantasyViolenceRating(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kFantasyViolenceRating), value);
}
HRESULT TTVNewProgram::get_IsEnhanced(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kEnhanced));
}
HRESULT TTVNewProgram::put_IsEnhanced(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kEnhanced), value);
}
HRESULT TTVNewProgram::get_Is3D(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::k3D));
}
HRESULT TTVNewProgram::put_Is3D(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::k3D), value);
}
HRESULT TTVNewProgram::get_IsLetterbox(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kLetterbox));
}
HRESULT TTVNewProgram::put_IsLetterbox(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kLetterbox), value);
}
HRESULT TTVNewProgram::get_IsHDTV(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kHDTV));
}
HRESULT TTVNewProgram::put_IsHDTV(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kHDTV), value);
}
HRESULT TTVNewProgram::get_IsDVS(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kDVS));
}
HRESULT TTVNewProgram::put_IsDVS(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kDVS), value);
}
HRESULT TTVNewProgram::get_IsMadeForTV(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kMadeForTV));
}
HRESULT TTVNewProgram::put_IsMadeForTV(TV_3_WAY value) {
  return PutProperty(fields_.Flag(DetailFlag::kMadeForTV), value);
}

}  // namespace kestro
