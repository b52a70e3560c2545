// ITVListingsUpdateSession: the module-internal side of one import run, held by the new-channel
// and new-program objects of that run. It is not in the type library (no automation): a plain
// IUnknown whose operations are C++ calls that throw on failure.
//
// Everything a session hands out belongs to the import's thread. All writes of the run go into
// the one transaction the import keeps open on GetDatabase() while the plug-in saves.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "import/import_report.h"
#include "kestro/com.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_programs.h"
#include "kestro/tv_schedules.h"
#include "listings/program_writer.h"
#include "storage/db.h"
#include "support/logger.h"

namespace kestro {

class TTVListings;
class TTVScheduler;

// What the saves of a run remember between programmes, so that a programme costs no lookup of
// its channel or of its names. Forgotten whole when a channel is saved or a save is undone.
struct ImportLookups {
  struct Channel {
    int32_t id = 0;
    std::string external_id;
    bool wanted = true;
  };
  std::unordered_map<std::string, Channel> channels;  // by external id
  ProgramNameIds names;
  // Seconds no stored programme outlasts: read at the run's first overlap search and raised by
  // each programme the run writes, so that it bounds that search. An undone save leaves it
  // raised, still an upper bound; Forget keeps it. None: no bound known.
  std::optional<int32_t> longest_program;
  bool longest_program_read = false;
  void Forget() {
    channels.clear();
    names.Clear();
  }
};

struct ITVListingsUpdateSession : IUnknown {
  static constexpr GUID kIID = MakeGuid("{2552BE73-B869-47B9-885D-67F1C22793D3}");
  using Base = IUnknown;

  // The lineup's listings database, the connection of the run.
  virtual DBPtr GetDatabase() = 0;
  // The listings object of the run (on GetDatabase()).
  virtual ComPtr<ITVListings> GetListings() = 0;
  // The scheduler of that listings object.
  virtual ComPtr<TTVScheduler> GetScheduler() = 0;
  // The run's logger (the import's log file).
  virtual std::shared_ptr<ILogger> GetLogger() = 0;

  // Statistics of the run; each call adds one to its counter.
  virtual void ChannelAdded() = 0;
  virtual void ChannelUpdated() = 0;
  virtual void ChannelFailed() = 0;
  virtual void ChannelRejected() = 0;
  virtual void ProgramAdded() = 0;
  virtual void ProgramSkipped() = 0;
  virtual void ProgramUpdated() = 0;
  virtual void ProgramDeleted() = 0;
  virtual void ProgramFailed() = 0;

  // What became of the programmes of the run's sources, for its closing lines.
  virtual ImportReport& Report() = 0;
  // A save that failed in the database itself, not for a fault of what it saved, or that failed
  // halfway with nothing to undo its writes alone, records its message here: the import cannot
  // go on. Empty while no save did.
  virtual void DatabaseFailed(const std::string& message) = 0;
  virtual const std::string& DatabaseFailure() const = 0;

  // Old programmes whose recording schedule a save deleted; finalization re-schedules them.
  // Add to it through ITVProgramList.Add.
  virtual ComPtr<ITVProgramList> GetRelocationList() = 0;

  // Module-internal convenience beyond the interface's slots: the listings object as its class,
  // for searches without the COM layer. Same object as GetListings().
  virtual TTVListings& ListingsObject() = 0;
  virtual ImportLookups& Lookups() = 0;
};

}  // namespace kestro
