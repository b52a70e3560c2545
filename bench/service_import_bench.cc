// Speed and memory of a whole import from the listings download service (ITVLineup.ImportListings
// with the service plug-in: download, unpack, two passes over the text) against an XMLTV import
// of listings of the same size, measured in the same run. The service's answer is the archive
// made by service_generator, handed to the plug-in by the Env without a network.
//
//   cmake -S . -B build-bench -G Ninja -DKESTRO_BUILD_BENCH=ON
//   ninja -C build-bench service_import_bench service_generator xmltv_generator
//   build-bench/bench/service_import_bench [--channels 300] [--days 14]
// Goal: the service import within 20% of the XMLTV import's programmes per second.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/fake_env.h"
#include "core/registry_info.h"
#include "import/import_plugin.h"
#include "lineups/lineups.h"
#include "platform/system/registry_file.h"
#include "platform/system/tv_registry.h"
#include "platform/text/text.h"
#include "storage/listings_database.h"

namespace fs = std::filesystem;
using namespace kestro;

namespace {

constexpr const char* kServiceUrl = "http://listings.bench";

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void RunTool(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

struct Result {
  double cpu_s = 0;
  double wall_s = 0;
  int programmes = 0;
};

// One new lineup of `plugin_id` with `props`, imported once.
Result Import(const std::shared_ptr<Env>& env, const std::string& name, std::string_view plugin_id,
              const std::vector<std::pair<std::string, std::string>>& props) {
  ComPtr<TTVLineups> lineups = MakeObject<TTVLineups>(ImportServices::WithBuiltInPlugins(env),
                                                      LineupLocations::FromConfig());
  ComPtr<ITVLineup> lineup;
  lineups->NewLineup(lineup.ReleaseAndGetAddressOf());
  lineup->put_Name(name);
  lineup->put_PluginID(std::string(plugin_id));
  ComPtr<IKestroItem> bag;
  lineup->get_PluginProperties(bag.ReleaseAndGetAddressOf());
  for (const auto& [key, value] : props) bag->put_Values(Variant(key), Variant(value));
  std::string error;
  bool ok = false;
  lineup->Save(&error, &ok);
  if (ok) {
    const auto started = std::chrono::steady_clock::now();
    const double cpu_started = CpuSeconds();
    lineup->ImportListings(nullptr, &error, &ok);
    Result result;
    result.cpu_s = CpuSeconds() - cpu_started;
    result.wall_s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    int32_t id = 0;
    lineup->get_ID(&id);
    result.programmes = OpenListingsDatabase(
        Config().library_dir + Format("tv/listings.%d.dat", id), env)->QueryInt(
        "select count ( * ) from programs");
    if (ok) return result;
  }
  std::fprintf(stderr, "%s import failed: %s\n", name.c_str(), error.c_str());
  std::exit(1);
}

void Print(const char* name, const Result& r) {
  std::printf("%-8s %7d programmes  %7.2f s  %8.0f programmes/s  (CPU %.2f s, %.0f/s)\n", name,
              r.programmes, r.wall_s, r.programmes / r.wall_s, r.cpu_s, r.programmes / r.cpu_s);
}

}  // namespace

int main(int argc, char** argv) {
  int channels = 300, days = 14;
  for (int i = 1; i + 1 < argc; ++i) {
    if (!std::strcmp(argv[i], "--channels")) channels = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--days")) days = std::atoi(argv[++i]);
  }
  char pattern[] = "/tmp/kestro-service-bench-XXXXXX";
  const fs::path root = mkdtemp(pattern);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  RegistryFile registry;
  registry.SetString(kTVRegistryKey, "library", (root / "library").string() + "/");
  registry.SetString(kTVRegistryKey, "data", (root / "data").string() + "/");
  registry.Save((root / "registry.reg").string());
  setenv("KESTRO_REGISTRY", (root / "registry.reg").c_str(), 1);
  LoadModuleConfig();

  const std::string archive = (root / "listings.zip").string();
  RunTool(Format("'%s' --channels %d --days %d --output '%s'", KESTRO_SERVICE_GENERATOR, channels,
                 days, archive.c_str()));
  fs::create_directories(root / "xmltv");
  RunTool(Format("'%s' --channels %d --days %d --output '%s'", KESTRO_XMLTV_GENERATOR, channels,
                 days, (root / "xmltv/listings.xml").c_str()));

  auto env = std::make_shared<testing::FakeEnv>();
  testing::FakeEnv::HttpAnswer answer;
  {
    std::ifstream in(archive, std::ios::binary);
    answer.body.assign(std::istreambuf_iterator<char>(in), {});
  }
  env->AnswerHttp(std::string(kServiceUrl) +
                      "/V0_1/tribune?mode=schedule&provider=BENCH&device=D&country=USA",
                  answer);

  const Result xmltv = Import(env, "XMLTV", kXMLTVPluginID,
                              {{"mode", "I"},
                               {"dir", (root / "xmltv").string()},
                               {"after-import", "nothing"}});
  const long rss_xmltv = PeakRssKb();
  const Result service = Import(env, "Service", kListingsServicePluginID,
                                {{"service-url", kServiceUrl},
                                 {"headend-id", "BENCH"},
                                 {"device-id", "D"},
                                 {"country", "USA"}});
  const long rss_service = PeakRssKb();

  std::printf("listings: %d channels x %d days; archive %.1f MB\n", channels, days,
              static_cast<double>(fs::file_size(archive)) / 1e6);
  Print("xmltv", xmltv);
  Print("service", service);
  const double ratio = (service.programmes / service.cpu_s) / (xmltv.programmes / xmltv.cpu_s);
  std::printf("service / xmltv (CPU rate): %.2f  goal within 20%%: %s\n", ratio,
              ratio >= 0.8 ? "met" : "NOT met");
  std::printf("peak RSS: %ld KB after the XMLTV import, %ld KB after the service import\n",
              rss_xmltv, rss_service);
  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
