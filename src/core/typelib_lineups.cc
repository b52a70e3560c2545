#include "kestro/tv_lineups.h"
#include "core/type_library.h"

namespace kestro {

std::vector<const InterfaceInfo*> LineupInterfaces() {
  using L = ITVLineup;
  static const InterfaceInfo lineup{
      L::kIID, "ITVLineup", "Lineup", nullptr,
      {PropGet<&L::get_ID>("ID", 201),
       PropGet<&L::get_Name>("Name", 202),
       PropPut<&L::put_Name>("Name", 202),
       PropGet<&L::get_PluginID>("PluginID", 203),
       PropPut<&L::put_PluginID>("PluginID", 203),
       PropGet<&L::get_UpdateFrequency>("UpdateFrequency", 204),
       PropPut<&L::put_UpdateFrequency>("UpdateFrequency", 204),
       PropGet<&L::get_UpdateTime, true>("UpdateTime", 205),
       PropPut<&L::put_UpdateTime>("UpdateTime", 205),
       PropGet<&L::get_LastUpdateTime, true>("LastUpdateTime", 206),
       PropPut<&L::put_LastUpdateTime>("LastUpdateTime", 206),
       PropGet<&L::get_LastUpdateOK>("LastUpdateOK", 207),
       PropPut<&L::put_LastUpdateOK>("LastUpdateOK", 207),
       PropGet<&L::get_LastUpdateStatus>("LastUpdateStatus", 208),
       PropPut<&L::put_LastUpdateStatus>("LastUpdateStatus", 208),
       PropGet<&L::get_TunerCount>("TunerCount", 209),
       PropPut<&L::put_TunerCount>("TunerCount", 209),
       Method<&L::Save>("Save", 210),
       PropGet<&L::get_PluginProperties>("PluginProperties", 211),
       Method<&L::GetListings>("GetListings", 212),
       Method<&L::ImportListings>("ImportListings", 213),
       PropGet<&L::get_IsImportInProgress>("IsImportInProgress", 214)}};
  using S = ITVLineups;
  static const InterfaceInfo lineups{S::kIID, "ITVLineups", "Lineups", nullptr,
                                     {PropGet<&S::get_Count>("Count", 201),
                                      PropGet<&S::get_Items>("Items", 0),
                                      Method<&S::NewLineup>("NewLineup", 202),
                                      Method<&S::DeleteLineup>("DeleteLineup", 203),
                                      Method<&S::GetLineup>("GetLineup", 204)}};
  return {&lineups, &lineup};
}

}  // namespace kestro
