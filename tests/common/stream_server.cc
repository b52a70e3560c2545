#include "common/stream_server.h"

#include <algorithm>
#include <chrono>

namespace kestro::testing {

namespace {

constexpr int64_t kPacket = 188;
constexpr int kTickMs = 5;

}  // namespace

std::string StreamPackets(int64_t first, int64_t count) {
  std::string packets(static_cast<size_t>(count * kPacket), '\0');
  for (int64_t i = 0; i < count; ++i) {
    const uint64_t index = static_cast<uint64_t>(first + i);
    char* p = packets.data() + i * kPacket;
    p[0] = 0x47;
    p[1] = 0x01;  // PID 0x100
    p[2] = 0x00;
    p[3] = static_cast<char>(0x10 | (index & 0x0F));
    for (int64_t b = 4; b < kPacket; ++b) p[b] = static_cast<char>(index >> (8 * (b % 8)));
  }
  return packets;
}

StreamServer::StreamServer(int64_t bits_per_second)
    : bits_per_second_(bits_per_second),
      listener_([this](UniqueFd client) {
        MutexLock lock(mutex_);
        connections_.emplace_back(
            [this, fd = client.release()]() mutable { Answer(UniqueFd(fd)); });
        return true;
      }) {}

StreamServer::~StreamServer() {
  listener_.StopAccepting();  // every connection sees it and ends
  std::vector<std::thread> connections;
  {
    MutexLock lock(mutex_);
    connections.swap(connections_);
  }
  for (std::thread& t : connections) t.join();
}

void StreamServer::Serve(const std::string& path, std::string body) {
  MutexLock lock(mutex_);
  bodies_[path] = std::move(body);
}

void StreamServer::DropAfter(int64_t bytes, int connections) {
  MutexLock lock(mutex_);
  drop_after_ = bytes;
  drops_left_ = connections;
}

std::vector<std::pair<std::string, int64_t>> StreamServer::StreamBytesSent() const {
  MutexLock lock(mutex_);
  return sent_;
}

void StreamServer::Answer(UniqueFd client) {
  const std::string request = listener_.ReadRequestHead(client.get());
  if (request.empty()) return;
  LoopbackConnection connection(client.get());
  const size_t path_start = request.find(' ') + 1;
  const std::string path = request.substr(path_start, request.find(' ', path_start) - path_start);
  if (path.rfind("/auto/", 0) == 0 || path.rfind("/live/", 0) == 0) {
    if (!connection.Send(
            "HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\nConnection: close\r\n\r\n"))
      return;
    size_t slot;
    {
      MutexLock lock(mutex_);
      slot = sent_.size();
      sent_.emplace_back(path, 0);
    }
    SendStream(connection, slot);
    return;
  }
  std::string body;
  bool found;
  {
    MutexLock lock(mutex_);
    auto it = bodies_.find(path);
    found = it != bodies_.end();
    if (found) body = it->second;
  }
  connection.Send(found ? HttpResponse(body) : HttpResponse(body, "404 Not Found"));
}

void StreamServer::SendStream(LoopbackConnection& client, size_t slot) {
  int64_t limit = -1;
  {
    MutexLock lock(mutex_);
    if (drops_left_ > 0) {
      --drops_left_;
      limit = drop_after_;
    }
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  int64_t packets = 0;
  for (;;) {
    const int64_t elapsed_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    int64_t due = (elapsed_ms + kTickMs) * bits_per_second_ / 8 / 1000 / kPacket;
    if (limit >= 0) due = std::min(due, limit / kPacket);
    if (due > packets) {
      if (!client.Send(StreamPackets(packets, due - packets))) return;
      MutexLock lock(mutex_);
      sent_[slot].second += (due - packets) * kPacket;
      packets = due;
    }
    if (limit >= 0 && packets * kPacket >= limit) return;  // dropped
    if (listener_.StopsWithin(kTickMs)) return;
  }
}

}  // namespace kestro::testing
