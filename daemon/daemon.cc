#include "daemon/daemon.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "daemon/web_server.h"
#include "host/daemon_files.h"
#include "host/host_item.h"
#include "host/host_system.h"
#include "host/media_library/ml_library.h"
#include "host/plugin_thread.h"
#include "host/tuners/tuner_side.h"
#include "kestro/interface_reads.h"
#include "kestro/tv_system.h"
#include "platform/com/class_loader.h"
#include "platform/exception.h"
#include "platform/system/paths.h"
#include "platform/system/registry_file.h"
#include "platform/system/tv_registry.h"
#include "platform/system/unique_fd.h"
#include "platform/text/text.h"

namespace kestro::daemon {

namespace {

using host::THostSystem;

// A setting's text from the registry as the type its descriptor names ("bool", "int").
Variant SettingValue(const std::string& type, const std::string& text) {
  if (SameText(type, "bool")) {
    return Variant(SameText(text, "true") || SameText(text, "yes") || Trim(text) == "1");
  }
  int32_t number = 0;
  if (SameText(type, "int") && TryStrToInt(Trim(text), &number)) return Variant(number);
  return Variant(text);
}

// Gives `plugin` the values of the settings it describes that the registry holds under `key`;
// the others keep the plug-in's defaults.
void ApplySettings(IKestroPlugin* plugin, const RegistryFile& registry, const char* key,
                   THostSystem& system) {
  ComPtr<host::THostItem> settings = host::NewHostItem();
  for (int32_t index = 1; index < 100; ++index) {
    ComPtr<host::THostItem> descriptor = host::NewHostItem();
    bool described = false;
    CheckHResult(plugin->DescribeSetting(index, descriptor.Get(), &described));
    if (!described) break;
    const Variant name = descriptor->Get("name");
    if (name.IsEmptyOrNull() || !registry.HasValue(key, name.ToString())) continue;
    const std::string text = registry.GetString(key, name.ToString());
    const Variant type = descriptor->Get("type");
    settings->Set(name.ToString(), SettingValue(type.IsEmptyOrNull() ? "" : type.ToString(), text));
    system.LogLine("KESTROD : Setting " + name.ToString() + " = " + text);
  }
  std::string error;
  bool applied = false;
  CheckHResult(plugin->ApplySettings(settings.Get(), &error, &applied));
  if (!applied) throw Exception("The schedule manager refused its settings : " + error);
}

// SIGTERM, SIGINT and SIGHUP, blocked in every thread (those made later inherit the mask) and
// read from a descriptor by the main thread.
UniqueFd StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, s);
  if (::pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0)
    throw Exception("Failed to block the stop signals");
  UniqueFd fd(::signalfd(-1, &signals, SFD_CLOEXEC));
  if (!fd.valid())
    throw Exception(std::string("Failed to read the stop signals : ") + std::strerror(errno));
  return fd;
}

int AwaitStopSignal(int fd) {
  signalfd_siginfo info{};
  while (::read(fd, &info, sizeof info) != sizeof info) {
    if (errno != EINTR) return SIGTERM;  // cannot wait any longer: stop as if asked
  }
  return static_cast<int>(info.ssi_signo);
}

class Daemon {
 public:
  Daemon(const DaemonOptions& options, const RegistryFile& registry, const ModuleConfig& config)
      : options_(options), registry_(registry), config_(config) {}

  // Loads the plug-ins on the plug-in thread and starts them. Throws Exception.
  void Start() {
    host::HostOptions host_options;
    host_options.root_dir = config_.root_dir;
    const std::string recordings = registry_.GetString(kHostRegistryKey, "recordings");
    if (!recordings.empty()) host_options.folders["recordings"] = WithTrailingDelimiter(recordings);
    host_options.log_file = config_.root_dir + "logs/kestrod.log";
    host_options.log_to_stderr = options_.debug;
    host_options.media_library_file = host::DefaultMediaLibraryPath();
    system_ = host::NewHostSystem(host_options, thread_.Runner());
    system_->LogLine(Format("KESTROD : Starting (process %d, registry \"%s\")", ::getpid(),
                            options_.registry_path.c_str()));
    thread_.Call([&] { LoadPlugins(); });
    const std::string recordings_folder = system_->Folder("recordings");
    std::error_code ec;
    std::filesystem::create_directories(recordings_folder, ec);
    if (ec)
      system_->LogLine("BAD : KESTROD : Failed to create \"" + recordings_folder + "\" : " +
                       ec.message());
    StartWebGuide(recordings_folder);
    system_->LogLine("KESTROD : Running; recordings go to \"" + recordings_folder + "\"");
  }

  // Stops recordings (their ends reported while the module can take them), delivers the host's
  // shutdown message, releases the plug-ins and joins the plug-in thread.
  void Stop(const std::string& why) {
    if (!system_) return;
    system_->LogLine("KESTROD : Stopping on " + why);
    if (web_) web_->Stop();
    thread_.Call([&] {
      if (tuners_) tuners_->StopAll();
    });
    ComPtr<host::THostMessage> shutdown = system_->NewMessage(host::kShutdownSubject);
    for (const ComPtr<IKestroPlugin>& plugin : plugins_) system_->Deliver(shutdown, plugin);
    thread_.Call([&] {
      system_->OnRuntimeProperty(nullptr);
      for (const ComPtr<IKestroPlugin>& plugin : plugins_) system_->Unsubscribe(plugin.Get());
      plugins_.clear();
      manager_ = nullptr;
      tv_ = nullptr;
      tuners_ = nullptr;
    });
    thread_.Stop();
    std::error_code ec;
    std::filesystem::remove(host::DaemonStatusFile(config_.root_dir), ec);
    system_->LogLine("KESTROD : Stopped");
  }

 private:
  // A web guide that is misconfigured stops the start (Exception); one that cannot listen (its
  // port taken) is reported in the log and the daemon records all the same.
  void StartWebGuide(const std::string& recordings_folder) {
    const WebSettings settings = ReadWebSettings(registry_);
    if (!settings.enabled) {
      system_->LogLine("KESTROD : The web guide is off");
      return;
    }
    web_ = std::make_unique<WebServer>(settings, options_.registry_path, config_.root_dir,
                                       recordings_folder);
    try {
      system_->LogLine("KESTROD : Web guide at " + web_->Start());
    } catch (const std::exception& e) {
      system_->LogLine(std::string("BAD : KESTROD : ") + e.what());
      web_.reset();
    }
  }

  // On the plug-in thread.
  void LoadPlugins() {
    tuners_ = MakeObject<host::TTunerSide>(system_, config_.tuner_config_file);
    tuners_->Attach();
    tuners_->OnRecordingsChanged([this] { PublishStatus(); });
    plugins_.push_back(ComPtr<IKestroPlugin>(tuners_.Get()));
    system_->OnRuntimeProperty(
        [this, runner = thread_.Runner()](const std::string& name,
                                          const THostSystem::PropertyValues& values) {
          runner.Post([this, name, values] {
            status_.properties[name] = values;
            PublishStatus();
          });
        });
    PublishStatus();

    tv_ = CreateClassInstance<IKestroTVSystem>(options_.registry_path, kKestroTVProgID);
    ComPtr<ITVScheduleManager> manager = GetObject(tv_.Get(), &IKestroTVSystem::GetScheduleManager);
    manager_ = ComPtr<IKestroPlugin>(manager.Get());
    ApplySettings(manager_.Get(), registry_, kScheduleManagerSettingsKey, *system_);
    plugins_.push_back(manager_);
    ComPtr<host::THostMessage> loaded = system_->NewMessage(host::kSystemLoadedSubject);
    for (const ComPtr<IKestroPlugin>& plugin : plugins_) system_->Deliver(loaded, plugin);
  }

  // On the plug-in thread.
  void PublishStatus() {
    status_.pid = ::getpid();
    status_.recordings = tuners_ ? tuners_->Recordings() : std::vector<host::RecordingRequest>{};
    try {
      host::WriteDaemonStatus(host::DaemonStatusFile(config_.root_dir), status_);
      status_failed_ = false;
    } catch (const std::exception& e) {
      if (!status_failed_) system_->LogLine(std::string("BAD : KESTROD : ") + e.what());
      status_failed_ = true;  // said once until it works again
    }
  }

  const DaemonOptions options_;
  const RegistryFile registry_;
  const ModuleConfig config_;
  host::PluginThread thread_;
  ComPtr<THostSystem> system_;
  std::unique_ptr<WebServer> web_;
  // The rest belongs to the plug-in thread.
  ComPtr<host::TTunerSide> tuners_;
  ComPtr<IKestroTVSystem> tv_;
  ComPtr<IKestroPlugin> manager_;
  std::vector<ComPtr<IKestroPlugin>> plugins_;
  host::DaemonStatus status_;
  bool status_failed_ = false;
};

}  // namespace

int RunDaemon(const DaemonOptions& options, std::ostream& err) {
  std::optional<Daemon> daemon;
  try {
    const UniqueFd signals = StopSignals();  // before any thread is made
    const RegistryFile registry = RegistryFile::Load(options.registry_path);
    const ModuleConfig config = ReadModuleConfig(registry);
    if (registry.GetString(kTVRegistryKey, "root").empty()) {
      err << "kestrod: the registry \"" << options.registry_path
          << "\" names no installation; run \"kestro setup\" first\n";
      return 1;
    }
    const std::string lock_file = host::DaemonLockFile(config.root_dir);
    pid_t holder = 0;
    std::optional<host::InstanceLock> lock = host::InstanceLock::TryAcquire(lock_file, &holder);
    if (!lock) {
      err << "kestrod: another kestrod (process " << holder << ") runs for \"" << config.root_dir
          << "\"; it holds \"" << lock_file << "\"\n";
      return 1;
    }
    daemon.emplace(options, registry, config);
    daemon->Start();
    const int signal = AwaitStopSignal(signals.get());
    daemon->Stop(strsignal(signal));
    return 0;
  } catch (const std::exception& e) {
    err << "kestrod: " << e.what() << "\n";
    try {
      if (daemon) daemon->Stop("a failure to start");
    } catch (const std::exception& stop_failure) {
      err << "kestrod: " << stop_failure.what() << "\n";
    }
    return 1;
  }
}

}  // namespace kestro::daemon
