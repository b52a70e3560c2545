// Points the module's start-up configuration at folders of a test: a registry file of its own
// (KESTRO_REGISTRY) naming `library_dir` and dir/data/, where a tuner configuration with
// `tuners` tuners is written. The caller restores KESTRO_REGISTRY if it cares.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/temp_dir.h"
#include "core/registry_info.h"
#include "platform/system/registry_file.h"

namespace kestro::testing {

inline void UseModuleFolders(const TempDir& dir, int tuners, std::string library_dir = {}) {
  if (library_dir.empty()) library_dir = dir / "library/";
  std::filesystem::create_directories(dir / "data");
  // `tuners` tuners for each of the first lineups a test adds.
  std::string config = "<tuner-config>";
  for (int lineup = 1; lineup <= 3; ++lineup) {
    config += "<group lineup=\"" + std::to_string(lineup) + "\">";
    for (int i = 0; i < tuners; ++i) config += "<tuner/>";
    config += "</group>";
  }
  WriteFile(dir / "data/tuner-configuration.xml", config + "</tuner-config>");
  RegistryFile registry;
  registry.SetString(kTVRegistryKey, "library", library_dir);
  registry.SetString(kTVRegistryKey, "data", dir / "data/");
  registry.Save(dir / "registry.reg");
  setenv("KESTRO_REGISTRY", (dir / "registry.reg").c_str(), 1);
  LoadModuleConfig();
}

}  // namespace kestro::testing
