// The module's type library: the dispatch tables of every interface the module implements.
#pragma once

#include "kestro/dispatch.h"

namespace kestro {

const TypeLibInfo& ModuleTypeLibrary();

}  // namespace kestro
