// The TV key of the registry: the directories the host's set-up writes and the module reads when
// it is loaded, under "HKEY_LOCAL_MACHINE\Software\Lumavo\TV".
#pragma once

#include <cstdint>
#include <string>

#include "platform/system/registry_file.h"

namespace kestro {

constexpr const char* kTVRegistryKey = "HKEY_LOCAL_MACHINE\\Software\\Lumavo\\TV";
// A process argument "-{5D0B7E21-...}" turns debug output on.
constexpr const char* kDebugSwitchArgument = "-{5D0B7E21-9C4A-4F3E-A8B2-6E1F0C9D7A34}";

constexpr int32_t kDefaultBusyTimeoutMillis = 30000;
// Where the listings service plug-in asks for its archives unless the lineup or the registry
// value "service-url" names another endpoint (scheme, host and optional port).
constexpr const char* kDefaultServiceUrl = "https://listings.kestrotv.org";

struct ModuleConfig {
  std::string root_dir;  // each with a trailing "/" ("/" when the value is missing)
  std::string library_dir;
  std::string plugins_dir;
  std::string data_dir;
  std::string themes_dir;         // root + "themes/"
  std::string brand_dir;          // root + "brand/"
  std::string tuner_config_file;  // data + "tuner-configuration.xml"
  // The value "zqtv" is "vormel", or a process argument is kDebugSwitchArgument.
  bool debug_output = false;
  // How long a connection waits for another connection's write lock before its write fails as
  // busy: the value "busy-timeout" in milliseconds (0 = fail at once), default 30 seconds, long
  // enough for an import of a fortnight's listings to finish writing.
  int32_t busy_timeout_ms = kDefaultBusyTimeoutMillis;
  // The listings service's endpoint: the value "service-url", else kDefaultServiceUrl.
  std::string service_url = kDefaultServiceUrl;
};

// Reads the values; a missing key or value reads as empty.
ModuleConfig ReadModuleConfig(const RegistryFile& registry);

}  // namespace kestro
