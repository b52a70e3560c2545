// What tests change in the process and must give back: the time zone and the registry file the
// module reads its folders from; and the log lines they read without their headers.
#pragma once

#include <time.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/registry_info.h"

namespace kestro::testing {

// Keeps TZ and KESTRO_REGISTRY as they were at construction and puts them back (with the
// module's configuration) when destroyed; a fixture holds one as a member.
class SavedEnvironment {
 public:
  SavedEnvironment() : tz_(Get("TZ")), registry_(Get("KESTRO_REGISTRY")) {}
  ~SavedEnvironment() {
    Put("TZ", tz_);
    tzset();
    Put("KESTRO_REGISTRY", registry_);
    LoadModuleConfig();
  }
  SavedEnvironment(const SavedEnvironment&) = delete;
  SavedEnvironment& operator=(const SavedEnvironment&) = delete;

  static void SetTimeZone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }

 private:
  static std::optional<std::string> Get(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  }
  static void Put(const char* name, const std::optional<std::string>& value) {
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
  }

  const std::optional<std::string> tz_;
  const std::optional<std::string> registry_;
};

// Log lines without the header that ends with "] : ".
inline std::vector<std::string> WithoutLogHeaders(const std::vector<std::string>& lines) {
  std::vector<std::string> messages;
  for (const std::string& line : lines) {
    const size_t header_end = line.find("] : ");
    messages.push_back(header_end == std::string::npos ? line : line.substr(header_end + 4));
  }
  return messages;
}

}  // namespace kestro::testing
