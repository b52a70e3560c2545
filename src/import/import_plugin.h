// Import plug-ins: the base class of every plug-in and the factory that makes one from a lineup's
// plug-in id.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/kestro_object.h"
#include "kestro/tv_import.h"

namespace kestro {

// The plug-in ids a lineup names in its PluginID (compared exactly, letter case counts).
inline constexpr std::string_view kListingsServicePluginID =
    "{ED730335-60B1-466C-8862-221A2160A810}";
inline constexpr std::string_view kXMLTVPluginID = "{B20AD294-96B6-4EE5-8A54-5CC4469C319F}";

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
};

class TTVListingsImportPluginFactory {
 public:
  using Maker = std::function<ComPtr<ITVListingsImportPlugin>()>;

  // A new plug-in for the id, or null for an id no plug-in answers to.
  static ComPtr<ITVListingsImportPlugin> CreatePlugin(std::string_view plugin_id);

  // Test seam: while an object of this class lives, CreatePlugin answers `plugin_id` with what
  // `maker` makes (a maker returning null stands for an unknown id). Overrides nest; the newest
  // wins. Not for production code.
  class ScopedOverride {
   public:
    ScopedOverride(std::string plugin_id, Maker maker);
    ~ScopedOverride();
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

   private:
    size_t token_;
  };
};

}  // namespace kestro
