#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "cli/cli.h"
#include "platform/system/paths.h"
#include "platform/system/registry_file.h"
#include "platform/system/tv_registry.h"
#include "platform/text/text.h"

#ifndef KESTRO_LIBDIR
#define KESTRO_LIBDIR "lib"
#endif
#ifndef KESTRO_VERSION
#define KESTRO_VERSION "unknown"
#endif

namespace kestro::cli {

namespace {

const char* kToolUsage = "usage: kestro [--registry FILE] COMMAND [ARGS...]   (kestro --help)";

void PrintToolHelp(std::ostream& out) {
  out << kToolUsage << "\n\n"
      << "The command line of the KestroTV reference host.\n\n"
      << "Global options:\n"
      << "  --registry FILE  the registry file (else $KESTRO_REGISTRY, else "
         "$XDG_CONFIG_HOME/kestro/registry.reg)\n"
      << "  --version        the tool's version\n\n"
      << "Commands:\n";
  size_t width = 0;
  for (const Command& c : Commands()) width = std::max(width, c.name.size());
  for (const Command& c : Commands())
    out << "  " << c.name << std::string(width - c.name.size() + 2, ' ') << c.summary << "\n";
  out << "\nkestro COMMAND --help shows a command's options.\n";
}

// The commands whose first word is `word` ("lineup": lineup add, list, set and delete).
std::vector<const Command*> CommandGroup(const std::string& word) {
  std::vector<const Command*> group;
  for (const Command& c : Commands())
    if (c.name.rfind(word + " ", 0) == 0) group.push_back(&c);
  return group;
}

void PrintGroupHelp(std::ostream& out, const std::vector<const Command*>& group) {
  for (const Command* c : group) out << "  " << c->usage << "\n      " << c->summary << "\n";
  out << "\nkestro COMMAND --help shows a command's options.\n";
}

// The command whose words begin the arguments (the longest match).
const Command* FindCommand(const std::vector<std::string>& args, size_t* words) {
  const Command* best = nullptr;
  size_t best_words = 0;
  for (const Command& c : Commands()) {
    std::vector<std::string> parts = Split(c.name, ' ');
    if (parts.size() > args.size() || parts.size() <= best_words) continue;
    if (std::equal(parts.begin(), parts.end(), args.begin())) {
      best = &c;
      best_words = parts.size();
    }
  }
  *words = best_words;
  return best;
}

}  // namespace

const std::vector<Command>& Commands() {
  static const std::vector<Command> all = [] {
    std::vector<Command> commands;
    for (auto group : {SetupCommands, TunerCommands, LineupCommands, ChannelCommands,
                       GuideCommands, ScheduleCommands, RuleCommands, ImportCommands,
                       StatusCommands, RecordingCommands}) {
      std::vector<Command> more = group();
      commands.insert(commands.end(), more.begin(), more.end());
    }
    return commands;
  }();
  return all;
}

std::string FindLibraryFile(const std::string& file_name, const char* override_variable) {
  namespace fs = std::filesystem;
  if (const char* env = std::getenv(override_variable); env && *env) return env;
  fs::path exe_dir = fs::path(ExecutablePath()).parent_path();
  for (const fs::path& candidate :
       {exe_dir / file_name, exe_dir / ".." / KESTRO_LIBDIR / file_name,
        exe_dir / ".." / "lib" / file_name}) {
    std::error_code ec;
    if (fs::exists(candidate, ec)) return fs::canonical(candidate, ec).string();
  }
  return {};
}

int RunTool(const std::vector<std::string>& all_args, std::ostream& out, std::ostream& err) {
  // Global options may stand anywhere; the debug-switch argument is left for the module to see.
  std::vector<std::string> args;
  std::string registry_path;
  for (size_t i = 0; i < all_args.size(); ++i) {
    const std::string& a = all_args[i];
    if (a == "--registry") {
      if (i + 1 >= all_args.size()) {
        err << "kestro: option --registry needs a value\n" << kToolUsage << "\n";
        return kExitUsage;
      }
      registry_path = all_args[++i];
    } else if (a.rfind("--registry=", 0) == 0) {
      registry_path = a.substr(11);
    } else if (a != kDebugSwitchArgument) {
      args.push_back(a);
    }
  }
  if (!registry_path.empty()) {
    registry_path = std::filesystem::absolute(registry_path).string();
    setenv("KESTRO_REGISTRY", registry_path.c_str(), 1);  // the module reads the same file
  } else {
    registry_path = RegistryFile::DefaultPath();
  }

  if (!args.empty() && args[0] == "--version") {
    out << "kestro " << KESTRO_VERSION << "\n";
    return kExitOk;
  }
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    if (args.empty()) {
      err << kToolUsage << "\n";
      return kExitUsage;
    }
    PrintToolHelp(out);
    return kExitOk;
  }
  size_t words = 0;
  const Command* command = FindCommand(args, &words);
  if (!command) {
    // A command group's word alone ("kestro lineup --help") lists the group's commands.
    const std::vector<const Command*> group = CommandGroup(args[0]);
    const bool help = args.size() > 1 && (args[1] == "--help" || args[1] == "-h");
    if (!group.empty() && (args.size() == 1 || help)) {
      if (!help) err << "kestro " << args[0] << ": missing what to do; one of:\n";
      PrintGroupHelp(help ? out : err, group);
      return help ? kExitOk : kExitUsage;
    }
    const std::string typed = group.empty() ? args[0] : args[0] + " " + args[1];
    err << "kestro: unknown command \"" << typed << "\"\n" << kToolUsage << "\n";
    return kExitUsage;
  }
  CommandContext ctx{registry_path, {args.begin() + words, args.end()}, out, err};
  for (const std::string& a : ctx.args) {
    if (a == "--help" || a == "-h") {
      out << "usage: " << command->usage << "\n\n" << command->summary << "\n";
      if (!command->help.empty()) out << "\n" << command->help;
      return kExitOk;
    }
  }
  try {
    return command->run(ctx);
  } catch (const host::InputError& e) {  // UsageError, or the host's option checks

    err << "kestro " << command->name << ": " << e.what() << "\nusage: " << command->usage << "\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    err << "kestro " << command->name << ": " << e.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace kestro::cli
