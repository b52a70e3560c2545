// Starts the built kestrod as a user would: a process of its own with the registry file, data
// home and runtime folder of a test; its output goes to DIR/NAME.out and DIR/NAME.err.
#pragma once

#include <fcntl.h>
#include <spawn.h>

#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace kestro::testing {

inline pid_t SpawnKestrod(const std::string& registry, const std::string& dir,
                          const std::string& name) {
  std::vector<std::string> env = {"KESTRO_REGISTRY=" + registry, "XDG_DATA_HOME=" + dir + "/xdg",
                                  "XDG_RUNTIME_DIR=" + dir};
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).find("KESTRO_") != 0 && std::string_view(*e).find("XDG_") != 0)
      env.push_back(*e);
  std::vector<char*> envp, argv = {const_cast<char*>(KESTRO_DAEMON_FILE), nullptr};
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  const std::string out = dir + "/" + name + ".out", err = dir + "/" + name + ".err";
  posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  if (posix_spawn(&pid, KESTRO_DAEMON_FILE, &files, nullptr, argv.data(), envp.data()) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&files);
  return pid;
}

}  // namespace kestro::testing
