#include "import/import_plugin.h"

#include <utility>

#include "import/service_plugin.h"
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

void TTVListingsImportPlugin::BeginRun(ITVListingsImportSystem& import_system) {
  log_.Reset();
  progress_.Reset();
  CheckHResult(import_system.get_Log(log_.ReleaseAndGetAddressOf()));
  CheckHResult(import_system.get_Progress(progress_.ReleaseAndGetAddressOf()));
}

void TTVListingsImportPlugin::Log(const std::string& line) {
  if (log_) CheckHResult(log_->WriteLine(line));
}

void TTVListingsImportPlugin::Progress(int32_t percent, const std::string& message) {
  if (!progress_) return;
  bool go_on = true;
  CheckHResult(progress_->ReportProgress(percent, message, &go_on));
  if (!go_on) throw EImportStopped("canceled");
}

std::string PluginProperty(IKestroItem* properties, const char* name) {
  if (!properties) return {};
  Variant value;
  CheckHResult(properties->GetValue(name, Variant(), &value));
  return VarToStr(value);
}

TTVListingsImportPluginFactory TTVListingsImportPluginFactory::BuiltIn() {
  TTVListingsImportPluginFactory factory;
  factory.Set(std::string(kXMLTVPluginID), &MakeXMLTVListingsWizard);
  factory.Set(std::string(kListingsServicePluginID), &MakeTribuneListingsWizard);
  return factory;
}

ImportServices ImportServices::WithBuiltInPlugins(std::shared_ptr<Env> env) {
  return {std::move(env), std::make_shared<const TTVListingsImportPluginFactory>(
                              TTVListingsImportPluginFactory::BuiltIn())};
}

void TTVListingsImportPluginFactory::Set(std::string plugin_id, Maker maker) {
  makers_[std::move(plugin_id)] = std::move(maker);
}

ComPtr<ITVListingsImportPlugin> TTVListingsImportPluginFactory::CreatePlugin(
    std::string_view plugin_id, const std::shared_ptr<Env>& env) const {
  auto it = makers_.find(plugin_id);
  return it != makers_.end() && it->second ? it->second(env) : nullptr;
}

}  // namespace kestro
