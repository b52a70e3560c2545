#include "import/import_system.h"

#include <system_error>
#include <utility>

#include "import/new_channel.h"
#include "import/new_program.h"
#include "platform/exception.h"
#include "scheduling/open_listings.h"
#include "scheduling/tv_scheduler.h"
#include "storage/listings_database.h"


namespace kestro {

TTVListingsImportSystem::TTVListingsImportSystem(const std::string& listings_file,
                                                 int32_t lineup_id,
                                                 const std::shared_ptr<Env>& env,
                                                 std::shared_ptr<ILogger> logger,
                                                 ComPtr<IMLImportProgress> progress,
                                                 std::string temporary_directory)
    : listings_(OpenListings(listings_file, lineup_id, env)),
      db_(listings_->DB()),
      scheduler_(MakeScheduler(ComPtr<ITVListings>(listings_.Get()), db_)),
      logger_(std::move(logger)),
      kestro_log_(NewKestroLog(logger_, std::string())),
      progress_(std::move(progress)),
      temporary_directory_(std::move(temporary_directory)),
      relocation_list_(MakeObject<TTVProgramList>()) {}

HRESULT TTVListingsImportSystem::QueryInterface(const IID& iid, void** out) {
  return TKestroTVObject<ITVListingsImportSystem>::QueryInterface(iid, out);
}
ULONG TTVListingsImportSystem::AddRef() {
  return TKestroTVObject<ITVListingsImportSystem>::AddRef();
}
ULONG TTVListingsImportSystem::Release() {
  return TKestroTVObject<ITVListingsImportSystem>::Release();
}

void* TTVListingsImportSystem::QueryExtraInterface(const IID& iid) {
  return iid == ITVListingsUpdateSession::kIID ? static_cast<ITVListingsUpdateSession*>(this)
                                               : nullptr;
}

void TTVListingsImportSystem::ReportProgress(int32_t percent, const std::string& status) {
  if (!progress_) return;
  bool go_on = true;
  CheckHResult(progress_->ReportProgress(percent, status, &go_on));
}

// A save that replaces stored programmes runs in a savepoint of its own (program_save.h). The
// savepoint's undo journal holds the pages that save touches: in memory it is emptied at each
// release; in a temporary file (where VACUUM wants temporary storage) every page would be
// written out once the journal had spilled there, for every later save of the import. The
// programmes it adds enter the keyword index together, just before the commit.
void TTVListingsImportSystem::BeginSaving() {
  if (saving_) throw Exception("The import has begun saving already");
  db_->Exec("PRAGMA temp_store=MEMORY;");
  lookups_ = ImportLookups();
  saving_.emplace(*db_);
  try {
    BeginDeferredKeywordIndex(*db_);
  } catch (...) {
    saving_.reset();
    throw;
  }
}

void TTVListingsImportSystem::CommitSaving() {
  if (!saving_) throw Exception("The import has no saving to commit");
  FinishDeferredKeywordIndex(*db_);
  saving_->Commit();
  saving_.reset();
  db_->Exec("PRAGMA temp_store=FILE;");
}

void TTVListingsImportSystem::DiscardSaving() {
  if (!saving_) return;
  saving_.reset();
  lookups_ = ImportLookups();
  try {
    db_->Exec("PRAGMA temp_store=FILE;");
  } catch (const std::exception&) {
    // Only VACUUM needs the files, and it runs after a commit.
  }
}

std::string TTVListingsImportSystem::TemporaryDirectory() const {
  if (const std::error_code ec = db_->GetEnv()->CreateDirectories(temporary_directory_)) {
    throw Exception("Failed to create the temporary directory \"" + temporary_directory_ +
                    "\" : " + ec.message());
  }
  return temporary_directory_;
}

HRESULT TTVListingsImportSystem::NewChannel(ITVNewChannel** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVNewChannel>(
        MakeObject<TTVNewChannel>(ComPtr<ITVListingsUpdateSession>(this)).Get());
  });
}

HRESULT TTVListingsImportSystem::NewProgram(ITVNewProgram** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVNewProgram>(
        MakeObject<TTVNewProgram>(ComPtr<ITVListingsUpdateSession>(this)).Get());
  });
}

HRESULT TTVListingsImportSystem::get_Log(IKestroLog** value) {
  return GetProperty(value, kestro_log_);
}

HRESULT TTVListingsImportSystem::get_Listings(ITVListings** value) {
  return GetProperty(value, [&] { return GetListings(); });
}

HRESULT TTVListingsImportSystem::get_Progress(IMLImportProgress** value) {
  return GetProperty(value, progress_);
}

HRESULT TTVListingsImportSystem::get_TemporaryDirectory(std::string* value) {
  return GetProperty(value, [&] { return TemporaryDirectory(); });
}

}  // namespace kestro
