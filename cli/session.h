// The module session of a kestro command: the module loaded through the registry of the
// command's context, and a lineup picked by the id on the command line.
#pragma once

#include <string>

#include "cli/cli.h"
#include "host/module_session.h"
#include "kestro/interface_reads.h"
#include "kestro/tv_channels.h"
#include "kestro/tv_lineups.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_system.h"
#include "platform/system/tv_registry.h"

namespace kestro::cli {

// The module's folders as the registry file names them. Throws Exception naming the line of a
// registry file that does not parse, and "KestroTV is not set up: run kestro setup" when a folder
// value is missing, so that nothing is created outside a configured root.
ModuleConfig SetUpConfig(const std::string& registry_path);

// The channel a command-line argument names as the guide shows it: a channel number ("7"), or
// "id:N" for the internal id. Every channel counts, wanted or not. UsageError for other text
// (naming `option`); Exception when no channel (or more than one) has that number.
ComPtr<ITVChannel> FindChannelArgument(ITVListings* listings, const std::string& text,
                                       const std::string& option);
// "7 WABC (id:2)" for messages.
std::string ChannelLabel(ITVChannel* channel);

class Session : public host::ModuleSession {
 public:
  // Checks the set-up (SetUpConfig), then loads the module through the registry of the command's
  // context and creates the system object. The lineups are opened on first use.
  explicit Session(const CommandContext& ctx);

  const ModuleConfig& Config() const { return config_; }

  // The lineup whose id is `id_text` (a decimal number). Throws Exception
  // "No lineup with id "<id_text>"; "kestro lineup list" shows the lineups" when the text is not
  // a number or no lineup has that id.
  ComPtr<ITVLineup> FindLineup(const std::string& id_text);

 private:
  Session(ModuleConfig config, const CommandContext& ctx);

  ModuleConfig config_;
};

}  // namespace kestro::cli
