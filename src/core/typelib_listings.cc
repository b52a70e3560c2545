#include "kestro/tv_listings.h"
#include "core/type_library.h"
#include "kestro/tv_program_groups.h"

namespace kestro {

std::vector<const InterfaceInfo*> ListingsInterfaces() {
  using L = ITVListings;
  static const InterfaceInfo listings{
      L::kIID, "ITVListings", "The programme guide of one lineup", nullptr,
      {Method<&L::SearchByTitle>("SearchByTitle", 201),
       Method<&L::SearchByTimeSlice>("SearchByTimeSlice", 202),
       Method<&L::SearchByStartTime>("SearchByStartTime", 203),
       Method<&L::NewProgramGroups>("NewProgramGroups", 204),
       Method<&L::FindProgramByID>("FindProgramByID", 205),
       Method<&L::GetChannelLists>("GetChannelLists", 206),
       Method<&L::NewChannelList>("NewChannelList", 207),
       Method<&L::GetAllChannels>("GetAllChannels", 208),
       Method<&L::FindChannelListByID>("FindChannelListByID", 209),
       Method<&L::FindChannelByID>("FindChannelByID", 210),
       Method<&L::DeleteChannelList>("DeleteChannelList", 211),
       Method<&L::SearchByKeywords>("SearchByKeywords", 212),
       Method<&L::SearchByProgramType>("SearchByProgramType", 213),
       Method<&L::SearchByEqualityKey>("SearchByEqualityKey", 214),
       PropGet<&L::get_ID>("ID", 215),
       Method<&L::GetProgramsToBeRecorded>("GetProgramsToBeRecorded", 216),
       Method<&L::GetPeople>("GetPeople", 217),
       Method<&L::GetAllPeopleRoles>("GetAllPeopleRoles", 218),
       Method<&L::SearchByPerson>("SearchByPerson", 219),
       Method<&L::GetMasterChannels>("GetMasterChannels", 220),
       Method<&L::FindChannelByExternalID>("FindChannelByExternalID", 221),
       Method<&L::ChannelExistsByExternalID>("ChannelExistsByExternalID", 222),
       Method<&L::GetScheduler>("GetScheduler", 223),
       Method<&L::CustomSearch>("CustomSearch", 224),
       Method<&L::HasAnyPrograms>("HasAnyPrograms", 225)}};
  using G = ITVProgramGroups;
  static const InterfaceInfo groups{
      G::kIID, "ITVProgramGroups", "Programmes grouped under keys", nullptr,
      {PropGet<&G::get_Programs>("Programs", 0),
       PropGet<&G::get_Keys>("Keys", 201),
       PropGet<&G::get_Count>("Count", 202),
       Method<&G::Add>("Add", 203),
       Method<&G::Clear>("Clear", 204),
       Method<&G::ProgramsForKey>("ProgramsForKey", 205),
       Method<&G::CopyFrom>("CopyFrom", 206),
       PropGet<&G::get_Sorted>("Sorted", 207),
       PropPut<&G::put_Sorted>("Sorted", 207),
       Method<&G::ClearPrograms>("ClearPrograms", 208),
       Method<&G::FindProgram>("FindProgram", 209)}};
  return {&listings, &groups};
}

}  // namespace kestro
