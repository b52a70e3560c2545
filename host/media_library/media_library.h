// The reference host's media library (TMediaLibrary): sections of items with tags and views, kept
// in the SQLite file "media-library.db" of the host's data folder.
#pragma once

#include <string>

#include "host/media_library/ml_database.h"
#include "host/media_library/ml_section.h"
#include "kestro/com_object.h"
#include "kestro/media_library.h"

namespace kestro::host {

class TMediaLibrary : public DispatchObject<IMediaLibrary> {
 public:
  explicit TMediaLibrary(MLDatabasePtr db);

  HRESULT OpenSection(const std::string& name, bool create, IMLSection** section) override;

  // The section, or null when it is missing and `create` is false.
  ComPtr<TMLSection> Section(const std::string& name, bool create);
  const std::string& FileName() const { return db_->FileName(); }

 private:
  MLDatabasePtr db_;
};

// The data folder named by the registry file (KESTRO_REGISTRY or the user's) + "media-library.db".
std::string DefaultMediaLibraryPath();

// Opens the library in `file_name`, creating the file when it is missing.
// Throws EMediaLibraryError "Failed to open media library "%s" : %s".
ComPtr<TMediaLibrary> OpenMediaLibrary(const std::string& file_name);

// The class factory of the MediaLibrary class: each instance opens DefaultMediaLibraryPath().
// CLASS_E_CLASSNOTAVAILABLE for any other class, E_NOINTERFACE when the factory lacks `iid`.
HRESULT GetMediaLibraryClassObject(const CLSID& clsid, const IID& iid, void** out);

// Writes the MediaLibrary class into the registry file with `module_path` (libKestroHost.so) as
// its InprocServer32, as the host's set-up does; UnregisterHostClasses removes it.
void RegisterHostClasses(const std::string& registry_path, const std::string& module_path);
void UnregisterHostClasses(const std::string& registry_path);

}  // namespace kestro::host
