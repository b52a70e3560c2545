// kestrod: the host's background process. It loads the module through the registry as a host
// does, runs its schedule manager and the tuner side on the plug-in thread, publishes the tuners'
// status for other processes and stops cleanly on SIGTERM, SIGINT or SIGHUP.
//
// Threads:
//   main thread     signalfd; at a signal: recordings stopped (their ends reported first), the
//                   shutdown message delivered, the plug-ins released, the plug-in thread joined
//   plug-in thread  host message delivery, the schedule manager and its engines, their timer
//                   callbacks, the tuner side, the status file
//   recorders       one per recording (host/tuners/recorder.h)
#pragma once

#include <ostream>
#include <string>

namespace kestro::daemon {

// The host's settings in the registry: the value "recordings" (a folder; default the root's
// "recordings/"), and below it each plug-in's settings by name.
inline constexpr const char* kHostRegistryKey = "HKEY_LOCAL_MACHINE\\Software\\Lumavo\\Host";
inline constexpr const char* kScheduleManagerSettingsKey =
    "HKEY_LOCAL_MACHINE\\Software\\Lumavo\\Host\\Plugins\\ScheduleManager";

struct DaemonOptions {
  std::string registry_path;  // absolute; the module reads the same file
  bool debug = false;         // the host log (and with it the module's) also to standard error
};

// Runs until a stop signal; returns the exit code: 0 after a clean stop, 1 when it could not
// start (the reason on `err`: no installation, another daemon, a module that fails to load).
int RunDaemon(const DaemonOptions& options, std::ostream& err);

}  // namespace kestro::daemon
