// The host type library: the host interfaces' dispatch tables under the host's LIBID. Both the
// host and the module compile it in, as both load the host's registered library.
#pragma once

#include "kestro/dispatch.h"
#include "kestro/host.h"
#include "kestro/media_library.h"

namespace kestro {

inline const TypeLibInfo& HostTypeLibrary() {
  static const TypeLibInfo lib{
      LIBID_KestroHost,
      "KestroHost",
      "Kestro host library",
      1,
      0,
      {&IKestroItem::TypeTable(), &IKestroLog::TypeTable(), &IMLImportProgress::TypeTable(),
       &IKestroMessage::TypeTable(), &IKestroPlugin::TypeTable(), &IKestroScreen::TypeTable(),
       &IKestroSystem::TypeTable(), &IMLItem::TypeTable(), &IMLItemList::TypeTable(),
       &IMLLevel::TypeTable(), &IMLView::TypeTable(), &IMLSection::TypeTable(),
       &IMediaLibrary::TypeTable()},
      {{CLSID_MediaLibrary, "MediaLibrary", "Media library", IMediaLibrary::kIID}}};
  return lib;
}

}  // namespace kestro
