#include "platform/system/registry_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro {

namespace {

// Key paths are compared without surrounding blanks and backslashes.
std::string_view CleanPath(std::string_view key) {
  while (!key.empty() && (key.front() == '\\' || key.front() == ' ')) key.remove_prefix(1);
  while (!key.empty() && (key.back() == '\\' || key.back() == ' ')) key.remove_suffix(1);
  return key;
}

std::string PathKey(std::string_view key) { return UnicodeLower(CleanPath(key)); }

// Reads a double-quoted string starting at pos (on the opening quote); pos ends after the
// closing quote. \n and \r stand for line breaks, any other escaped character for itself.
bool ReadQuoted(std::string_view line, size_t& pos, std::string& out) {
  if (pos >= line.size() || line[pos] != '"') return false;
  out.clear();
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\') {
      if (++pos == line.size()) return false;
      c = line[pos];
      if (c == 'n') c = '\n';
      if (c == 'r') c = '\r';
    }
    out.push_back(c);
  }
  return false;
}

void WriteQuoted(std::string& out, std::string_view text) {
  out.push_back('"');
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out.push_back(c);
    }
  }
  out.push_back('"');
}

// The value after '=': a quoted string or dword:XXXXXXXX. Other types are not kept.
bool ParseValue(std::string_view text, std::string& value) {
  size_t pos = 0;
  if (ReadQuoted(text, pos, value)) return Trim(text.substr(pos)).empty();
  if (!StartsWithText(text, "dword:")) return false;
  std::string_view hex = text.substr(6);
  if (hex.empty() || hex.size() > 8) return false;
  uint32_t number = 0;
  for (char c : hex) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    number = number * 16 + static_cast<uint32_t>(digit);
  }
  value = std::to_string(number);
  return true;
}

[[noreturn]] void ThrowWriteError(const std::string& path, int error) {
  throw EOSError(Format("Failed to write registry file \"%s\" : %s", path.c_str(),
                        std::strerror(error)));
}

// mkdir -p of the folder that holds path.
void CreateParentFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) ThrowWriteError(path, errno);
  }
}

}  // namespace

std::string RegistryFile::DefaultPath() {
  if (const char* path = std::getenv("KESTRO_REGISTRY"); path && *path) return path;
  std::string config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    std::string home_dir = home && *home ? home : "";
    if (home_dir.empty()) {
      struct passwd pw;
      struct passwd* result = nullptr;
      char buffer[4096];
      if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &result) == 0 && result) {
        home_dir = result->pw_dir;
      }
    }
    config = home_dir + "/.config";
  }
  return config + "/kestro/registry.reg";
}

RegistryFile RegistryFile::Load(const std::string& path) { return Parse(path, false); }

RegistryFile RegistryFile::LoadChecked(const std::string& path) {
  if (access(path.c_str(), F_OK) != 0 && errno == ENOENT) return RegistryFile();
  return Parse(path, true);
}

RegistryFile RegistryFile::Parse(const std::string& path, bool checked) {
  RegistryFile registry;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (!checked) return registry;
    throw EOSError(Format("Failed to read registry file \"%s\" : %s", path.c_str(),
                          std::strerror(errno)));
  }
  int line_number = 0;
  const auto bad_line = [&](const std::string& text, const char* what) {
    if (!checked) return;
    const std::string shown = text.size() > 60 ? text.substr(0, 60) + "..." : text;
    throw Exception(Format("The registry file \"%s\" is damaged: line %d %s: \"%s\"",
                           path.c_str(), line_number, what, shown.c_str()));
  };
  std::string line;
  Key* current = nullptr;
  bool first = true;
  while (std::getline(in, line)) {
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    // A trailing backslash continues a hex value on the next line; such values are not kept.
    while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos) {
      std::string next;
      if (!std::getline(in, next)) break;
      ++line_number;
      line.pop_back();
      line += next;
    }
    const std::string text = Trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (first) {
      first = false;
      if (text == "REGEDIT4" || text == "Windows Registry Editor Version 5.00") continue;
      bad_line(text, "is not REGEDIT4");
    }
    if (text.front() == '[') {
      if (text.back() != ']') {
        bad_line(text, "has no closing ]");
        current = nullptr;
        continue;
      }
      std::string_view key = std::string_view(text).substr(1, text.size() - 2);
      if (!key.empty() && key.front() == '-') {
        registry.DeleteKey(key.substr(1));
        current = nullptr;
      } else if (CleanPath(key).empty()) {
        bad_line(text, "names no key");
        current = nullptr;
      } else {
        registry.CreateKey(key);
        current = registry.Find(key);
      }
      continue;
    }
    if (!current) {
      bad_line(text, "is not under a [key]");
      continue;
    }
    std::string name;
    size_t pos = 0;
    if (text[0] == '@') {
      pos = 1;
    } else if (!ReadQuoted(text, pos, name)) {
      bad_line(text, "is not a \"name\"=value line");
      continue;
    }
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos >= text.size() || text[pos] != '=') {
      bad_line(text, "has no =");
      continue;
    }
    const std::string rest = Trim(std::string_view(text).substr(pos + 1));
    std::string value;
    if (rest == "-") {
      std::erase_if(current->values, [&](const auto& v) { return SameText(v.first, name); });
    } else if (ParseValue(rest, value)) {
      registry.SetString(current->name, name, value);
    } else if (!StartsWithText(rest, "hex")) {
      bad_line(text, "has a value that is not \"text\", dword: or hex:");
    }
  }
  if (checked && in.bad()) {
    throw EOSError(Format("Failed to read registry file \"%s\" : %s", path.c_str(),
                          std::strerror(errno)));
  }
  return registry;
}

RegistryFile::Key* RegistryFile::Find(std::string_view key) {
  auto it = keys_.find(PathKey(key));
  return it == keys_.end() ? nullptr : &it->second;
}

const RegistryFile::Key* RegistryFile::Find(std::string_view key) const {
  auto it = keys_.find(PathKey(key));
  return it == keys_.end() ? nullptr : &it->second;
}

std::string RegistryFile::GetString(std::string_view key, std::string_view name) const {
  if (const Key* k = Find(key)) {
    for (const auto& [value_name, value] : k->values) {
      if (SameText(value_name, name)) return value;
    }
  }
  return {};
}

bool RegistryFile::HasKey(std::string_view key) const { return Find(key) != nullptr; }

bool RegistryFile::HasValue(std::string_view key, std::string_view name) const {
  if (const Key* k = Find(key)) {
    for (const auto& value : k->values) {
      if (SameText(value.first, name)) return true;
    }
  }
  return false;
}

void RegistryFile::SetString(std::string_view key, std::string_view name, std::string_view value) {
  CreateKey(key);
  Key* k = Find(key);
  for (auto& [value_name, old] : k->values) {
    if (SameText(value_name, name)) {
      old = value;
      return;
    }
  }
  k->values.emplace_back(std::string(name), std::string(value));
}

void RegistryFile::CreateKey(std::string_view key) {
  const std::string_view path = CleanPath(key);
  if (path.empty()) return;
  // Each ancestor is a key of its own, so SubKeys sees every level.
  for (size_t end = path.find('\\'); ; end = path.find('\\', end + 1)) {
    const std::string_view prefix = path.substr(0, end);
    auto [it, inserted] = keys_.try_emplace(PathKey(prefix));
    if (inserted) it->second.name = std::string(prefix);
    if (end == std::string_view::npos) break;
  }
}

void RegistryFile::DeleteKey(std::string_view key) {
  const std::string lower = PathKey(key);
  if (lower.empty()) return;
  const std::string below = lower + "\\";
  keys_.erase(lower);
  for (auto it = keys_.lower_bound(below); it != keys_.end() && it->first.rfind(below, 0) == 0;) {
    it = keys_.erase(it);
  }
}

std::vector<std::string> RegistryFile::SubKeys(std::string_view key) const {
  std::vector<std::string> names;
  const std::string below = PathKey(key) + "\\";
  for (auto it = keys_.lower_bound(below); it != keys_.end() && it->first.rfind(below, 0) == 0;
       ++it) {
    const std::string_view rest = std::string_view(it->second.name).substr(below.size());
    if (rest.find('\\') == std::string_view::npos) names.emplace_back(rest);
  }
  return names;
}

void RegistryFile::Save(const std::string& path) const {
  std::string text = "REGEDIT4\n";
  for (const auto& [lower, key] : keys_) {
    text += "\n[" + key.name + "]\n";
    for (const auto& [name, value] : key.values) {
      if (name.empty()) {
        text += '@';
      } else {
        WriteQuoted(text, name);
      }
      text += '=';
      WriteQuoted(text, value);
      text += '\n';
    }
  }

  CreateParentFolders(path);
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) ThrowWriteError(path, errno);
  const auto fail = [&](int error) {
    close(fd);
    unlink(temp.c_str());
    ThrowWriteError(path, error);
  };
  fchmod(fd, 0644);
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(errno);
    done += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0) fail(errno);
  if (close(fd) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    ThrowWriteError(path, error);
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    ThrowWriteError(path, error);
  }
}

}  // namespace kestro
