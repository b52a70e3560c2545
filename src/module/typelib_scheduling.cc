#include "module/type_library.h"

namespace kestro {

std::vector<const InterfaceInfo*> SchedulingInterfaces() { return {}; }

}  // namespace kestro
