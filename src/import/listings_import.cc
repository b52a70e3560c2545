#include "import/listings_import.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "import/finalize_import.h"
#include "import/import_plugin.h"
#include "listings/program_writer.h"
#include "platform/exception.h"
#include "platform/system/file_lock.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "support/failure_report.h"
#include "support/file_logger.h"

namespace kestro {

namespace fs = std::filesystem;

namespace {

constexpr size_t kLogsKept = 14;
constexpr double kTemporaryFileMaxAgeHours = 23.0;
constexpr OleDate kOldProgramAge = 2.0 / 24.0;  // programmes over for longer are deleted
// The page cache of the import's connection: 4000 KiB, the 4000 one-kilobyte pages of the guide's
// original file format. In pages of today's default size it would be four times as large, and
// VACUUM gives its copy a cache of the same size, so the import's memory would grow with the
// guide up to 32 MB; at 4 MB it stays flat and the import is hardly slower.
constexpr const char* kImportCacheSize = "PRAGMA cache_size = -4000;";

}  // namespace

// ---------------------------------------------------------------------------------------------
// Files

std::string ImportLogDirectory(const std::string& library_dir) { return library_dir + "tv/logs"; }

std::string ImportLogFileName(const std::string& library_dir, int32_t lineup_id, OleDate start) {
  return Format("%s/listings.%d.%s.log", ImportLogDirectory(library_dir).c_str(), lineup_id,
                FormatDateTime("yyyy-mm-dd-hh-nn-ss", start).c_str());
}

std::string UnusedLogFileName(Env& env, const std::string& file_name) {
  const std::string stem = file_name.substr(0, file_name.size() - 4);  // without ".log"
  std::string name = file_name;
  for (int32_t n = 2; env.FileExists(name); ++n) name = Format("%s_%02d.log", stem.c_str(), n);
  return name;
}

std::string ImportTemporaryDirectory(const std::string& library_dir) {
  return library_dir + "tv/temp/";
}

std::vector<std::string> ListImportLogs(Env& env, const std::string& log_dir, int32_t lineup_id) {
  const std::string pattern = Format("listings.%d.*.log", lineup_id);
  std::vector<std::string> names;
  std::vector<DirEntry> entries;
  env.ListDirectory(log_dir, &entries);
  for (const DirEntry& entry : entries) {
    if (entry.is_regular_file && fnmatch(pattern.c_str(), entry.name.c_str(), 0) == 0)
      names.push_back(entry.name);
  }
  // The time stamp in the name makes this oldest first.
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  for (std::string& name : names) name = (fs::path(log_dir) / name).string();
  return names;
}

void PruneImportLogs(Env& env, const std::string& log_dir, int32_t lineup_id, size_t keep) {
  std::vector<std::string> logs = ListImportLogs(env, log_dir, lineup_id);
  if (logs.size() <= keep) return;
  for (size_t i = 0; i < logs.size() - keep; ++i) env.RemoveFile(logs[i]);
}

namespace {

// The files below `dir` (recursively, not into linked directories) last written before
// `limit_ms` (Unix milliseconds).
void CollectFilesWrittenBefore(Env& env, const fs::path& dir, int64_t limit_ms,
                               std::vector<std::string>* files) {
  std::vector<DirEntry> entries;
  env.ListDirectory(dir, &entries);
  for (const DirEntry& entry : entries) {
    const fs::path path = dir / entry.name;
    FileTimes times;
    if (entry.is_directory) {
      CollectFilesWrittenBefore(env, path, limit_ms, files);
    } else if (entry.is_regular_file && !env.GetFileTimes(path, &times) &&
               times.modified_unix_ms < limit_ms) {
      files->push_back(path);
    }
  }
}

}  // namespace

void DeleteOldTemporaryFiles(Env& env, const std::string& dir) {
  const int64_t max_age_ms = static_cast<int64_t>(kTemporaryFileMaxAgeHours * 3600 * 1000);
  std::vector<std::string> old_files;
  CollectFilesWrittenBefore(env, dir, env.NowUnixMillis() - max_age_ms, &old_files);
  for (const std::string& file : old_files) env.RemoveFile(file);
}

// ---------------------------------------------------------------------------------------------
// In-progress lock

std::string TImportInProgressLock::FileName(const std::string& library_dir, int32_t lineup_id) {
  return Format("%stv/kestro.lineup.import-in-progress.%d", library_dir.c_str(), lineup_id);
}

bool TImportInProgressLock::TryAcquire() {
  if (fd_.valid()) return true;
  // The user's umask decides who else may import.
  fd_ = TryLockFile(FileName(library_dir_, lineup_id_), "import lock");
  return fd_.valid();
}

void TImportInProgressLock::Release() {
  fd_.reset();  // closing the open file description drops its lock
}

bool TImportInProgressLock::IsHeld(const std::string& library_dir, int32_t lineup_id) {
  return lineup_id > 0 && IsFileLocked(FileName(library_dir, lineup_id));
}

// ---------------------------------------------------------------------------------------------
// Steps of the run

HRESULT TNoProgress::ReportProgress(int32_t, const std::string&, bool* go_on) {
  return FrameValue(go_on, [] { return true; });
}

bool LockAndCleanUp(TTVListingsImportSystem& import_system, std::string* why) {
  IDB& db = *import_system.DB();
  Transaction cleanup(db);  // a locked database fails the run here
  try {
    db.Exec(kImportCacheSize);
    const OleDate limit = db.GetEnv()->NowLocal() - kOldProgramAge;
    TablePtr old = db.QueryFmt("select id from programs where end_time < %d",
                               {SqlArg::Int(DateTimeToDbTime(limit))});
    const int32_t count = old->RowCount();
    for (int32_t i = 0; i < count; ++i, old->Next()) {
      import_system.ReportProgress(static_cast<int32_t>(int64_t{i} * 100 / count),
                                   "Deleting old programs...");
      DeleteProgramWithDetails(db, old->Int(0));
      import_system.ProgramDeleted();
    }
    cleanup.Commit();
    db.GetEnv()->CrashPoint("import-cleaned");
    import_system.BeginSaving();
    return true;
  } catch (const std::exception& e) {
    import_system.Logger()->LogException(e, "Initial clean-up");
    if (why) *why = e.what();
  }
  return false;
}

void RollbackImport(TTVListingsImportSystem& import_system) { import_system.DiscardSaving(); }

void LogStats(ILogger& logger, const ImportStats& s, const ImportReport& report) {
  logger.LogFmt("Channel stats : %d added : %d rejected : %d updated : %d failed",
                s.channels_added, s.channels_rejected, s.channels_updated, s.channels_failed);
  logger.LogFmt("Program stats : %d added : %d skipped  : %d deleted : %d updated : %d failed",
                s.programs_added, s.programs_skipped, s.programs_deleted, s.programs_updated,
                s.programs_failed);
  if (report.Empty()) return;
  for (const std::string& line : report.Lines()) logger.Log(line);
}

// ---------------------------------------------------------------------------------------------
// The run

namespace {

// One ImportListings call. Run() goes through the steps in order; the outcome is recorded and
// the lineup saved by Finish(), whatever happened.
class TListingsImportRun {
 public:
  TListingsImportRun(IImportedLineup& lineup, std::string library_dir,
                     const ImportServices& services)
      : lineup_(lineup), library_dir_(std::move(library_dir)), services_(services) {}

  bool Run(IMLImportProgress* progress, std::string* error_message) {
    error_message->clear();
    const OleDate start = env().NowLocal();
    lineup_.RecordUpdateStart(start);
    try {
      result_ = Import(start, progress, *error_message);
    } catch (const std::exception& e) {
      *error_message = std::string("There was an unhandled error during the import : ") + e.what();
      result_ = false;
      DiscardOpenTransaction();
    }
    Finish(*error_message);
    return result_;
  }

 private:
  // The run proper, from its log to the finalization: true when the plug-in's listings were
  // saved and finalized.
  bool Import(OleDate start, IMLImportProgress* progress, std::string& error_message) {
    const int32_t lineup_id = lineup_.ID();
    const std::string log_dir = ImportLogDirectory(library_dir_);
    if (const std::error_code ec = env().CreateDirectories(log_dir))
      throw fs::filesystem_error("cannot create directories", fs::path(log_dir), ec);
    const std::string log_file =
        UnusedLogFileName(env(), ImportLogFileName(library_dir_, lineup_id, start));
    PruneImportLogs(env(), log_dir, lineup_id, kLogsKept);

    logger_ = std::make_shared<TBufferedFileLogger>(services_.env, log_file, 0, 100);
    logger_->Log("Beginning listings import");

    ComPtr<ITVListingsImportPlugin> plugin =
        services_.plugins->CreatePlugin(lineup_.PluginID(), services_.env);
    if (!plugin) {
      error_message = Format("Unable to create the listings import plugin with id \"%s\"",
                             lineup_.PluginID().c_str());
      return false;
    }
    ComPtr<IMLImportProgress> shown_progress(progress);
    if (!shown_progress) shown_progress = MakeObject<TNoProgress>();
    system_ = MakeObject<TTVListingsImportSystem>(lineup_.ListingsFileName(), lineup_id,
                                                  services_.env, logger_, shown_progress,
                                                  ImportTemporaryDirectory(library_dir_));

    system_->ReportProgress(0, "Removing temporary files");
    DeleteOldTemporaryFiles(env(), ImportTemporaryDirectory(library_dir_));

    logger_->Log("Attempting to lock listings database and perform initial clean-up");
    std::string why;
    if (!LockAndCleanUp(*system_, &why)) {
      error_message = "Failed to lock listings database and perform initial clean-up : " + why;
      return false;
    }

    logger_->Log("Initial clean-up is done, asking plugin to do import");
    error_message.clear();
    bool imported = false;
    CheckHResult(plugin->Import(&lineup_.PluginProperties(), system_.Get(), &error_message,
                                &imported));
    if (!imported) {
      if (error_message != kImportCanceled) {
        error_message = "The listings import plugin failed to perform the import : " + error_message;
      }
      RollbackImport(*system_);
      return false;
    }

    logger_->Log("Plugin finished import successfully, finalizing import");
    FinalizeImport(*system_);

    logger_->Log("");
    LogStats(*logger_, system_->Stats(), system_->Report());
    logger_->Log("");
    logger_->Log("Import finished successfully");
    error_message.clear();
    return true;
  }

  // After a failure that left the run's transaction open: nothing of it may stay.
  void DiscardOpenTransaction() noexcept {
    if (system_) system_->DiscardSaving();
  }

  // The outcome: logged, recorded in the lineup, and the lineup saved. A failure to log is
  // reported (ReportFailure); a lineup that cannot be saved fails the run with the cause, though
  // the listings it imported stay.
  void Finish(std::string& error_message) noexcept {
    try {
      if (logger_) {
        if (!result_) logger_->Log(error_message);
        logger_->Flush();
      }
    } catch (const std::exception& e) {
      ReportFailure("Writing the import log", e);  // the outcome still goes to the lineup
    }
    system_ = nullptr;  // closes the run's connection
    lineup_.RecordUpdateOutcome(result_, result_ ? std::string() : error_message);
    std::string save_error;
    if (!lineup_.TrySave(&save_error)) {
      const std::string why = "Failed to save the lineup's update status : " + save_error;
      ReportFailure("Saving the lineup after its import", Exception(save_error));
      error_message = result_ ? "The listings were imported, but " + why
                              : error_message + " ; " + why;
      result_ = false;
    }
  }

  Env& env() const { return *services_.env; }

  IImportedLineup& lineup_;
  const std::string library_dir_;
  const ImportServices& services_;
  std::shared_ptr<ILogger> logger_;
  ComPtr<TTVListingsImportSystem> system_;
  bool result_ = false;
};

}  // namespace

bool RunListingsImport(IImportedLineup& lineup, const std::string& library_dir,
                       const ImportServices& services, IMLImportProgress* progress,
                       std::string* error_message) {
  TImportInProgressLock lock(library_dir, lineup.ID());
  try {
    if (!lock.TryAcquire()) {
      *error_message = kImportAlreadyInProgress;
      return false;
    }
  } catch (const std::exception& e) {
    *error_message = std::string("There was an unhandled error during the import : ") + e.what();
    return false;
  }
  TListingsImportRun run(lineup, library_dir, services);
  return run.Run(progress, error_message);
}

}  // namespace kestro
