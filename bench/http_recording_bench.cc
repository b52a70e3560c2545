// Four live streams recorded at once through the http tuner back end: a stream server on
// 127.0.0.1 (in a child process, so the figures are the recorders' alone) sends 4 × 20 Mbit/s for
// 30 seconds. Each file is compared with the stream the server sent (size and checksum), and the
// recorders' CPU time is reported per stream.
//
//   ninja -C <build> http_recording_bench && <build>/bench/http_recording_bench [--seconds 30]
// Goal: no byte lost; well under 5% of a core per stream.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/stream_server.h"
#include "host/tuners/recorder.h"

using namespace kestro;

namespace {

constexpr int kStreams = 4;
constexpr int64_t kBitsPerSecond = 20'000'000;

uint64_t Fnv1a(const std::string& data) {
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : data) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The server in a child: writes its port, serves until `control` closes, then writes the bytes
// each stream sent.
pid_t StartServer(int* port, int* control, int* results) {
  int to_child[2], from_child[2];
  if (pipe(to_child) != 0 || pipe(from_child) != 0) std::exit(1);
  const pid_t pid = fork();
  if (pid == 0) {
    close(to_child[1]);
    close(from_child[0]);
    std::string sent;
    {
      testing::StreamServer server(kBitsPerSecond);
      const std::string url = server.Url("");
      const std::string port_text = url.substr(url.rfind(':') + 1) + "\n";
      if (write(from_child[1], port_text.data(), port_text.size()) < 0) _exit(1);
      char byte;
      while (read(to_child[0], &byte, 1) > 0) {
      }
      // One connection per stream: the bytes sent, by stream number.
      std::vector<int64_t> bytes(kStreams, -1);
      for (const auto& [path, sent_bytes] : server.StreamBytesSent()) {
        const int stream = std::atoi(path.c_str() + path.rfind('/') + 1) - 1;
        if (stream >= 0 && stream < kStreams) bytes[stream] = sent_bytes;
      }
      for (int64_t b : bytes) sent += std::to_string(b) + " ";
    }
    sent += "\n";
    if (write(from_child[1], sent.data(), sent.size()) < 0) _exit(1);
    _exit(0);
  }
  close(to_child[0]);
  close(from_child[1]);
  char text[32] = {};
  if (read(from_child[0], text, sizeof text - 1) <= 0) std::exit(1);
  *port = std::atoi(text);
  *control = to_child[1];
  *results = from_child[0];
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 30;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(1, std::atoi(argv[i + 1]));

  int port = 0, control = -1, results = -1;
  const pid_t server = StartServer(&port, &control, &results);
  const std::string folder =
      std::filesystem::temp_directory_path() / ("kestro-http-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);

  const double cpu_before = CpuSeconds();
  std::vector<std::unique_ptr<host::Recorder>> recorders;
  for (int i = 0; i < kStreams; ++i) {
    host::TunerInfo tuner;
    tuner.lineup_id = 1;
    tuner.tuner_id = i + 1;
    tuner.backend = "http";
    tuner.url_template = "http://127.0.0.1:" + std::to_string(port) + "/live/{number}";
    host::RecordingRequest request;
    request.lineup_id = 1;
    request.tuner_id = i + 1;
    request.schedule_id = i + 1;
    request.file = folder + "/stream" + std::to_string(i) + ".ts";
    request.channel.number = i + 1;
    recorders.push_back(std::make_unique<host::Recorder>(
        tuner, request, [](const std::string&, host::ReportValues) {},
        [](const std::string& line) {
          if (line.find("BAD") != std::string::npos || line.find("Gap") != std::string::npos)
            std::fprintf(stderr, "%s\n", line.c_str());
        },
        [] {}));
  }
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  recorders.clear();  // stops each and waits for its file to close
  const double cpu = CpuSeconds() - cpu_before;

  close(control);
  char sent_text[256] = {};
  if (read(results, sent_text, sizeof sent_text - 1) < 0) return 1;
  waitpid(server, nullptr, 0);
  std::vector<int64_t> sent;
  for (char* p = std::strtok(sent_text, " \n"); p; p = std::strtok(nullptr, " \n"))
    sent.push_back(std::atoll(p));

  bool all_whole = sent.size() == kStreams;
  std::printf("%d streams at %.0f Mbit/s for %d s\n", kStreams, kBitsPerSecond / 1e6, seconds);
  for (int i = 0; i < kStreams; ++i) {
    std::ifstream in(folder + "/stream" + std::to_string(i) + ".ts", std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string expected = testing::StreamPackets(0, static_cast<int64_t>(data.size() / 188));
    const bool same = data.size() % 188 == 0 && Fnv1a(data) == Fnv1a(expected);
    const int64_t server_sent = i < static_cast<int>(sent.size()) ? sent[i] : -1;
    all_whole = all_whole && same && static_cast<int64_t>(data.size()) <= server_sent;
    std::printf(
        "stream %d: recorded %lld bytes, server sent %lld (%lld in flight at stop), "
        "checksum %s\n",
        i, static_cast<long long>(data.size()), static_cast<long long>(server_sent),
        static_cast<long long>(server_sent - static_cast<int64_t>(data.size())),
        same ? "matches" : "DIFFERS");
  }
  std::printf("CPU %.3f s in total, %.2f%% of a core per stream\n", cpu,
              100.0 * cpu / seconds / kStreams);
  std::printf("goal: no byte lost: %s\n", all_whole ? "met" : "NOT met");
  std::filesystem::remove_all(folder);
  return all_whole ? 0 : 1;
}
