// TTVListingsImportSystem: one import run of one lineup. It is what the plug-in sees
// (ITVListingsImportSystem) and what the new-channel and new-program objects save through
// (ITVListingsUpdateSession): its own listings object over the lineup's listings database, that
// object's connection and scheduler, the run's logger, the host's progress, the statistics and
// the relocation list.
//
// One object per run, used on the import's thread only; released when the run ends, which
// closes its connection (discarding a transaction left open).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/kestro_object.h"
#include "import/update_session.h"
#include "kestro/tv_import.h"
#include "listings/listings_object.h"
#include "listings/tv_program_list.h"
#include "scheduling/tv_scheduler.h"
#include "support/host_log.h"

namespace kestro {

// The nine counters of a run, all 0 at its start.
struct ImportStats {
  int32_t channels_added = 0;
  int32_t channels_updated = 0;
  int32_t channels_failed = 0;
  int32_t channels_rejected = 0;
  int32_t programs_added = 0;
  int32_t programs_skipped = 0;
  int32_t programs_updated = 0;
  int32_t programs_deleted = 0;
  int32_t programs_failed = 0;
};

class TTVListingsImportSystem : public TKestroTVObject<ITVListingsImportSystem>,
                                public ITVListingsUpdateSession {
 public:
  // Opens a listings object on `listings_file` with `env` (creating or upgrading the database)
  // with `lineup_id` as its ID, and takes its connection and scheduler. `temporary_directory` is
  // what TemporaryDirectory answers. Throws the database's open message.
  TTVListingsImportSystem(const std::string& listings_file, int32_t lineup_id,
                          const std::shared_ptr<Env>& env, std::shared_ptr<ILogger> logger,
                          ComPtr<IMLImportProgress> progress, std::string temporary_directory);

  // IUnknown, once for both interfaces.
  HRESULT QueryInterface(const IID& iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // ITVListingsImportSystem.
  HRESULT NewChannel(ITVNewChannel** result) override;
  HRESULT NewProgram(ITVNewProgram** result) override;
  HRESULT get_Log(IKestroLog** value) override;
  HRESULT get_Listings(ITVListings** value) override;
  HRESULT get_Progress(IMLImportProgress** value) override;
  HRESULT get_TemporaryDirectory(std::string* value) override;

  // ITVListingsUpdateSession.
  DBPtr GetDatabase() override { return db_; }
  ComPtr<ITVListings> GetListings() override { return ComPtr<ITVListings>(listings_.Get()); }
  ComPtr<TTVScheduler> GetScheduler() override { return scheduler_; }
  std::shared_ptr<ILogger> GetLogger() override { return logger_; }
  void ChannelAdded() override { ++stats_.channels_added; }
  void ChannelUpdated() override { ++stats_.channels_updated; }
  void ChannelFailed() override { ++stats_.channels_failed; }
  void ChannelRejected() override { ++stats_.channels_rejected; }
  void ProgramAdded() override { ++stats_.programs_added; }
  void ProgramSkipped() override { ++stats_.programs_skipped; }
  void ProgramUpdated() override { ++stats_.programs_updated; }
  void ProgramDeleted() override { ++stats_.programs_deleted; }
  void ProgramFailed() override { ++stats_.programs_failed; }
  ImportReport& Report() override { return report_; }
  void DatabaseFailed(const std::string& message) override {
    if (database_failure_.empty()) database_failure_ = message;
  }
  const std::string& DatabaseFailure() const override { return database_failure_; }
  ComPtr<ITVProgramList> GetRelocationList() override {
    return ComPtr<ITVProgramList>(relocation_list_.Get());
  }
  TTVListings& ListingsObject() override { return *listings_; }
  ImportLookups& Lookups() override { return lookups_; }

  // Module-internal access for the run (LockAndCleanUp, finalization, statistics).
  const DBPtr& DB() const { return db_; }
  const std::shared_ptr<ILogger>& Logger() const { return logger_; }
  // The IKestroLog over the run's logger, with an empty prefix.
  const ComPtr<TKestroLog>& KestroLog() const { return kestro_log_; }
  const ComPtr<IMLImportProgress>& Progress() const { return progress_; }
  TTVProgramList& RelocationList() { return *relocation_list_; }
  const ImportStats& Stats() const { return stats_; }
  // Reports progress to the host; the answer is ignored (plug-ins decide about cancelling).
  void ReportProgress(int32_t percent, const std::string& status);
  // The temporary directory, created with missing parents when it does not exist.
  std::string TemporaryDirectory() const;

  // The transaction in which the plug-in saves: begun by BeginSaving (throws EDatabaseError, kBusy
  // when another connection keeps writing), kept by CommitSaving, undone by DiscardSaving or when
  // the run is released.
  void BeginSaving();
  void CommitSaving();
  void DiscardSaving();
  bool Saving() const { return saving_.has_value(); }

 protected:
  void* QueryExtraInterface(const IID& iid) override;

 private:
  ComPtr<TTVListings> listings_;
  DBPtr db_;
  ComPtr<TTVScheduler> scheduler_;
  std::shared_ptr<ILogger> logger_;
  ComPtr<TKestroLog> kestro_log_;
  ComPtr<IMLImportProgress> progress_;
  std::string temporary_directory_;
  ImportStats stats_;
  ImportReport report_;
  std::string database_failure_;
  ComPtr<TTVProgramList> relocation_list_;
  ImportLookups lookups_;
  std::optional<Transaction> saving_;  // ends before the connection it was begun on
};

}  // namespace kestro
