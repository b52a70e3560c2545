// The registry, kept as a text file in REGEDIT4 (.reg) form:
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\Software\Lumavo\TV]
//   "library"="/home/me/.local/share/kestro/library/"
//   @="default value"
//
// Key paths and value names compare case-insensitively. In quoted strings a backslash escapes
// the next character; \n and \r stand for line breaks. dword:XXXXXXXX values read back as
// (unsigned) decimal text; other value types, and lines that do not parse, are skipped.
// "[-key]" and "name"=- delete, as regedit does.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

class RegistryFile {
 public:
  // $KESTRO_REGISTRY, else $XDG_CONFIG_HOME/kestro/registry.reg, else ~/.config/kestro/registry.reg.
  static std::string DefaultPath();

  // A missing or unreadable file gives an empty registry; malformed lines are skipped.
  static RegistryFile Load(const std::string& path);
  static RegistryFile LoadDefault() { return Load(DefaultPath()); }
  // As Load for a missing file; a file that cannot be read, or a line that does not parse,
  // throws Exception naming the file and the line (tools check before they rely on it or
  // write it back).
  static RegistryFile LoadChecked(const std::string& path);

  // The value, or "" when the key or the value is missing. name "" is the key's default value.
  std::string GetString(std::string_view key, std::string_view name) const;
  bool HasKey(std::string_view key) const;
  bool HasValue(std::string_view key, std::string_view name) const;
  // Creates the key (and its parents) when needed.
  void SetString(std::string_view key, std::string_view name, std::string_view value);
  void CreateKey(std::string_view key);
  // Removes the key and every key below it.
  void DeleteKey(std::string_view key);
  // Names of the direct subkeys of a key.
  std::vector<std::string> SubKeys(std::string_view key) const;

  // Writes the whole registry, creating missing folders; replaces the file atomically.
  // Throws EOSError with the path and the system's message on failure.
  void Save(const std::string& path) const;

 private:
  struct Key {
    std::string name;  // spelling as first written
    std::vector<std::pair<std::string, std::string>> values;
  };
  static RegistryFile Parse(const std::string& path, bool checked);
  Key* Find(std::string_view key);
  const Key* Find(std::string_view key) const;
  std::map<std::string, Key> keys_;  // by lower-cased path
};

}  // namespace kestro
