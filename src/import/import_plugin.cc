#include "import/import_plugin.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

#include "import/xmltv_plugin.h"
#include "platform/exception.h"

namespace kestro {

HRESULT TTVListingsImportPlugin::Import(IKestroItem* properties,
                                        ITVListingsImportSystem* import_system,
                                        std::string* error_message, bool* result) {
  if (!error_message) return E_POINTER;
  return FrameValue(result, [&] {
    if (!import_system) throw Exception("No listings import system was given to the plugin");
    std::string message;
    const bool ok = RunImport(properties, *import_system, message);
    *error_message = ok ? std::string() : std::move(message);
    return ok;
  });
}

namespace {

// Plug-ins registered by tests, newest last.
struct Override {
  size_t token;
  std::string plugin_id;
  TTVListingsImportPluginFactory::Maker maker;
};

std::mutex& OverrideMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<Override>& Overrides() {
  static std::vector<Override> overrides;
  return overrides;
}

// The plug-ins of the module by id. The listings service and XMLTV plug-ins are made here once
// they exist; until then their ids make no plug-in.
struct BuiltInPlugin {
  std::string_view plugin_id;
  ComPtr<ITVListingsImportPlugin> (*make)();
};
constexpr BuiltInPlugin kBuiltInPlugins[] = {
    {kListingsServicePluginID, nullptr},
    {kXMLTVPluginID, &MakeXMLTVListingsWizard},
};

ComPtr<ITVListingsImportPlugin> MakeBuiltInPlugin(std::string_view plugin_id) {
  for (const BuiltInPlugin& p : kBuiltInPlugins)
    if (p.plugin_id == plugin_id && p.make) return p.make();
  return nullptr;
}

}  // namespace

ComPtr<ITVListingsImportPlugin> TTVListingsImportPluginFactory::CreatePlugin(
    std::string_view plugin_id) {
  Maker maker;
  {
    std::lock_guard<std::mutex> lock(OverrideMutex());
    for (auto it = Overrides().rbegin(); it != Overrides().rend(); ++it) {
      if (it->plugin_id == plugin_id) {
        maker = it->maker;
        break;
      }
    }
  }
  if (maker) return maker();
  return MakeBuiltInPlugin(plugin_id);
}

TTVListingsImportPluginFactory::ScopedOverride::ScopedOverride(std::string plugin_id,
                                                               Maker maker) {
  static size_t next_token = 0;
  std::lock_guard<std::mutex> lock(OverrideMutex());
  token_ = ++next_token;
  Overrides().push_back({token_, std::move(plugin_id), std::move(maker)});
}

TTVListingsImportPluginFactory::ScopedOverride::~ScopedOverride() {
  std::lock_guard<std::mutex> lock(OverrideMutex());
  std::erase_if(Overrides(), [&](const Override& o) { return o.token == token_; });
}

}  // namespace kestro
