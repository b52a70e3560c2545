// The reference host's media library (TMediaLibrary): sections of items with tags and views, kept
// in the SQLite file "media-library.db" of the host's data folder.
#pragma once

#include <string>

#include "host/media_library/ml_database.h"
#include "host/media_library/ml_section.h"
#include "kestro/com_object.h"
#include "kestro/media_library.h"
#include "platform/com/class_table.h"

namespace kestro::host {

class TMediaLibrary : public DispatchObject<IMediaLibrary> {
 public:
  explicit TMediaLibrary(MLDatabasePtr db);

  HRESULT OpenSection(const std::string& name, bool create, IMLSection** section) override;

  // The section, or null when it is missing and `create` is false.
  ComPtr<TMLSection> Section(const std::string& name, bool create);
  const std::string& FileName() const { return db_->FileName(); }
  // Throws EMediaLibraryError "Cannot change "<file>" : <why>" when the library is read-only.
  void CheckWritable() const { db_->CheckWritable(); }

 private:
  MLDatabasePtr db_;
};

// The data folder named by the registry file (KESTRO_REGISTRY or the user's) + "media-library.db".
std::string DefaultMediaLibraryPath();

// Opens the library in `file_name`, creating the file when it is missing; read-only when this
// process cannot write it (see MLDatabase::Open).
// Throws EMediaLibraryError "Failed to open media library "%s" : %s".
ComPtr<TMediaLibrary> OpenMediaLibrary(const std::string& file_name);

// The host's creatable classes, served by libKestroHost.so and registered by the host's set-up
// with that file as their InprocServer32: MediaLibrary ("Kestro.MediaLibrary", threading model
// Both), each instance opening DefaultMediaLibraryPath().
const ClassTable& HostClasses();

}  // namespace kestro::host
