// kestrod [--registry FILE] [--debug]
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "daemon/daemon.h"
#include "platform/system/registry_file.h"

namespace {

constexpr const char* kUsage = "usage: kestrod [--registry FILE] [--debug]";

void PrintHelp() {
  std::cout << kUsage << "\n\n"
            << "The KestroTV daemon: runs the recordings of the installation set up with\n"
            << "\"kestro setup\" until SIGTERM or SIGINT, then stops them cleanly.\n\n"
            << "  --registry FILE  the registry file (else $KESTRO_REGISTRY, else\n"
            << "                   $XDG_CONFIG_HOME/kestro/registry.reg)\n"
            << "  --debug          copy the log to standard error\n";
}

}  // namespace

int main(int argc, char** argv) {
  kestro::daemon::DaemonOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      PrintHelp();
      return 0;
    } else if (arg == "--debug") {
      options.debug = true;
    } else if (arg == "--registry" && i + 1 < argc) {
      options.registry_path = argv[++i];
    } else if (arg.rfind("--registry=", 0) == 0) {
      options.registry_path = arg.substr(11);
    } else {
      std::cerr << "kestrod: unknown argument \"" << arg << "\"\n" << kUsage << "\n";
      return 2;
    }
  }
  options.registry_path = options.registry_path.empty()
                              ? kestro::RegistryFile::DefaultPath()
                              : std::filesystem::absolute(options.registry_path).string();
  setenv("KESTRO_REGISTRY", options.registry_path.c_str(), 1);  // the module reads the same file
  return kestro::daemon::RunDaemon(options, std::cerr);
}
