// Listings imports started from the web guide. Each runs on a thread of its own with its own
// system object and connections, as kestro import does in its process: the server's workers, the
// API's thread and the plug-in thread with the recording timers never wait for one. One import
// per lineup at a time. What a page reads while it runs is its progress; once it has ended, the
// report kestro import prints (the statistics of its log) or its error.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "daemon/web_api.h"

namespace kestro::daemon {

class WebImports {
 public:
  // `library_dir`: the module's library folder (with its trailing "/"), where the logs are.
  WebImports(std::string registry_path, std::string library_dir);
  // Cancels the imports still running (they roll back what they saved) and waits for them.
  ~WebImports();
  WebImports(const WebImports&) = delete;
  WebImports& operator=(const WebImports&) = delete;

  // Starts importing the lineup and returns its state. Throws HttpError 409 when an import of
  // it runs already (here, or in another process when `elsewhere` says so).
  Json Start(int32_t lineup_id, bool elsewhere);
  // The lineup's import started here (running or ended), else the lineup's last update with the
  // report of its last log; null when it never was imported.
  Json Current(ITVLineup* lineup) const;

 private:
  struct State;
  struct Run;
  void Import(State& run);
  static Json StateJson(const State& state);

  const std::string registry_path_;
  const std::string library_dir_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<int32_t, std::unique_ptr<Run>> runs_;  // by lineup id
};

// POST and GET /lineups/ID/import.
void AddImportCalls(const AddCall& add, WebImports& imports);

}  // namespace kestro::daemon
