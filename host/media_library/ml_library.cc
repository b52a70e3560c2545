#include "host/media_library/ml_library.h"

#include "kestro/host_type_library.h"
#include "platform/system/tv_registry.h"
#include "platform/text/text.h"

namespace kestro::host {

TMediaLibrary::TMediaLibrary(MLDatabasePtr db)
    : DispatchObject<IMediaLibrary>(HostTypeLibrary()), db_(std::move(db)) {}

ComPtr<TMLSection> TMediaLibrary::Section(const std::string& name, bool create) {
  if (Trim(name).empty()) throw EMediaLibraryError("A media library section needs a name");
  std::lock_guard lock(db_->Mutex());
  MLStatement find(*db_, "select section_id, name from sections where name = ?");
  find.Bind(1, name);
  if (find.Step()) return MakeObject<TMLSection>(db_, find.Int(0), find.Text(1));
  if (!create) return nullptr;
  MLStatement(*db_, "insert into sections (name) values (?)").Bind(1, name).Run();
  return MakeObject<TMLSection>(db_, db_->LastInsertRowId(), name);
}

HRESULT TMediaLibrary::OpenSection(const std::string& name, bool create, IMLSection** section) {
  return FrameOut(section, [&] { return ComPtr<IMLSection>(Section(name, create)); });
}

std::string DefaultMediaLibraryPath() {
  return ReadModuleConfig(RegistryFile::LoadDefault()).data_dir + "media-library.db";
}

ComPtr<TMediaLibrary> OpenMediaLibrary(const std::string& file_name) {
  return MakeObject<TMediaLibrary>(MLDatabase::Open(file_name));
}

const ClassTable& HostClasses() {
  static const ClassTable table{
      {{CLSID_MediaLibrary, "MediaLibrary", "MediaLibrary", "Kestro.MediaLibrary", "Both",
        [] { return ComPtr<IUnknown>(OpenMediaLibrary(DefaultMediaLibraryPath()).Get()); }}}};
  return table;
}

}  // namespace kestro::host
