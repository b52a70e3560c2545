// The module's creatable classes: the table behind DllGetClassObject and DllRegisterServer.
#pragma once

#include "platform/com/class_table.h"

namespace kestro {

// KestroTVSystem (multi-instance, apartment threaded) and the module's type library.
const ClassTable& ModuleClasses();

}  // namespace kestro
