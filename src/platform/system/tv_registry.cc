#include "platform/system/tv_registry.h"

#include "platform/system/debug_trace.h"
#include "platform/system/paths.h"
#include "platform/text/text.h"

namespace kestro {

ModuleConfig ReadModuleConfig(const RegistryFile& registry) {
  ModuleConfig c;
  c.root_dir = WithTrailingDelimiter(registry.GetString(kTVRegistryKey, "root"));
  c.library_dir = WithTrailingDelimiter(registry.GetString(kTVRegistryKey, "library"));
  c.plugins_dir = WithTrailingDelimiter(registry.GetString(kTVRegistryKey, "plugins"));
  c.data_dir = WithTrailingDelimiter(registry.GetString(kTVRegistryKey, "data"));
  c.themes_dir = c.root_dir + "themes/";
  c.brand_dir = c.root_dir + "brand/";
  c.tuner_config_file = c.data_dir + "tuner-configuration.xml";
  c.debug_output = registry.GetString(kTVRegistryKey, "zqtv") == "vormel";
  int32_t busy = 0;
  if (TryStrToInt(registry.GetString(kTVRegistryKey, "busy-timeout"), &busy) && busy >= 0)
    c.busy_timeout_ms = busy;
  const std::string service_url = Trim(registry.GetString(kTVRegistryKey, "service-url"));
  if (!service_url.empty()) c.service_url = service_url;
  // Arguments are examined from the first onward; the first match decides.
  std::vector<std::string> args = ProcessArguments();
  for (size_t i = 1; i < args.size() && !c.debug_output; ++i)
    c.debug_output = args[i] == kDebugSwitchArgument;
  return c;
}

}  // namespace kestro
