#include "module/type_library.h"

namespace kestro {

std::vector<const InterfaceInfo*> ChannelInterfaces() {
  return {};
}

}  // namespace kestro
