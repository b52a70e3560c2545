// The listings import run of one lineup (ITVLineup.ImportListings): the in-progress lock, the
// run's log file and its retention, the clean-up of temporary files and of programmes that are
// over, the plug-in's import inside one transaction, finalization or rollback, and the lineup's
// record of the outcome.
//
// Files, below the library directory L (with its trailing "/"):
//   L + "tv/logs/listings.<lineup id>.<yyyy-mm-dd-hh-nn-ss>.log"  one log per run, 14 kept + 1
//   L + "tv/temp/"                                                 plug-ins' temporary files
// In-progress lock: an open-file-description lock on L + "tv/kestro.lineup.import-in-progress.<id>". It is held exactly while a run is going on, in whatever process;
// the kernel drops it when the holder exits, so a crashed import never leaves it set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/kestro_object.h"
#include "import/import_plugin.h"
#include "import/import_system.h"
#include "kestro/host.h"
#include "platform/env/env.h"
#include "platform/system/unique_fd.h"
#include "support/logger.h"

namespace kestro {

// The lineup an import runs for, as the run needs it; the lineups layer implements it.
class IImportedLineup {
 public:
  virtual ~IImportedLineup() = default;
  virtual int32_t ID() const = 0;
  virtual const std::string& PluginID() const = 0;
  // The plug-in's properties, handed to it as they are.
  virtual IKestroItem& PluginProperties() = 0;
  virtual std::string ListingsFileName() const = 0;
  // A run started at `time` and has not succeeded (yet); the status stays as it was.
  virtual void RecordUpdateStart(OleDate time) = 0;
  // The run's outcome; `status` is "" for a success.
  virtual void RecordUpdateOutcome(bool ok, const std::string& status) = 0;
  // Writes the lineup; false with the message in *error.
  virtual bool TrySave(std::string* error) = 0;
};

// Log lines and messages of a run, as they stand in the log and in ErrorMessage.
inline constexpr const char* kImportCanceled = "canceled";
// ErrorMessage of a run refused because the lineup is being imported already (by this or another
// process); such a run changes nothing, not even the lineup's last-update fields.
inline constexpr const char* kImportAlreadyInProgress =
    "A listings import of this lineup is already in progress";

// Paths of a run below the library directory `library_dir` (with its trailing "/").
std::string ImportLogDirectory(const std::string& library_dir);  // L + "tv/logs"
std::string ImportLogFileName(const std::string& library_dir, int32_t lineup_id, OleDate start);
std::string ImportTemporaryDirectory(const std::string& library_dir);  // L + "tv/temp/"
// `file_name` when no file has it, else the first free "<name without .log>_NN.log" (NN from 02):
// runs started in the same second keep their own logs, and the names still sort oldest first.
std::string UnusedLogFileName(Env& env, const std::string& file_name);

// The log files of a lineup in `log_dir` ("listings.<id>.*.log"), sorted by name ignoring case
// (oldest first). Full paths.
std::vector<std::string> ListImportLogs(Env& env, const std::string& log_dir, int32_t lineup_id);
// Deletes the oldest logs of the lineup until at most `keep` remain.
void PruneImportLogs(Env& env, const std::string& log_dir, int32_t lineup_id, size_t keep = 14);
// Deletes every file below `dir` (recursively) last written more than 23 hours before the Env's
// now. Failures are ignored.
void DeleteOldTemporaryFiles(Env& env, const std::string& dir);

// The in-progress lock of one lineup. A lock object holds at most one lock; the lock goes with
// the object (or the process).
class TImportInProgressLock {
 public:
  // The lock of `lineup_id` among the lineups whose files lie below `library_dir`.
  TImportInProgressLock(std::string library_dir, int32_t lineup_id)
      : library_dir_(std::move(library_dir)), lineup_id_(lineup_id) {}
  TImportInProgressLock(const TImportInProgressLock&) = delete;
  TImportInProgressLock& operator=(const TImportInProgressLock&) = delete;

  // library_dir + "tv/kestro.lineup.import-in-progress.<id>": the installation's own, so two
  // installations on one machine never block each other.
  static std::string FileName(const std::string& library_dir, int32_t lineup_id);
  // Takes the lock without waiting; false when anyone else (another process, or another lock
  // object of this process) holds it. Throws when the lock file cannot be opened.
  bool TryAcquire();
  void Release();
  bool Held() const { return fd_.valid(); }
  // Whether anyone holds the lock of the lineup; false for an id of 0 or less (nothing is
  // created then) and when the lock file cannot be opened.
  static bool IsHeld(const std::string& library_dir, int32_t lineup_id);

 private:
  const std::string library_dir_;
  const int32_t lineup_id_;
  UniqueFd fd_;  // closing it drops the lock
};

// The progress of an import when the host gives none: ignores everything and always answers
// "go on".
class TNoProgress : public TKestroIntfObject<IMLImportProgress> {
 public:
  TNoProgress() : TKestroIntfObject<IMLImportProgress>(true) {}
  HRESULT ReportProgress(int32_t percent, const std::string& status, bool* go_on) override;
};

// Begins the run's transaction, deletes the programmes that ended more than 2 hours ago (with
// their details, genres, words and people) in it, commits and begins the transaction in which
// the plug-in saves. False (rolled back, the cause in *why) when a step after the first failed; a
// failure to begin the first transaction is thrown.
bool LockAndCleanUp(TTVListingsImportSystem& import_system, std::string* why = nullptr);
// Rolls back the run's open transaction.
void RollbackImport(TTVListingsImportSystem& import_system);
// "Channel stats : ..." and "Program stats : ..." lines, then the report's lines when a plug-in
// filled it.
void LogStats(ILogger& logger, const ImportStats& stats, const ImportReport& report);

// Runs a whole import of `lineup` synchronously (ITVLineup.ImportListings) with the logs and
// temporary files below `library_dir`, the plug-in and the Env of `services`. Records the outcome
// in the lineup's last-update fields and saves the lineup at the end of every run that started.
// Answers true on success; otherwise false with *error_message saying why, also when the listings
// were imported but the lineup could not be saved ("The listings were imported, but ..."). Never
// throws.
bool RunListingsImport(IImportedLineup& lineup, const std::string& library_dir,
                       const ImportServices& services, IMLImportProgress* progress,
                       std::string* error_message);

}  // namespace kestro
