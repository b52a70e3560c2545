// The files through which kestrod speaks to other processes of its installation, all in the root
// folder that "kestro setup" made:
//   kestrod.lock         held (an open-file-description lock) while a daemon runs; holds its pid
//   kestrod-status.json  what the daemon records and each tuner's status item, rewritten (under a
//                        temporary name, then renamed) whenever either changes:
//     {"pid": 123, "updated": "2024-05-01 20:00:01",
//      "properties": {"tv.recording-status.tuner-1": {"status": "RECORDING", ...}, ...},
//      "recordings": [{"lineup-id": 1, "tuner-id": 1, "schedule-id": 5, "caption": "News",
//                      "file": "/.../News.ts", "start-time": "...", "end-time": "..."}]}
//   Dates are local "yyyy-mm-dd hh:nn:ss" text.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/tuners/recorder.h"
#include "kestro/variant.h"
#include "platform/system/unique_fd.h"

namespace kestro::host {

std::string DaemonLockFile(const std::string& root_dir);
std::string DaemonStatusFile(const std::string& root_dir);

// One daemon per installation.
class InstanceLock {
 public:
  // Takes the lock and writes this process's id into the file. When another process holds it,
  // returns nullopt and sets *holder to that process's id (0 when unknown). Throws Exception
  // when the file cannot be opened.
  static std::optional<InstanceLock> TryAcquire(const std::string& file, pid_t* holder);
  // The id of the process holding the lock on `file`, or nullopt when none does.
  static std::optional<pid_t> Holder(const std::string& file);

 private:
  explicit InstanceLock(UniqueFd fd) : fd_(std::move(fd)) {}
  UniqueFd fd_;  // closing it drops the lock
};

struct DaemonStatus {
  pid_t pid = 0;
  std::string updated;
  // Run-time property name -> its values.
  std::map<std::string, std::vector<std::pair<std::string, Variant>>> properties;
  std::vector<RecordingRequest> recordings;
};

// Writes `status` to `file` through a temporary file renamed over it. Throws Exception.
void WriteDaemonStatus(const std::string& file, const DaemonStatus& status);
// Reads what WriteDaemonStatus wrote: property values come back as numbers, Booleans or text.
// Throws Exception naming the file when it cannot be read or parsed.
DaemonStatus ReadDaemonStatus(const std::string& file);

}  // namespace kestro::host
