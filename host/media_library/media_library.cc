#include "host/media_library/media_library.h"

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

namespace {

class TMediaLibraryFactory : public ComObject<IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return RunInErrorFrame(IMediaLibrary::kIID, [&] {
      ComPtr<TMediaLibrary> library = OpenMediaLibrary(DefaultMediaLibraryPath());
      CheckHResult(library->QueryInterface(iid, out));
    });
  }
  HRESULT LockServer(int32_t lock) override { return S_OK; }
};

}  // namespace

HRESULT GetMediaLibraryClassObject(const CLSID& clsid, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != CLSID_MediaLibrary) return CLASS_E_CLASSNOTAVAILABLE;
  return MakeObject<TMediaLibraryFactory>()->QueryInterface(iid, out);
}

namespace {
constexpr const char* kMediaLibraryProgID = "Kestro.MediaLibrary";
std::string MediaLibraryKey() {
  return "HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(CLSID_MediaLibrary);
}
std::string MediaLibraryProgIDKey() {
  return std::string("HKEY_CLASSES_ROOT\\") + kMediaLibraryProgID;
}
}  // namespace

void RegisterHostClasses(const std::string& registry_path, const std::string& module_path) {
  RegistryFile reg = RegistryFile::Load(registry_path);
  reg.SetString(MediaLibraryKey(), "", "MediaLibrary");
  reg.SetString(MediaLibraryKey() + "\\InprocServer32", "", module_path);
  reg.SetString(MediaLibraryKey() + "\\InprocServer32", "ThreadingModel", "Both");
  reg.SetString(MediaLibraryKey() + "\\ProgID", "", kMediaLibraryProgID);
  reg.SetString(MediaLibraryProgIDKey(), "", "MediaLibrary");
  reg.SetString(MediaLibraryProgIDKey() + "\\CLSID", "", GuidToString(CLSID_MediaLibrary));
  reg.Save(registry_path);
}

void UnregisterHostClasses(const std::string& registry_path) {
  RegistryFile reg = RegistryFile::Load(registry_path);
  reg.DeleteKey(MediaLibraryKey());
  reg.DeleteKey(MediaLibraryProgIDKey());
  reg.Save(registry_path);
}

}  // namespace kestro::host
