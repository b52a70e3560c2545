// The module configuration of a benchmark run: a folder of its own under the temporary
// directory with a registry file naming it as library and data folder, a tuner configuration of
// `tuners` tuners for lineup 1, and the run's Env, whose clock stands still at a given moment.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/fake_env.h"
#include "core/registry_info.h"
#include "platform/system/registry_file.h"
#include "platform/system/tv_registry.h"
#include "platform/text/text.h"

namespace kestro::bench {

// Answers the run's folder, "<temp>/<name>-<pid>".
inline std::string UseBenchFolders(const std::string& name, int tuners) {
  const std::string dir =
      (std::filesystem::temp_directory_path() / Format("%s-%d", name.c_str(), getpid())).string();
  std::filesystem::create_directories(dir + "/data");
  std::string config = "<tuner-config><group lineup=\"1\">";
  for (int i = 0; i < tuners; ++i) config += "<tuner/>";
  std::ofstream(dir + "/data/tuner-configuration.xml") << config << "</group></tuner-config>";
  RegistryFile registry;
  registry.SetString(kTVRegistryKey, "library", dir + "/");
  registry.SetString(kTVRegistryKey, "data", dir + "/data/");
  registry.Save(dir + "/registry.reg");
  setenv("KESTRO_REGISTRY", (dir + "/registry.reg").c_str(), 1);
  LoadModuleConfig();
  return dir;
}

// The Env of a run: the machine's files, and a clock standing at `now`.
inline std::shared_ptr<Env> EnvAt(OleDate now) {
  return std::make_shared<testing::FakeEnv>(now);
}

}  // namespace kestro::bench
