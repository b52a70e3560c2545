// kestro import | import-log: run a lineup's listings import with the host's progress, and show
// the log of its last import.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/session.h"
#include "host/import_progress.h"
#include "host/import_report.h"
#include "platform/text/text.h"

namespace kestro::cli {

namespace {

// The import logs of a lineup below the library directory of the registry in use.
std::vector<std::string> ImportLogs(const CommandContext& ctx, int32_t lineup_id) {
  return host::ImportLogs(SetUpConfig(ctx.registry_path).library_dir, lineup_id);
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
  const std::string log_file = host::NewImportLog(logs_before, ImportLogs(ctx, id));

  if (!ok) {
    ctx.err << "kestro import: " << error << "\n";
    if (!log_file.empty()) ctx.err << "Log: " << log_file << "\n";
    return kExitFailed;
  }
  if (!log_file.empty()) {
    for (const std::string& line : host::ImportReport(log_file)) ctx.out << line << "\n";
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
  for (const std::string& line : host::ReadImportLog(logs.back())) ctx.out << line << "\n";
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
