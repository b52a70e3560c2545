// The kestro tool: commands of the reference host's command line.
//
// Exit codes: 0 success, 1 the operation failed (message on standard error), 2 a usage error
// (unknown command or bad argument, with the command's usage line).
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/args.h"

namespace kestro::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct CommandContext {
  std::string registry_path;      // the registry file in use (also in KESTRO_REGISTRY)
  std::vector<std::string> args;  // the arguments after the command's words
  std::ostream& out;
  std::ostream& err;
};

struct Command {
  std::string name;     // one or more words: "setup", "lineup add"
  std::string usage;    // "kestro setup [--root DIR] [--tuners N]"
  std::string summary;  // one line for the command list
  std::string help;     // the options explained
  std::function<int(CommandContext&)> run;
};

// Every command of the tool, in the order of the help text.
const std::vector<Command>& Commands();

// The command groups, one per commands_*.cc file.
std::vector<Command> SetupCommands();
std::vector<Command> LineupCommands();
std::vector<Command> ChannelCommands();
std::vector<Command> GuideCommands();
std::vector<Command> ScheduleCommands();
std::vector<Command> RuleCommands();
std::vector<Command> ImportCommands();
std::vector<Command> StatusCommands();
std::vector<Command> TunerCommands();
std::vector<Command> RecordingCommands();

// Runs the tool with argv[1..]; returns the exit code.
int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A library file next to this program (build tree) or in its library folder (installed), by
// file name ("libKestroTV.so"); `override_variable` names an environment variable that overrides
// it. "" when none is found.
std::string FindLibraryFile(const std::string& file_name, const char* override_variable);
// The module: libKestroTV.so, or $KESTRO_MODULE.
inline std::string FindModuleFile() { return FindLibraryFile("libKestroTV.so", "KESTRO_MODULE"); }

}  // namespace kestro::cli
