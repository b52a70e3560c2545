// kestro setup and kestro info: registering the module and showing what a host sees of it.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/cli.h"
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

std::string TunerConfiguration(int tuners) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<tuner-config>\n"
      "  <group lineup=\"1\" backend=\"test\">\n";
  for (int i = 0; i < tuners; ++i)
    xml += Format(
        "    <tuner device=\"tuner%d\" instance=\"%d\" graph=\"\">\n"
        "      <tuning id=\"\" mode=\"\"/>\n"
        "      <tuner-properties/>\n"
        "    </tuner>\n",
        i, i);
  return xml + "  </group>\n</tuner-config>\n";
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw Exception("Failed to write \"" + path.string() + "\"");
}

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
                 {});
  args.ExpectAtMost(0);
  const std::optional<TunerSource> source = ParseTunerSource(args);
  int tuners = args.IntValue("tuners", 0, 64).value_or(2);
  fs::path root = fs::absolute(args.Value("root").value_or(UserDataHome() + "/kestro"));
  if (args.Value("root") && args.Value("root")->empty()) throw UsageError("--root must not be empty");
  root = root.lexically_normal();
  std::string root_dir = WithTrailingDelimiter(root.string());

  std::string module = FindModuleFile();
  if (module.empty())
    throw Exception("Cannot find libKestroTV.so next to kestro or in its library folder; "
                    "set KESTRO_MODULE to the module file");
  RegisterModuleFile(module);
  RegisterHostTypeLibrary(ctx.registry_path);
  // The host's own classes the module creates (the media library).
  std::string host_module = FindLibraryFile("libKestroHost.so", "KESTRO_HOST_MODULE");
  if (host_module.empty())
    throw Exception("Cannot find libKestroHost.so next to kestro or in its library folder");
  RegisterClasses(host::HostClasses(), ctx.registry_path, host_module);

  RegistryFile reg = RegistryFile::Load(ctx.registry_path);
  const std::pair<const char*, std::string> values[] = {{"root", root_dir},
                                                        {"library", root_dir + "library/"},
                                                        {"plugins", root_dir + "plugins/"},
                                                        {"data", root_dir + "data/"}};
  for (const auto& [name, dir] : values) {
    reg.SetString(kTVRegistryKey, name, dir);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw Exception("Failed to create the folder \"" + dir + "\" : " + ec.message());
  }
  reg.Save(ctx.registry_path);

  ModuleConfig config = ReadModuleConfig(reg);
  bool wrote_tuners = false;
  if (!fs::exists(config.tuner_config_file)) {
    WriteFile(config.tuner_config_file, TunerConfiguration(tuners));
    wrote_tuners = true;
  }
  if (source) ApplyTunerSource(config.tuner_config_file, *source);
  ctx.out << "Registered " << module << "\n"
          << "Registry   " << ctx.registry_path << "\n"
          << "Root       " << config.root_dir << "\n"
          << "Tuners     " << config.tuner_config_file
          << (wrote_tuners ? Format(" (written: %d tuner%s)", tuners, tuners == 1 ? "" : "s")
                           : " (kept)")
          << (source ? ", source " + source->backend : std::string()) << "\n";
  return kExitOk;
}

int RunInfo(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {});
  args.ExpectAtMost(0);
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

  ModuleConfig config = ReadModuleConfig(RegistryFile::Load(ctx.registry_path));
  auto line = [&](const char* label, const std::string& value) {
    ctx.out << label << std::string(22 - std::string(label).size(), ' ') << value << "\n";
  };
  line("Type library", Format("%s %u.%u %s", lib_name.c_str(), major, minor,
                              GuidToString(libid).c_str()));
  line("Description", lib_help);
  line("Class", "KestroTVSystem " + GuidToString(reg.clsid));
  line("ProgID", reg.prog_id);
  line("Module", reg.module_path);
  line("Threading model", reg.threading_model);
  line("Default interface", itf_name + " " + GuidToString(iid));
  line("Registry", ctx.registry_path);
  line("Root", config.root_dir);
  line("Library", config.library_dir);
  line("Plug-ins", config.plugins_dir);
  line("Data", config.data_dir);
  line("Tuner configuration", config.tuner_config_file);
  if (std::filesystem::exists(config.tuner_config_file)) {
    for (const std::string& group : DescribeTunerGroups(config.tuner_config_file))
      line("Tuner group", group);
  }
  line("Debug output", config.debug_output ? "on" : "off");
  return kExitOk;
}

}  // namespace

std::vector<Command> SetupCommands() {
  return {
      {"setup",
       "kestro setup [--root DIR] [--tuners N] [--tuner-source test|http [--url-template URL | "
       "--m3u FILE-or-URL] [--tuner-host H]]",
       "register the module and create the folders it uses",
       "  --root DIR    folder for the library, plug-ins and data\n"
       "                (default $XDG_DATA_HOME/kestro, i.e. ~/.local/share/kestro)\n"
       "  --tuners N    tuners in a new tuner-configuration.xml (default 2); an existing\n"
       "                file is kept\n"
       "  --tuner-source test|http\n"
       "                the stream source of every tuner group: test (a synthetic stream)\n"
       "                or http, a live stream over HTTP from\n"
       "  --url-template URL   a network tuner, e.g. http://{host}:5004/auto/v{number}\n"
       "                ({number}, {name}, {id}: the channel's number, name, external id)\n"
       "  --m3u FILE-or-URL    an M3U playlist; channels match by tvg-id (external id),\n"
       "                else tvg-chno (number), else name\n"
       "  --tuner-host H       the value of {host}\n",
       RunSetup},
      {"info", "kestro info", "load the module as a host does and show what it offers", "",
       RunInfo},
  };
}

}  // namespace kestro::cli
