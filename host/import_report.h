// What a listings import leaves behind for the host to show: its log files (the module names them
// "tv/logs/listings.<lineup id>.<yyyy-mm-dd-hh-nn-ss>.log" below the library folder) and the
// closing lines of a run's log, as kestro import and the web guide report them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestro::host {

// The import logs of a lineup below `library_dir` (with its trailing "/"), oldest first.
std::vector<std::string> ImportLogs(const std::string& library_dir, int32_t lineup_id);

// The newest of `after` that is not in `before`: the log of the run between the two listings, or
// "" when that run wrote none (a refused run).
std::string NewImportLog(const std::vector<std::string>& before,
                         const std::vector<std::string>& after);

// The lines of a log file without their CR LF ends. Throws Exception when it cannot be read.
std::vector<std::string> ReadImportLog(const std::string& file_name);

// A run's report: its "Channel stats" / "Program stats" / "Programs stored" lines and what was
// left out of the programmes and why ("Left out : ...").
std::vector<std::string> ImportReport(const std::string& log_file);

}  // namespace kestro::host
