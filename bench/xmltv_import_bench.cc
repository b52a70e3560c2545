// Speed and memory of a whole XMLTV import (ITVLineup.ImportListings with the XMLTV plug-in in
// directory mode) against the floor measured in the same run: one expat pass storing the same
// rows with prepared inserts in one transaction into a guide with the listings schema and its
// indexes (xmltv_import_floor.h).
// A small file is imported first, then the big one: the peak resident size after each shows
// whether memory grows with the file. Then listings of the same size come from the listings
// service (an archive of service_generator, handed to the plug-in by the Env without a network).
//
//   cmake -S . -B build-bench -G Ninja -DKESTRO_BUILD_BENCH=ON
//   ninja -C build-bench xmltv_import_bench xmltv_generator service_generator
//   build-bench/bench/xmltv_import_bench [--channels 200] [--days 14] [--without-stops]
// --without-stops leaves out every programme's stop time, the stop-time finder's worst case.
// Goals: the import at the floor's speed or faster (import rate / floor rate 1.0 or more, CPU
// time, as other work on the machine counts in wall time); 10,000 programmes/s; the service import
// within 20% of the XMLTV import's rate.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/fake_env.h"
#include "core/registry_info.h"
#include "import/import_plugin.h"
#include "lineups/lineups.h"
#include "platform/env/real_env.h"
#include "platform/system/registry_file.h"
#include "platform/system/tv_registry.h"
#include "platform/text/text.h"
#include "storage/listings_database.h"
#include "xmltv_import_floor.h"

namespace fs = std::filesystem;
using namespace kestro;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// User and system CPU seconds of the process so far.
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

// Makes the listings with xmltv_generator (beside this program's folder in the build tree).
std::string Generate(const fs::path& dir, int channels, int days) {
  const fs::path tool = fs::path(KESTRO_XMLTV_GENERATOR);
  const std::string file = (dir / "listings.xml").string();
  fs::create_directories(dir);
  const std::string command = Format("'%s' --channels %d --days %d --output '%s'",
                                     tool.c_str(), channels, days, file.c_str());
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
  return file;
}

// Removes the stop attribute of every programme of `file`.
void DropStopTimes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ofstream out(file + ".tmp", std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    const size_t stop = line.find(" stop=\"");
    if (stop != std::string::npos) line.erase(stop, line.find('"', stop + 7) + 1 - stop);
    out << line << '\n';
  }
  out.close();
  fs::rename(file + ".tmp", file);
}

// One new lineup of `plugin_id` with `props`, imported once through `env`: seconds of
// ImportListings, and in *cpu_s its CPU seconds (on a shared machine the wall time also counts
// other work) and in *programmes what its guide holds then.
double ImportLineup(const std::shared_ptr<Env>& env, const std::string& name,
                    std::string_view plugin_id,
                    const std::vector<std::pair<std::string, std::string>>& props,
                    std::string* error, double* cpu_s = nullptr, int* programmes = nullptr) {
  // As the module's system object makes them: the Env and the module's plug-ins.
  ComPtr<TTVLineups> lineups = MakeObject<TTVLineups>(ImportServices::WithBuiltInPlugins(env),
                                                      LineupLocations::FromConfig());
  ComPtr<ITVLineup> lineup;
  lineups->NewLineup(lineup.ReleaseAndGetAddressOf());
  lineup->put_Name(name);
  lineup->put_PluginID(std::string(plugin_id));
  ComPtr<IKestroItem> bag;
  lineup->get_PluginProperties(bag.ReleaseAndGetAddressOf());
  for (const auto& [key, value] : props) bag->put_Values(Variant(key), Variant(value));
  bool ok = false;
  lineup->Save(error, &ok);
  if (!ok) return -1;
  const auto started = std::chrono::steady_clock::now();
  const double cpu_started = CpuSeconds();
  lineup->ImportListings(nullptr, error, &ok);
  if (cpu_s) *cpu_s = CpuSeconds() - cpu_started;
  const double seconds = Seconds(started);
  if (programmes) {
    int32_t id = 0;
    lineup->get_ID(&id);
    *programmes = OpenListingsDatabase(Config().library_dir + Format("tv/listings.%d.dat", id), env)
                      ->QueryInt("select count ( * ) from programs");
  }
  return ok ? seconds : -1;
}

// One lineup importing the folder `dir` with the XMLTV plug-in in directory mode.
double Import(const std::string& dir, const std::string& name, std::string* error,
              double* cpu_s = nullptr, int* programmes = nullptr) {
  return ImportLineup(MakeRealEnv(), name, kXMLTVPluginID,
                      {{"mode", "I"}, {"dir", dir}, {"after-import", "nothing"}}, error, cpu_s,
                      programmes);
}

// A lineup of the listings service whose answer is the archive `archive`.
double ImportFromService(const std::string& archive, std::string* error, double* cpu_s,
                         int* programmes) {
  auto env = std::make_shared<testing::FakeEnv>();
  testing::FakeEnv::HttpAnswer answer;
  std::ifstream in(archive, std::ios::binary);
  answer.body.assign(std::istreambuf_iterator<char>(in), {});
  env->AnswerHttp("http://listings.bench/V0_1/tribune?mode=schedule&provider=B&device=D&country=US",
                  answer);
  return ImportLineup(env, "Service", kListingsServicePluginID,
                      {{"service-url", "http://listings.bench"},
                       {"headend-id", "B"},
                       {"device-id", "D"},
                       {"country", "US"}},
                      error, cpu_s, programmes);
}

}  // namespace

int main(int argc, char** argv) {
  int channels = 200, days = 14;
  bool without_stops = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--without-stops")) without_stops = true;
    if (i + 1 < argc && !std::strcmp(argv[i], "--channels")) channels = std::atoi(argv[++i]);
    if (i + 1 < argc && !std::strcmp(argv[i], "--days")) days = std::atoi(argv[++i]);
  }
  char pattern[] = "/tmp/kestro-xmltv-bench-XXXXXX";
  const fs::path root = mkdtemp(pattern);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  RegistryFile registry;
  registry.SetString(kTVRegistryKey, "library", (root / "library").string() + "/");
  registry.SetString(kTVRegistryKey, "data", (root / "data").string() + "/");
  registry.Save((root / "registry.reg").string());
  setenv("KESTRO_REGISTRY", (root / "registry.reg").c_str(), 1);
  LoadModuleConfig();

  std::string error;
  const std::string small = Generate(root / "small", channels / 10 > 0 ? channels / 10 : 1, days);
  if (without_stops) DropStopTimes(small);
  if (Import((root / "small").string(), "Small", &error) < 0) {
    std::fprintf(stderr, "import failed: %s\n", error.c_str());
    return 1;
  }
  const long rss_small = PeakRssKb();

  const std::string big = Generate(root / "big", channels, days);
  if (without_stops) DropStopTimes(big);
  const long rss_before = PeakRssKb();
  double import_cpu_s = 0;
  int imported = 0;
  const double import_s =
      Import((root / "big").string(), "Big", &error, &import_cpu_s, &imported);
  if (import_s < 0) {
    std::fprintf(stderr, "import failed: %s\n", error.c_str());
    return 1;
  }
  const long rss_big = PeakRssKb();
  const FloorResult floor = RunImportFloor(big, (root / "floor.dat").string(), MakeRealEnv());
  const double programmes = imported;

  std::printf("file: %d channels x %d days, %d programmes (the floor stored %d), %.1f MB\n",
              channels, days, imported, floor.programmes,
              static_cast<double>(fs::file_size(big)) / 1e6);
  std::printf("import:        %8.2f s  %9.0f programmes/s  (CPU %.2f s, %.0f programmes/s)\n",
              import_s, programmes / import_s, import_cpu_s, programmes / import_cpu_s);
  std::printf("floor:         %8.2f s  %9.0f programmes/s  (CPU %.2f s, %.0f programmes/s)\n",
              floor.seconds, floor.programmes / floor.seconds, floor.cpu_seconds,
              floor.programmes / floor.cpu_seconds);
  const double floor_ratio = (programmes / import_cpu_s) / (floor.programmes / floor.cpu_seconds);
  std::printf("import / floor rate (CPU) = %.2f (wall %.2f); goal 1.0 or more: %s\n", floor_ratio,
              (programmes / import_s) / (floor.programmes / floor.seconds),
              floor_ratio >= 1.0 ? "met" : "NOT met");
  std::printf("peak RSS: %ld KB after the small import (%d channels), %ld KB before and %ld KB "
              "after the big one\n",
              rss_small, channels / 10 > 0 ? channels / 10 : 1, rss_before, rss_big);
  std::printf("goal 10,000 programmes/s: %s\n", programmes / import_s >= 10000 ? "met" : "NOT met");

  const std::string archive = (root / "service.zip").string();
  if (std::system(Format("'%s' --channels %d --days %d --output '%s'", KESTRO_SERVICE_GENERATOR,
                         channels, days, archive.c_str())
                      .c_str()) != 0) {
    std::fprintf(stderr, "service_generator failed\n");
    return 1;
  }
  double service_cpu_s = 0;
  int service_programmes = 0;
  const double service_s = ImportFromService(archive, &error, &service_cpu_s, &service_programmes);
  if (service_s < 0) {
    std::fprintf(stderr, "service import failed: %s\n", error.c_str());
    return 1;
  }
  const double ratio = (service_programmes / service_cpu_s) / (programmes / import_cpu_s);
  std::printf("service:       %8.2f s  %9.0f programmes/s  (CPU %.2f s, %.0f programmes/s; "
              "%d programmes, archive %.1f MB)\n",
              service_s, service_programmes / service_s, service_cpu_s,
              service_programmes / service_cpu_s, service_programmes,
              static_cast<double>(fs::file_size(archive)) / 1e6);
  std::printf("service / XMLTV (CPU rate) = %.2f; goal within 20%%: %s; peak RSS %ld KB\n", ratio,
              ratio >= 0.8 ? "met" : "NOT met", PeakRssKb());
  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
