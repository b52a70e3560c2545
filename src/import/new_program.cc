#include "import/new_program.h"

#include <algorithm>
#include <utility>

#include "import/program_save.h"
#include "platform/text/text.h"

namespace kestro {

// --- fields -------------------------------------------------------------------------------------

void NewProgramFields::Clear() { *this = NewProgramFields(); }

void NewProgramFields::AddGenre(std::string_view genre) {
  std::string trimmed = Trim(genre);
  if (trimmed.empty()) return;
  const bool listed = std::any_of(genres.begin(), genres.end(),
                                  [&](const std::string& g) { return SameText(g, trimmed); });
  if (!listed) genres.push_back(std::move(trimmed));
}

void NewProgramFields::AddPerson(std::string_view name, std::string_view role) {
  std::string trimmed_name = Trim(name);
  if (trimmed_name.empty()) return;
  std::string trimmed_role = Trim(role);
  if (trimmed_role.empty()) trimmed_role = "Actor";
  people.push_back({std::move(trimmed_name), std::move(trimmed_role)});
}

// --- object -------------------------------------------------------------------------------------

TTVNewProgram::TTVNewProgram(ComPtr<ITVListingsUpdateSession> session)
    : session_(std::move(session)) {}

TV_PROGRAM_SAVE_RESULT TTVNewProgram::SaveProgram() { return SaveNewProgram(*session_, fields_); }

HRESULT TTVNewProgram::GetText(const std::string& field, std::string* value) {
  return FrameValue(value, [&] { return field; });
}
HRESULT TTVNewProgram::PutText(std::string& field, const std::string& value) {
  return Frame([&] { field = Trim(value); });
}
template <class T>
HRESULT TTVNewProgram::GetValue(const T& field, T* value) {
  return FrameValue(value, [&] { return field; });
}
template <class T>
HRESULT TTVNewProgram::PutValue(T& field, T value) {
  field = value;
  return S_OK;
}
HRESULT TTVNewProgram::GetFlag(DetailFlag flag, TV_3_WAY* value) {
  return FrameValue(value, [&] { return fields_.Flag(flag); });
}
HRESULT TTVNewProgram::PutFlag(DetailFlag flag, TV_3_WAY value) {
  fields_.flags[static_cast<size_t>(flag)] = value;
  return S_OK;
}

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

HRESULT TTVNewProgram::get_ID(int32_t* value) { return GetValue(fields_.id, value); }
HRESULT TTVNewProgram::put_ID(int32_t value) { return PutValue(fields_.id, value); }
HRESULT TTVNewProgram::get_ChannelID(int32_t* value) { return GetValue(fields_.channel_id, value); }
HRESULT TTVNewProgram::put_ChannelID(int32_t value) { return PutValue(fields_.channel_id, value); }
HRESULT TTVNewProgram::get_ChannelExternalID(std::string* value) {
  return GetText(fields_.channel_external_id, value);
}
HRESULT TTVNewProgram::put_ChannelExternalID(const std::string& value) {
  return PutText(fields_.channel_external_id, value);
}
HRESULT TTVNewProgram::get_StartTime(double* value) { return GetValue(fields_.start_time, value); }
HRESULT TTVNewProgram::put_StartTime(double value) { return PutValue(fields_.start_time, value); }
HRESULT TTVNewProgram::get_EndTime(double* value) { return GetValue(fields_.end_time, value); }
HRESULT TTVNewProgram::put_EndTime(double value) { return PutValue(fields_.end_time, value); }
HRESULT TTVNewProgram::get_OriginalAirDate(double* value) {
  return GetValue(fields_.original_air_date, value);
}
HRESULT TTVNewProgram::put_OriginalAirDate(double value) {
  return PutValue(fields_.original_air_date, value);
}
HRESULT TTVNewProgram::get_Title(std::string* value) { return GetText(fields_.title, value); }
HRESULT TTVNewProgram::put_Title(const std::string& value) { return PutText(fields_.title, value); }
HRESULT TTVNewProgram::get_Subtitle(std::string* value) { return GetText(fields_.subtitle, value); }
HRESULT TTVNewProgram::put_Subtitle(const std::string& value) {
  return PutText(fields_.subtitle, value);
}
HRESULT TTVNewProgram::get_TVRating(std::string* value) {
  return GetText(fields_.tv_rating, value);
}
HRESULT TTVNewProgram::put_TVRating(const std::string& value) {
  return PutText(fields_.tv_rating, value);
}
HRESULT TTVNewProgram::get_MovieRating(std::string* value) {
  return GetText(fields_.movie_rating, value);
}
HRESULT TTVNewProgram::put_MovieRating(const std::string& value) {
  return PutText(fields_.movie_rating, value);
}
HRESULT TTVNewProgram::get_ProgramType(std::string* value) {
  return GetText(fields_.program_type, value);
}
HRESULT TTVNewProgram::put_ProgramType(const std::string& value) {
  return PutText(fields_.program_type, value);
}
HRESULT TTVNewProgram::get_SortTitle(std::string* value) {
  return GetText(fields_.sort_title, value);
}
HRESULT TTVNewProgram::put_SortTitle(const std::string& value) {
  return PutText(fields_.sort_title, value);
}
HRESULT TTVNewProgram::get_EqualityKey(std::string* value) {
  return GetText(fields_.equality_key, value);
}
HRESULT TTVNewProgram::put_EqualityKey(const std::string& value) {
  return PutText(fields_.equality_key, value);
}
HRESULT TTVNewProgram::get_LongDescription(std::string* value) {
  return GetText(fields_.long_description, value);
}
HRESULT TTVNewProgram::put_LongDescription(const std::string& value) {
  return PutText(fields_.long_description, value);
}
HRESULT TTVNewProgram::get_ShortDescription(std::string* value) {
  return GetText(fields_.short_description, value);
}
HRESULT TTVNewProgram::put_ShortDescription(const std::string& value) {
  return PutText(fields_.short_description, value);
}
HRESULT TTVNewProgram::get_Dolby(std::string* value) { return GetText(fields_.dolby, value); }
HRESULT TTVNewProgram::put_Dolby(const std::string& value) { return PutText(fields_.dolby, value); }
HRESULT TTVNewProgram::get_PremiereFinale(std::string* value) {
  return GetText(fields_.premiere_finale, value);
}
HRESULT TTVNewProgram::put_PremiereFinale(const std::string& value) {
  return PutText(fields_.premiere_finale, value);
}
HRESULT TTVNewProgram::get_Advisories(std::string* value) {
  return GetText(fields_.advisories, value);
}
HRESULT TTVNewProgram::put_Advisories(const std::string& value) {
  return PutText(fields_.advisories, value);
}
HRESULT TTVNewProgram::get_Color(std::string* value) { return GetText(fields_.color, value); }
HRESULT TTVNewProgram::put_Color(const std::string& value) { return PutText(fields_.color, value); }
HRESULT TTVNewProgram::get_Language(std::string* value) { return GetText(fields_.language, value); }
HRESULT TTVNewProgram::put_Language(const std::string& value) {
  return PutText(fields_.language, value);
}
HRESULT TTVNewProgram::get_CountryOfOrigin(std::string* value) {
  return GetText(fields_.country_of_origin, value);
}
HRESULT TTVNewProgram::put_CountryOfOrigin(const std::string& value) {
  return PutText(fields_.country_of_origin, value);
}
HRESULT TTVNewProgram::get_SourceType(std::string* value) {
  return GetText(fields_.source_type, value);
}
HRESULT TTVNewProgram::put_SourceType(const std::string& value) {
  return PutText(fields_.source_type, value);
}
HRESULT TTVNewProgram::get_ShowType(std::string* value) {
  return GetText(fields_.show_type, value);
}
HRESULT TTVNewProgram::put_ShowType(const std::string& value) {
  return PutText(fields_.show_type, value);
}
HRESULT TTVNewProgram::get_Holiday(std::string* value) { return GetText(fields_.holiday, value); }
HRESULT TTVNewProgram::put_Holiday(const std::string& value) {
  return PutText(fields_.holiday, value);
}
HRESULT TTVNewProgram::get_EpisodeNumber(std::string* value) {
  return GetText(fields_.episode_number, value);
}
HRESULT TTVNewProgram::put_EpisodeNumber(const std::string& value) {
  return PutText(fields_.episode_number, value);
}
HRESULT TTVNewProgram::get_Network(std::string* value) { return GetText(fields_.network, value); }
HRESULT TTVNewProgram::put_Network(const std::string& value) {
  return PutText(fields_.network, value);
}
HRESULT TTVNewProgram::get_Studio(std::string* value) { return GetText(fields_.studio, value); }
HRESULT TTVNewProgram::put_Studio(const std::string& value) {
  return PutText(fields_.studio, value);
}
HRESULT TTVNewProgram::get_PartNumber(int32_t* value) {
  return GetValue(fields_.part_number, value);
}
HRESULT TTVNewProgram::put_PartNumber(int32_t value) {
  return PutValue(fields_.part_number, value);
}
HRESULT TTVNewProgram::get_NumberOfParts(int32_t* value) {
  return GetValue(fields_.number_of_parts, value);
}
HRESULT TTVNewProgram::put_NumberOfParts(int32_t value) {
  return PutValue(fields_.number_of_parts, value);
}
HRESULT TTVNewProgram::get_YearProduced(int32_t* value) {
  return GetValue(fields_.year_produced, value);
}
HRESULT TTVNewProgram::put_YearProduced(int32_t value) {
  return PutValue(fields_.year_produced, value);
}
HRESULT TTVNewProgram::get_RunTime(int32_t* value) { return GetValue(fields_.run_time, value); }
HRESULT TTVNewProgram::put_RunTime(int32_t value) { return PutValue(fields_.run_time, value); }
HRESULT TTVNewProgram::get_SeasonNumber(int32_t* value) {
  return GetValue(fields_.season_number, value);
}
HRESULT TTVNewProgram::put_SeasonNumber(int32_t value) {
  return PutValue(fields_.season_number, value);
}
HRESULT TTVNewProgram::get_SeasonEpisodeNumber(int32_t* value) {
  return GetValue(fields_.season_episode_number, value);
}
HRESULT TTVNewProgram::put_SeasonEpisodeNumber(int32_t value) {
  return PutValue(fields_.season_episode_number, value);
}
HRESULT TTVNewProgram::get_IsCC(TV_3_WAY* value) { return GetFlag(DetailFlag::kCC, value); }
HRESULT TTVNewProgram::put_IsCC(TV_3_WAY value) { return PutFlag(DetailFlag::kCC, value); }
HRESULT TTVNewProgram::get_IsStereo(TV_3_WAY* value) { return GetFlag(DetailFlag::kStereo, value); }
HRESULT TTVNewProgram::put_IsStereo(TV_3_WAY value) { return PutFlag(DetailFlag::kStereo, value); }
HRESULT TTVNewProgram::get_IsRepeat(TV_3_WAY* value) { return GetFlag(DetailFlag::kRepeat, value); }
HRESULT TTVNewProgram::put_IsRepeat(TV_3_WAY value) { return PutFlag(DetailFlag::kRepeat, value); }
HRESULT TTVNewProgram::get_IsSubtitled(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kSubtitled, value);
}
HRESULT TTVNewProgram::put_IsSubtitled(TV_3_WAY value) {
  return PutFlag(DetailFlag::kSubtitled, value);
}
HRESULT TTVNewProgram::get_IsJoinedInProgress(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kJoinedInProgress, value);
}
HRESULT TTVNewProgram::put_IsJoinedInProgress(TV_3_WAY value) {
  return PutFlag(DetailFlag::kJoinedInProgress, value);
}
HRESULT TTVNewProgram::get_IsSAP(TV_3_WAY* value) { return GetFlag(DetailFlag::kSAP, value); }
HRESULT TTVNewProgram::put_IsSAP(TV_3_WAY value) { return PutFlag(DetailFlag::kSAP, value); }
HRESULT TTVNewProgram::get_IsSubjectToBlackout(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kBlackout, value);
}
HRESULT TTVNewProgram::put_IsSubjectToBlackout(TV_3_WAY value) {
  return PutFlag(DetailFlag::kBlackout, value);
}
HRESULT TTVNewProgram::get_HasSexRating(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kSexRating, value);
}
HRESULT TTVNewProgram::put_HasSexRating(TV_3_WAY value) {
  return PutFlag(DetailFlag::kSexRating, value);
}
HRESULT TTVNewProgram::get_HasViolenceRating(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kViolenceRating, value);
}
HRESULT TTVNewProgram::put_HasViolenceRating(TV_3_WAY value) {
  return PutFlag(DetailFlag::kViolenceRating, value);
}
HRESULT TTVNewProgram::get_HasLanguagRating(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kLanguageRating, value);
}
HRESULT TTVNewProgram::put_HasLanguagRating(TV_3_WAY value) {
  return PutFlag(DetailFlag::kLanguageRating, value);
}
HRESULT TTVNewProgram::get_HasDialogRating(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kDialogRating, value);
}
HRESULT TTVNewProgram::put_HasDialogRating(TV_3_WAY value) {
  return PutFlag(DetailFlag::kDialogRating, value);
}
HRESULT TTVNewProgram::get_HasFantasyViolenceRating(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kFantasyViolenceRating, value);
}
HRESULT TTVNewProgram::put_HasFantasyViolenceRating(TV_3_WAY value) {
  return PutFlag(DetailFlag::kFantasyViolenceRating, value);
}
HRESULT TTVNewProgram::get_IsEnhanced(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kEnhanced, value);
}
HRESULT TTVNewProgram::put_IsEnhanced(TV_3_WAY value) {
  return PutFlag(DetailFlag::kEnhanced, value);
}
HRESULT TTVNewProgram::get_Is3D(TV_3_WAY* value) { return GetFlag(DetailFlag::k3D, value); }
HRESULT TTVNewProgram::put_Is3D(TV_3_WAY value) { return PutFlag(DetailFlag::k3D, value); }
HRESULT TTVNewProgram::get_IsLetterbox(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kLetterbox, value);
}
HRESULT TTVNewProgram::put_IsLetterbox(TV_3_WAY value) {
  return PutFlag(DetailFlag::kLetterbox, value);
}
HRESULT TTVNewProgram::get_IsHDTV(TV_3_WAY* value) { return GetFlag(DetailFlag::kHDTV, value); }
HRESULT TTVNewProgram::put_IsHDTV(TV_3_WAY value) { return PutFlag(DetailFlag::kHDTV, value); }
HRESULT TTVNewProgram::get_IsDVS(TV_3_WAY* value) { return GetFlag(DetailFlag::kDVS, value); }
HRESULT TTVNewProgram::put_IsDVS(TV_3_WAY value) { return PutFlag(DetailFlag::kDVS, value); }
HRESULT TTVNewProgram::get_IsMadeForTV(TV_3_WAY* value) {
  return GetFlag(DetailFlag::kMadeForTV, value);
}
HRESULT TTVNewProgram::put_IsMadeForTV(TV_3_WAY value) {
  return PutFlag(DetailFlag::kMadeForTV, value);
}

}  // namespace kestro
