// Import plug-ins: the base class of every plug-in and the factory that makes one from a lineup's
// plug-in id.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/kestro_object.h"
#include "kestro/tv_import.h"
#include "platform/env/env.h"
#include "platform/exception.h"

namespace kestro {

// The plug-in ids a lineup names in its PluginID (compared exactly, letter case counts).
inline constexpr std::string_view kListingsServicePluginID =
    "{ED730335-60B1-466C-8862-221A2160A810}";
inline constexpr std::string_view kXMLTVPluginID = "{B20AD294-96B6-4EE5-8A54-5CC4469C319F}";

// A failure of a plug-in's run whose message is the run's whole message ("canceled" among them).
KESTRO_DECLARE_EXCEPTION(EImportStopped, Exception);

// Base of the plug-ins: ITVListingsImportPlugin.Import forwards to RunImport inside the error
// frame, so an exception of RunImport fails the call (E_UNEXPECTED with its message).
class TTVListingsImportPlugin : public TKestroTVObject<ITVListingsImportPlugin> {
 public:
  HRESULT Import(IKestroItem* properties, ITVListingsImportSystem* import_system,
                 std::string* error_message, bool* result) final;

 protected:
  // The plug-in's work. True when it saved its listings; otherwise false with `error_message`
  // saying why, exactly "canceled" when the progress answered false. `properties` may be null.
  virtual bool RunImport(IKestroItem* properties, ITVListingsImportSystem& import_system,
                         std::string& error_message) = 0;

  // Takes the run's log and progress from `import_system`; RunImport calls it first.
  void BeginRun(ITVListingsImportSystem& import_system);
  // Writes a line to the run's log.
  void Log(const std::string& line);
  // Reports progress; throws EImportStopped("canceled") when the host answers "stop".
  void Progress(int32_t percent, const std::string& message);
  // The run's progress, or null.
  IMLImportProgress* RunProgress() const { return progress_.Get(); }

 private:
  ComPtr<IKestroLog> log_;
  ComPtr<IMLImportProgress> progress_;
};

// The text of the plug-in property `name`; empty when there are no properties or no such value.
std::string PluginProperty(IKestroItem* properties, const char* name);

// The plug-ins an import can run, by id. The module's system object holds the built-in set and
// passes it down with its Env; tests pass a set of their own.
class TTVListingsImportPluginFactory {
 public:
  // Makes a plug-in that reaches the outside world through `env`.
  using Maker = std::function<ComPtr<ITVListingsImportPlugin>(const std::shared_ptr<Env>& env)>;

  // The module's plug-ins: XMLTV and the listings download service.
  static TTVListingsImportPluginFactory BuiltIn();

  // From now on `plugin_id` answers with what `maker` makes (a maker returning null stands for an
  // unknown id), whatever answered it before.
  void Set(std::string plugin_id, Maker maker);

  // A new plug-in for the id, or null for an id no plug-in answers to.
  ComPtr<ITVListingsImportPlugin> CreatePlugin(std::string_view plugin_id,
                                               const std::shared_ptr<Env>& env) const;

 private:
  std::map<std::string, Maker, std::less<>> makers_;
};

// What an import takes from the system object above it: the Env and the plug-ins.
struct ImportServices {
  std::shared_ptr<Env> env;
  std::shared_ptr<const TTVListingsImportPluginFactory> plugins;

  // `env` with the module's own plug-ins.
  static ImportServices WithBuiltInPlugins(std::shared_ptr<Env> env);
};

}  // namespace kestro
