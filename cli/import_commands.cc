// kestro import | import-log: run a lineup's listings import with the host's progress, and show
// the log of its last import.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/session.h"
#include "host/import_progress.h"
#include "platform/system/registry_file.h"
#include "platform/system/tv_registry.h"
#include "platform/text/text.h"

namespace kestro::cli {

namespace {

namespace fs = std::filesystem;

// The import logs of a lineup below the library directory of the registry in use, oldest first
// (the module names them "tv/logs/listings.<id>.<yyyy-mm-dd-hh-nn-ss>.log").
std::vector<std::string> ImportLogs(const CommandContext& ctx, int32_t lineup_id) {
  const ModuleConfig config = SetUpConfig(ctx.registry_path);
  const fs::path dir = config.library_dir + "tv/logs";
  const std::string prefix = Format("listings.%d.", lineup_id);
  std::vector<std::string> logs;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - 4, 4, ".log") == 0 &&
        name.find('.', prefix.size()) == name.size() - 4)
      logs.push_back(it->path().string());
  }
  std::sort(logs.begin(), logs.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  return logs;
}

// The lines of a log file without their CR LF ends.
std::vector<std::string> ReadLogLines(const std::string& file_name) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) throw Exception("Failed to read the import log \"" + file_name + "\"");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The closing lines of a run's log, from their "Channel stats" / "Program stats" on, and what
// was left out of the programmes and why.
std::vector<std::string> StatisticsOf(const std::string& log_file) {
  std::vector<std::string> stats;
  for (const std::string& line : ReadLogLines(log_file)) {
    for (const char* marker :
         {"Channel stats : ", "Program stats : ", "Programs stored : ", "Left out : "}) {
      if (size_t at = line.find(marker); at != std::string::npos) stats.push_back(line.substr(at));
    }
  }
  return stats;
}

int32_t LineupID(ITVLineup* lineup) { return Get(lineup, &ITVLineup::get_ID); }

int RunImport(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {"quiet"});
  const std::string& id_text = args.Positional(0, "lineup id");
  args.ExpectAtMost(1);
  const bool quiet = args.Flag("quiet");

  Session session(ctx);
  ComPtr<ITVLineup> lineup = session.FindLineup(id_text);
  const int32_t id = LineupID(lineup.Get());
  const std::vector<std::string> logs_before = ImportLogs(ctx, id);

  // A terminal gets the bar only when the tool writes to the real standard output.
  const host::THostImportProgress::Style style =
      &ctx.out == &std::cout ? host::THostImportProgress::StyleFor(STDOUT_FILENO, quiet)
      : quiet                ? host::THostImportProgress::Style::kQuiet
                             : host::THostImportProgress::Style::kLines;
  std::string error;
  bool ok = false;
  {
    host::ScopedInterruptCancel interrupt;
    ComPtr<host::THostImportProgress> progress = MakeObject<host::THostImportProgress>(
        ctx.out, style, &host::ScopedInterruptCancel::Flag());
    const HRESULT hr = lineup->ImportListings(progress.Get(), &error, &ok);
    progress->Finish();
    CheckHResult(hr);
  }

  // This run's log is the newest one that was not there before (a refused run writes none).
  std::string log_file;
  const std::vector<std::string> logs_after = ImportLogs(ctx, id);
  const std::set<std::string> before(logs_before.begin(), logs_before.end());
  for (auto it = logs_after.rbegin(); it != logs_after.rend() && log_file.empty(); ++it)
    if (!before.count(*it)) log_file = *it;

  if (!ok) {
    ctx.err << "kestro import: " << error << "\n";
    if (!log_file.empty()) ctx.err << "Log: " << log_file << "\n";
    return kExitFailed;
  }
  if (!log_file.empty()) {
    for (const std::string& line : StatisticsOf(log_file)) ctx.out << line << "\n";
    ctx.out << "Log: " << log_file << "\n";
  }
  return kExitOk;
}

int RunImportLog(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {});
  const std::string& id_text = args.Positional(0, "lineup id");
  args.ExpectAtMost(1);

  Session session(ctx);
  const int32_t id = LineupID(session.FindLineup(id_text).Get());
  const std::vector<std::string> logs = ImportLogs(ctx, id);
  if (logs.empty()) throw Exception(Format("Lineup %d has no import log yet", id));
  for (const std::string& line : ReadLogLines(logs.back())) ctx.out << line << "\n";
  return kExitOk;
}

}  // namespace

std::vector<Command> ImportCommands() {
  return {
      {"import", "kestro import ID [--quiet]",
       "import a lineup's listings now; prints the statistics, the programmes left out and why, "
       "and the log file",
       "  --quiet   no progress output\n"
       "Ctrl-C cancels the import: everything it saved is rolled back.\n",
       RunImport},
      {"import-log", "kestro import-log ID", "print the log of a lineup's last import", "",
       RunImportLog},
  };
}

}  // namespace kestro::cli
