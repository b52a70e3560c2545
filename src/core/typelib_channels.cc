#include "kestro/tv_channels.h"
#include "core/type_library.h"

namespace kestro {

std::vector<const InterfaceInfo*> ChannelInterfaces() {
  using C = ITVChannel;
  static const InterfaceInfo channel{
      C::kIID, "ITVChannel", "A channel of the guide", nullptr,
      {PropGet<&C::get_ID>("ID", 201),
       PropGet<&C::get_ExternalID>("ExternalID", 202),
       PropGet<&C::get_Number>("Number", 203),
       PropPut<&C::put_Number>("Number", 203),
       PropGet<&C::get_ShortName>("ShortName", 204),
       PropPut<&C::put_ShortName>("ShortName", 204),
       PropGet<&C::get_LongName>("LongName", 205),
       PropPut<&C::put_LongName>("LongName", 205),
       PropGet<&C::get_Network>("Network", 206),
       PropPut<&C::put_Network>("Network", 206),
       PropGet<&C::get_Frequency>("Frequency", 207),
       PropPut<&C::put_Frequency>("Frequency", 207),
       PropGet<&C::get_ImageID>("ImageID", 208),
       PropPut<&C::put_ImageID>("ImageID", 208),
       PropGet<&C::get_Wanted>("Wanted", 210),
       PropPut<&C::put_Wanted>("Wanted", 210),
       Method<&C::GetAsKestroItem>("GetAsKestroItem", 209),
       Method<&C::SetExternalID>("SetExternalID", 211)}};
  using L = ITVChannelList;
  static const InterfaceInfo list{
      L::kIID, "ITVChannelList", "An ordered list of channels", nullptr,
      {PropGet<&L::get_Items>("Items", 0),
       PropGet<&L::get_Count>("Count", 201),
       Method<&L::Add>("Add", 202),
       Method<&L::Clear>("Clear", 203),
       PropGet<&L::get_ID>("ID", 204),
       PropGet<&L::get_Name>("Name", 205),
       PropPut<&L::put_Name>("Name", 205),
       Method<&L::Remove>("Remove", 206),
       Method<&L::Exchange>("Exchange", 207),
       Method<&L::Save>("Save", 208),
       Method<&L::IsForUser>("IsForUser", 209),
       Method<&L::ContainsChannel>("ContainsChannel", 210),
       Method<&L::RemoveChannel>("RemoveChannel", 211),
       PropGet<&L::get_Users>("Users", 212),
       PropPut<&L::put_Users>("Users", 212)}};
  static const InterfaceInfo lists{ITVChannelLists::kIID, "ITVChannelLists",
                                   "The channel lists of a user", nullptr,
                                   {PropGet<&ITVChannelLists::get_Items>("Items", 0),
                                    PropGet<&ITVChannelLists::get_Count>("Count", 201)}};
  return {&channel, &list, &lists};
}

}  // namespace kestro
