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
  std::string config = "<tuner-config><group lineup=\"1\">";
  for (int i = 0; i < tuners; ++i) config += "<tuner/>";
  WriteFile(dir / "data/tuner-configuration.xml", config + "</group></tuner-config>");
  RegistryFile registry;
  registry.SetString(kTVRegistryKey, "library", library_dir);
  registry.SetString(kTVRegistryKey, "data", dir / "data/");
  registry.Save(dir / "registry.reg");
  setenv("KESTRO_REGISTRY", (dir / "registry.reg").c_str(), 1);
  LoadModuleConfig();
}

}  // namespace kestro::testing
