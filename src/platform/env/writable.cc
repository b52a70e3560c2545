#include "platform/env/writable.h"

#include <filesystem>

#include "platform/text/text.h"

namespace kestro {

std::string WhyNotWritable(Env& env, const std::string& file_name) {
  const std::filesystem::path folder = std::filesystem::path(file_name).parent_path();
  const std::string folder_name = folder.empty() ? "." : folder.string();
  if (const std::error_code ec = env.CheckWritable(folder_name))
    return Format("the folder \"%s\" is not writable (%s)", folder_name.c_str(),
                  ec.message().c_str());
  if (env.FileExists(file_name)) {
    if (const std::error_code ec = env.CheckWritable(file_name))
      return Format("the file is not writable (%s)", ec.message().c_str());
  }
  return {};
}

std::string ReadOnlyUri(const std::string& file_name, bool immutable) {
  std::string uri = "file:";
  for (const unsigned char c : file_name) {
    if (c == '?' || c == '#' || c == '%' || c < ' ')
      uri += Format("%%%02X", c);
    else
      uri += static_cast<char>(c);
  }
  return uri + (immutable ? "?mode=ro&immutable=1" : "?mode=ro");
}

}  // namespace kestro
