// kestro setup and kestro info: registering the module and showing what a host sees of it.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "cli/cli.h"
#include "cli/output.h"
#include "cli/session.h"
#include "cli/tuners.h"
#include "cli/tuner_source.h"
#include "host/media_library/ml_library.h"
#include "kestro/dispatch.h"
#include "kestro/host.h"
#include "kestro/tv_system.h"
#include "platform/com/class_loader.h"
#include "platform/system/paths.h"
#include "platform/system/registry_file.h"
#include "platform/system/tv_registry.h"
#include "platform/text/text.h"

namespace kestro::cli {

namespace {

namespace fs = std::filesystem;

void WriteWholeFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw Exception("Failed to write \"" + path.string() + "\"");
}

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a set-up changes on disk, undone unless it is committed: the registry file goes back to
// its bytes before, and the folders and files created go away (newest first).
class SetupChanges {
 public:
  explicit SetupChanges(std::string registry_path) : registry_path_(std::move(registry_path)) {
    std::error_code ec;
    if (fs::exists(registry_path_, ec)) registry_before_ = ReadWholeFile(registry_path_);
  }
  SetupChanges(const SetupChanges&) = delete;
  SetupChanges& operator=(const SetupChanges&) = delete;
  ~SetupChanges() {
    if (committed_) return;
    std::error_code ec;
    try {
      for (const auto& [path, text] : replaced_) WriteWholeFile(path, text);
      if (registry_before_) WriteWholeFile(registry_path_, *registry_before_);
    } catch (const std::exception&) {
      // The failure being reported already names what went wrong.
    }
    if (!registry_before_) fs::remove(registry_path_, ec);
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) fs::remove(*it, ec);
  }

  // mkdir -p, remembering each folder it made.
  void CreateFolders(const fs::path& dir) {
    std::vector<fs::path> missing;
    std::error_code ec;
    for (fs::path p = dir; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
      missing.push_back(p);
      if (p == p.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      if (!fs::create_directory(*it, ec) && ec)
        throw Exception("Failed to create the folder \"" + it->string() + "\" : " + ec.message());
      created_.push_back(*it);
    }
    if (!fs::is_directory(dir, ec))
      throw Exception("Failed to create the folder \"" + dir.string() + "\" : it is a file");
    if (access(dir.c_str(), W_OK) != 0)
      throw Exception("Failed to create the folder \"" + dir.string() + "\" : " +
                      std::strerror(errno));
  }
  // Writes the file; a new one goes away on undo, an existing one gets its bytes back.
  void WriteFile(const fs::path& path, const std::string& text) {
    std::error_code ec;
    if (fs::exists(path, ec)) replaced_.emplace_back(path, ReadWholeFile(path));
    else created_.push_back(path);
    WriteWholeFile(path, text);
  }
  void Commit() { committed_ = true; }

 private:
  std::string registry_path_;
  std::optional<std::string> registry_before_;
  std::vector<fs::path> created_;
  std::vector<std::pair<fs::path, std::string>> replaced_;
  bool committed_ = false;
};

// The host's own type library is registered beside the module's, as the module expects both.
void RegisterHostTypeLibrary(const std::string& registry_path) {
  RegistryFile reg = RegistryFile::Load(registry_path);
  const std::string key = "HKEY_CLASSES_ROOT\\TypeLib\\" + GuidToString(LIBID_KestroHost) + "\\1.0";
  reg.SetString(key, "", "Kestro host library");
  reg.SetString(key + "\\0\\linux", "", ExecutablePath());
  reg.SetString(key + "\\FLAGS", "", "0");
  reg.Save(registry_path);
}

int RunSetup(CommandContext& ctx) {
  ArgParser args(ctx.args, {"root", "tuners", "tuner-source", "url-template", "m3u", "tuner-host"},
                 {"force"});
  args.ExpectAtMost(0);
  const std::optional<TunerSource> source = ParseTunerSource(args);
  const int tuners = args.IntValue("tuners", 1, 64).value_or(2);
  if (args.Flag("force") && !args.Value("tuners"))
    throw UsageError("--force replaces the tuner configuration: give --tuners N with it");
  if (args.Value("root") && args.Value("root")->empty()) throw UsageError("--root must not be empty");
  // A registry that cannot be read is never written over. One set up already keeps its root
  // unless --root names another.
  const std::string registered_root =
      RegistryFile::LoadChecked(ctx.registry_path).GetString(kTVRegistryKey, "root");
  fs::path root = fs::absolute(args.Value("root").value_or(
      registered_root.empty() ? UserDataHome() + "/kestro" : registered_root));
  root = root.lexically_normal();
  std::string root_dir = WithTrailingDelimiter(root.string());
  std::string module = FindModuleFile();
  if (module.empty())
    throw Exception("Cannot find libKestroTV.so next to kestro or in its library folder; "
                    "set KESTRO_MODULE to the module file");
  std::string host_module = FindLibraryFile("libKestroHost.so", "KESTRO_HOST_MODULE");
  if (host_module.empty())
    throw Exception("Cannot find libKestroHost.so next to kestro or in its library folder");

  // The folders first: a root that cannot be made leaves the registry as it was.
  SetupChanges changes(ctx.registry_path);
  const std::pair<const char*, std::string> values[] = {{"root", root_dir},
                                                        {"library", root_dir + "library/"},
                                                        {"plugins", root_dir + "plugins/"},
                                                        {"data", root_dir + "data/"}};
  for (const auto& [name, dir] : values) changes.CreateFolders(dir);
  const std::string tuner_file = root_dir + "data/" + kTunerConfigurationFile;
  std::error_code ec;
  const bool write_tuners = !fs::exists(tuner_file, ec) || args.Flag("force");
  if (write_tuners) changes.WriteFile(tuner_file, NewTunerConfiguration(1, tuners));
  if (source) ApplyTunerSource(tuner_file, *source);

  RegisterModuleFile(module);
  RegisterHostTypeLibrary(ctx.registry_path);
  // The host's own classes the module creates (the media library).
  RegisterClasses(host::HostClasses(), ctx.registry_path, host_module);
  RegistryFile reg = RegistryFile::Load(ctx.registry_path);
  for (const auto& [name, dir] : values) reg.SetString(kTVRegistryKey, name, dir);
  reg.Save(ctx.registry_path);
  changes.Commit();

  ModuleConfig config = ReadModuleConfig(reg);
  ctx.out << "Registered " << module << "\n"
          << "Registry   " << ctx.registry_path << "\n"
          << "Root       " << config.root_dir << "\n"
          << "Tuners     " << config.tuner_config_file
          << (write_tuners ? Format(" (written: %d tuner%s for lineup 1)", tuners,
                                    tuners == 1 ? "" : "s")
                           : " (kept; kestro setup --tuners N --force replaces it)")
          << (source ? ", source " + source->backend : std::string()) << "\n";
  return kExitOk;
}

int RunInfo(CommandContext& ctx) {
  ArgParser args(ctx.args, {"format"}, {});
  args.ExpectAtMost(0);
  const OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  const ModuleConfig config = SetUpConfig(ctx.registry_path);
  ClassRegistration reg = FindClass(ctx.registry_path, kKestroTVProgID);
  ComPtr<IDispatch> system = CreateClassInstance<IDispatch>(ctx.registry_path, kKestroTVProgID);

  ComPtr<ITypeInfo> type_info;
  CheckHResult(system->GetTypeInfo(0, 0, type_info.ReleaseAndGetAddressOf()), "GetTypeInfo");
  ComPtr<ITypeLib> lib;
  CheckHResult(type_info->GetContainingTypeLib(lib.ReleaseAndGetAddressOf(), nullptr),
               "GetContainingTypeLib");
  GUID libid{}, iid{};
  uint16_t major = 0, minor = 0;
  std::string lib_name, lib_help, itf_name, itf_help;
  CheckHResult(lib->GetLibAttr(&libid, &major, &minor));
  CheckHResult(lib->GetDocumentation(-1, &lib_name, &lib_help));
  CheckHResult(type_info->GetGuid(&iid));
  CheckHResult(type_info->GetDocumentation(DISPID_UNKNOWN, &itf_name, &itf_help));

  RecordOutput record;
  record.Add("Type library", Format("%s %u.%u %s", lib_name.c_str(), major, minor,
                                    GuidToString(libid).c_str()));
  record.Add("Description", lib_help);
  record.Add("Class", "KestroTVSystem " + GuidToString(reg.clsid));
  record.Add("ProgID", reg.prog_id);
  record.Add("Module", reg.module_path);
  record.Add("Threading model", reg.threading_model);
  record.Add("Default interface", itf_name + " " + GuidToString(iid));
  record.Add("Registry", ctx.registry_path);
  record.Add("Root", config.root_dir);
  record.Add("Library", config.library_dir);
  record.Add("Plug-ins", config.plugins_dir);
  record.Add("Data", config.data_dir);
  record.Add("Tuner configuration", config.tuner_config_file);
  record.AddList("Tuners", Split(TrimRight(DescribeTunerGroups(config.tuner_config_file)), '\n'));
  if (std::filesystem::exists(config.tuner_config_file))
    record.AddList("Tuner groups", DescribeTunerSources(config.tuner_config_file));
  record.Add(Flag("Debug output"), config.debug_output ? "yes" : "no");
  record.Print(ctx.out, format);
  return kExitOk;
}

}  // namespace

std::vector<Command> SetupCommands() {
  return {
      {"setup",
       "kestro setup [--root DIR] [--tuners N [--force]] [--tuner-source test|http "
       "[--url-template URL | --m3u FILE-or-URL] [--tuner-host H]]",
       "register the module and create the folders it uses",
       "  --root DIR    folder for the library, plug-ins and data (default the root set up\n"
       "                already, else $XDG_DATA_HOME/kestro, i.e. ~/.local/share/kestro)\n"
       "  --tuners N    tuners of lineup 1 in a new tuner-configuration.xml (1 to 64,\n"
       "                default 2); an existing file is kept\n"
       "  --force       replace an existing tuner configuration (kestro tuners set changes\n"
       "                one lineup's tuners and keeps the others)\n"
       "  --tuner-source test|http\n"
       "                the stream source of every tuner group: test (a synthetic stream)\n"
       "                or http, a live stream over HTTP from\n"
       "  --url-template URL   a network tuner, e.g. http://{host}:5004/auto/v{number}\n"
       "                ({number}, {name}, {id}: the channel's number, name, external id)\n"
       "  --m3u FILE-or-URL    an M3U playlist; channels match by tvg-id (external id),\n"
       "                else tvg-chno (number), else name\n"
       "  --tuner-host H       the value of {host}\n"
       "Nothing is changed when the set-up fails; a registry file that cannot be read is\n"
       "never written over.\n",
       RunSetup},
      {"info", "kestro info [--format F]",
       "load the module as a host does and show what it offers, with the tuners of each lineup",
       "  --format F    table (default), tsv or json\n", RunInfo},
  };
}

}  // namespace kestro::cli
