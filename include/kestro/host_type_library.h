// The host type library: dispatch tables of the host interfaces. Both the host and the module
// compile it in, as both load the host's registered library.
#pragma once

#include "kestro/dispatch.h"
#include "kestro/host.h"

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
  static const TypeLibInfo lib{LIBID_KestroHost,
                               "KestroHost",
                               "Kestro host library",
                               1,
                               0,
                               {&item, &log, &progress, &message, &plugin, &screen, &system},
                               {}};
  return lib;
}

}  // namespace kestro
