// The module's start-up configuration, read once when the module is loaded.
#pragma once

#include "platform/system/tv_registry.h"

namespace kestro {

// The configuration read when the module was loaded (read on first use otherwise).
const ModuleConfig& Config();
// Reads the configuration again from the default registry file and applies the debug switch
// (module load, and tests that point KESTRO_REGISTRY elsewhere).
void LoadModuleConfig();

}  // namespace kestro
