#include "kestro/tv_listings.h"
#include "core/type_library.h"
#include "kestro/tv_programs.h"
#include "kestro/tv_schedules.h"

namespace kestro {

std::vector<const InterfaceInfo*> ProgramInterfaces() {
  using P = ITVProgram;
  static const InterfaceInfo program{
      P::kIID, "ITVProgram", "One broadcast of a programme", nullptr,
      {PropGet<&P::get_ID>("ID", 201),
       PropGet<&P::get_ChannelID>("ChannelID", 202),
       PropGet<&P::get_StartTime, true>("StartTime", 203),
       PropGet<&P::get_EndTime, true>("EndTime", 204),
       PropGet<&P::get_Title>("Title", 205),
       PropGet<&P::get_Subtitle>("Subtitle", 206),
       PropGet<&P::get_TVRating>("TVRating", 207),
       PropGet<&P::get_MovieRating>("MovieRating", 208),
       PropGet<&P::get_ProgramType>("ProgramType", 209),
       PropGet<&P::get_SortTitle>("SortTitle", 210),
       PropGet<&P::get_SearchTitle>("SearchTitle", 211),
       PropGet<&P::get_EqualityKey>("EqualityKey", 212),
       PropGet<&P::get_Channel>("Channel", 213),
       PropGet<&P::get_Details>("Details", 214),
       Method<&P::GetAsKestroItem>("GetAsKestroItem", 215),
       Method<&P::IsOver>("IsOver", 216),
       Method<&P::IsOnNow>("IsOnNow", 217),
       Method<&P::DurationMinutes>("DurationMinutes", 218),
       Method<&P::Reload>("Reload", 219),
       PropGet<&P::get_ScheduleID>("ScheduleID", 220),
       Method<&P::IsToBeRecorded>("IsToBeRecorded", 221),
       Method<&P::GetAsProgramList>("GetAsProgramList", 222),
       Method<&P::SetScheduleID>("SetScheduleID", 223),
       Method<&P::LogText>("LogText", 224),
       Method<&P::GetSchedule>("GetSchedule", 225),
       Method<&P::GetRepeatingSchedule>("GetRepeatingSchedule", 226)}};
  using D = ITVProgramDetails;
  static const InterfaceInfo details{
      D::kIID, "ITVProgramDetails", "The details of a programme", nullptr,
      {PropGet<&D::get_LongDescription>("LongDescription", 201),
       PropGet<&D::get_ShortDescription>("ShortDescription", 202),
       PropGet<&D::get_PartNumber>("PartNumber", 203),
       PropGet<&D::get_NumberOfParts>("NumberOfParts", 204),
       PropGet<&D::get_IsCC>("IsCC", 205),
       PropGet<&D::get_IsStereo>("IsStereo", 206),
       PropGet<&D::get_IsRepeat>("IsRepeat", 207),
       PropGet<&D::get_IsSubtitled>("IsSubtitled", 208),
       PropGet<&D::get_IsJoinedInProgress>("IsJoinedInProgress", 209),
       PropGet<&D::get_IsSAP>("IsSAP", 210),
       PropGet<&D::get_IsSubjectToBlackout>("IsSubjectToBlackout", 211),
       PropGet<&D::get_HasSexRating>("HasSexRating", 212),
       PropGet<&D::get_HasViolenceRating>("HasViolenceRating", 213),
       PropGet<&D::get_HasLanguageRating>("HasLanguageRating", 214),
       PropGet<&D::get_HasDialogRating>("HasDialogRating", 215),
       PropGet<&D::get_HasFantasyViolenceRating>("HasFantasyViolenceRating", 216),
       PropGet<&D::get_IsEnhanced>("IsEnhanced", 217),
       PropGet<&D::get_Is3D>("Is3D", 218),
       PropGet<&D::get_IsLetterbox>("IsLetterbox", 219),
       PropGet<&D::get_IsHDTV>("IsHDTV", 220),
       PropGet<&D::get_IsDVS>("IsDVS", 221),
       PropGet<&D::get_IsMadeForTV>("IsMadeForTV", 222),
       PropGet<&D::get_Dolby>("Dolby", 223),
       PropGet<&D::get_PremiereFinale>("PremiereFinale", 224),
       PropGet<&D::get_Advisories>("Advisories", 225),
       PropGet<&D::get_YearProduced>("YearProduced", 226),
       PropGet<&D::get_RunTime>("RunTime", 227),
       PropGet<&D::get_Color>("Color", 228),
       PropGet<&D::get_Language>("Language", 229),
       PropGet<&D::get_CountryOfOrigin>("CountryOfOrigin", 230),
       PropGet<&D::get_SourceType>("SourceType", 231),
       PropGet<&D::get_ShowType>("ShowType", 232),
       PropGet<&D::get_Holiday>("Holiday", 233),
       PropGet<&D::get_EpisodeNumber>("EpisodeNumber", 234),
       PropGet<&D::get_Network>("Network", 235),
       PropGet<&D::get_Studio>("Studio", 236),
       PropGet<&D::get_OriginalAirDate, true>("OriginalAirDate", 237),
       PropGet<&D::get_SeasonNumber>("SeasonNumber", 238),
       PropGet<&D::get_SeasonEpisodeNumber>("SeasonEpisodeNumber", 239),
       PropGet<&D::get_Genres>("Genres", 242),
       PropGet<&D::get_PeopleCount>("PeopleCount", 243),
       PropGet<&D::get_People>("People", 244),
       Method<&D::GetAsKestroItem>("GetAsKestroItem", 240),
       Method<&D::GetDisplayFlags>("GetDisplayFlags", 241)}};
  static const InterfaceInfo person{ITVPerson::kIID, "ITVPerson", "A person in a role", nullptr,
                                    {PropGet<&ITVPerson::get_ID>("ID", 201),
                                     PropGet<&ITVPerson::get_Name>("Name", 202),
                                     PropGet<&ITVPerson::get_Role>("Role", 204),
                                     PropGet<&ITVPerson::get_RoleID>("RoleID", 203)}};
  using L = ITVProgramList;
  static const InterfaceInfo list{
      L::kIID, "ITVProgramList", "An ordered list of programmes", nullptr,
      {PropGet<&L::get_Items>("Items", 0),
       PropGet<&L::get_Count>("Count", 201),
       Method<&L::Add>("Add", 202),
       Method<&L::Clear>("Clear", 203),
       Method<&L::ContainsProgram>("ContainsProgram", 204),
       Method<&L::CopyFrom>("CopyFrom", 205),
       Method<&L::IndexOfProgram>("IndexOfProgram", 206),
       Method<&L::Remove>("Remove", 207)}};
  return {&program, &details, &person, &list};
}

}  // namespace kestro
