// The module session of a kestro command: the module loaded through the registry of the
// command's context, and a lineup picked by the id on the command line.
#pragma once

#include <string>

#include "cli/cli.h"
#include "host/module_session.h"

namespace kestro::cli {

class Session : public host::ModuleSession {
 public:
  explicit Session(const CommandContext& ctx) : host::ModuleSession(ctx.registry_path) {}

  // The lineup whose id is `id_text` (a decimal number). Throws Exception
  // "No lineup with id "<id_text>"; "kestro lineup list" shows the lineups" when the text is not
  // a number or no lineup has that id.
  ComPtr<ITVLineup> FindLineup(const std::string& id_text);
};

}  // namespace kestro::cli
