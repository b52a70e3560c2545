// The host type library: dispatch tables of the host interfaces. Both the host and the module
// compile it in, as both load the host's registered library.
#pragma once

#include "kestro/dispatch.h"
#include "kestro/host.h"
#include "kestro/media_library.h"

namespace kestro {

inline const TypeLibInfo& HostTypeLibrary() {
  static const InterfaceInfo item{
      IKestroItem::kIID, "IKestroItem", "Property bag of named values", nullptr,
      {PropGet<&IKestroItem::get_Values>("Values", 0),
       PropPut<&IKestroItem::put_Values>("Values", 0),
       PropGet<&IKestroItem::get_Count>("Count", 1),
       Method<&IKestroItem::HasValue>("HasValue", 2),
       PropGet<&IKestroItem::get_KeyNames>("KeyNames", 3),
       Method<&IKestroItem::Clear>("Clear", 4),
       Method<&IKestroItem::GetValue>("GetValue", 5),
       Method<&IKestroItem::Assign>("Assign", 6),
       Method<&IKestroItem::BeginUpdate>("BeginUpdate", 7),
       Method<&IKestroItem::EndUpdate>("EndUpdate", 8)}};
  static const InterfaceInfo log{IKestroLog::kIID, "IKestroLog", "Host log", nullptr,
                                 {Method<&IKestroLog::WriteLine>("WriteLine", 1)}};
  static const InterfaceInfo progress{
      IMLImportProgress::kIID, "IMLImportProgress", "Progress of an import", nullptr,
      {Method<&IMLImportProgress::ReportProgress>("ReportProgress", 1)}};
  static const InterfaceInfo message{
      IKestroMessage::kIID, "IKestroMessage", "Host message", &item,
      {PropGet<&IKestroMessage::get_Subject>("Subject", 101),
       Method<&IKestroMessage::Matches>("Matches", 102),
       Method<&IKestroMessage::Send>("Send", 103),
       Method<&IKestroMessage::SendTo>("SendTo", 104),
       Method<&IKestroMessage::IsShutdown>("IsShutdown", 105)}};
  static const InterfaceInfo plugin{
      IKestroPlugin::kIID, "IKestroPlugin", "Host plug-in", nullptr,
      {Method<&IKestroPlugin::OnMessage>("OnMessage", 1),
       Method<&IKestroPlugin::DescribeSetting>("DescribeSetting", 2),
       Method<&IKestroPlugin::ApplySettings>("ApplySettings", 3),
       Method<&IKestroPlugin::IsAvailable>("IsAvailable", 4)}};
  static const InterfaceInfo screen{IKestroScreen::kIID, "IKestroScreen", "Host screen", nullptr,
                                    {}};
  static const InterfaceInfo system{
      IKestroSystem::kIID, "IKestroSystem", "Host system", nullptr,
      {Method<&IKestroSystem::CreateMessage>("CreateMessage", 1),
       Method<&IKestroSystem::Subscribe>("Subscribe", 2),
       Method<&IKestroSystem::ShowTrace>("ShowTrace", 4),
       Method<&IKestroSystem::ShowStatus>("ShowStatus", 5),
       Method<&IKestroSystem::CreateItem>("CreateItem", 7),
       Method<&IKestroSystem::LookupText>("LookupText", 25),
       Method<&IKestroSystem::GetLog>("GetLog", 34),
       Method<&IKestroSystem::GetFolder>("GetFolder", 37),
       Method<&IKestroSystem::SetRuntimeProperty>("SetRuntimeProperty", 39)}};
  static const InterfaceInfo ml_item{
      IMLItem::kIID, "IMLItem", "Media library item", nullptr,
      {PropGet<&IMLItem::get_Location>("Location", 1),
       PropPut<&IMLItem::put_Location>("Location", 1),
       PropPut<&IMLItem::put_Key>("Key", 2),
       PropGet<&IMLItem::get_Tags>("Tags", 3),
       PropGet<&IMLItem::get_Name>("Name", 4),
       Method<&IMLItem::Save>("Save", 5)}};
  static const InterfaceInfo ml_item_list{
      IMLItemList::kIID, "IMLItemList", "Media library items found", nullptr,
      {PropGet<&IMLItemList::get_Count>("Count", 1),
       PropGet<&IMLItemList::get_Item>("Item", 0)}};
  static const InterfaceInfo ml_level{
      IMLLevel::kIID, "IMLLevel", "Level of a media library view", nullptr,
      {PropPut<&IMLLevel::put_Flag>("Flag", 1),
       PropPut<&IMLLevel::put_SortTag>("SortTag", 2),
       PropPut<&IMLLevel::put_Caption>("Caption", 3),
       PropPut<&IMLLevel::put_Style>("Style", 4)}};
  static const InterfaceInfo ml_view{
      IMLView::kIID, "IMLView", "Media library view", nullptr,
      {Method<&IMLView::AddLevel>("AddLevel", 1),
       PropGet<&IMLView::get_Filter>("Filter", 2),
       PropPut<&IMLView::put_Filter>("Filter", 2)}};
  static const InterfaceInfo ml_section{
      IMLSection::kIID, "IMLSection", "Media library section", nullptr,
      {Method<&IMLSection::AddItem>("AddItem", 1),
       Method<&IMLSection::FindItemsByTag>("FindItemsByTag", 2),
       PropGet<&IMLSection::get_ItemCount>("ItemCount", 3),
       Method<&IMLSection::AddView>("AddView", 4),
       Method<&IMLSection::DeleteItem>("DeleteItem", 5)}};
  static const InterfaceInfo media_library{
      IMediaLibrary::kIID, "IMediaLibrary", "Media library", nullptr,
      {Method<&IMediaLibrary::OpenSection>("OpenSection", 1)}};
  static const TypeLibInfo lib{LIBID_KestroHost,
                               "KestroHost",
                               "Kestro host library",
                               1,
                               0,
                               {&item, &log, &progress, &message, &plugin, &screen, &system,
                                &ml_item, &ml_item_list, &ml_level, &ml_view, &ml_section,
                                &media_library},
                               {{CLSID_MediaLibrary, "MediaLibrary", "Media library",
                                 IMediaLibrary::kIID}}};
  return lib;
}

}  // namespace kestro
