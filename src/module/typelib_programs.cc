#include "module/type_library.h"

namespace kestro {

std::vector<const InterfaceInfo*> ProgramInterfaces() {
  return {};
}

}  // namespace kestro
