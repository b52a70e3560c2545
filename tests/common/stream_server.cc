#include "common/stream_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "platform/exception.h"

namespace kestro::testing {

namespace {

constexpr int64_t kPacket = 188;
constexpr int kTickMs = 5;

// Waits until `fd` is readable or `stop` is set, at most `timeout_ms`; true when `fd` is.
bool WaitReadable(int fd, int stop, int timeout_ms) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
  if (::poll(fds, 2, timeout_ms) <= 0) return false;
  return (fds[1].revents & POLLIN) == 0 && (fds[0].revents & (POLLIN | POLLHUP)) != 0;
}

bool SendAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

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
      listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)),
      stop_(::eventfd(0, EFD_CLOEXEC)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (!listener_.valid() || !stop_.valid() ||
      ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_.get(), 16) != 0 ||
      ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw Exception(std::string("The stream server cannot listen : ") + std::strerror(errno));
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { Accept(); });
}

StreamServer::~StreamServer() {
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t written = ::write(stop_.get(), &one, sizeof one);
  acceptor_.join();
  std::vector<std::thread> connections;
  {
    MutexLock lock(mutex_);
    connections.swap(connections_);
  }
  for (std::thread& t : connections) t.join();
}

std::string StreamServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
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

void StreamServer::Accept() {
  while (WaitReadable(listener_.get(), stop_.get(), -1)) {
    UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client.valid()) continue;
    MutexLock lock(mutex_);
    connections_.emplace_back([this, fd = client.release()]() mutable { Answer(UniqueFd(fd)); });
  }
}

void StreamServer::Answer(UniqueFd client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (!WaitReadable(client.get(), stop_.get(), 5000)) return;
    const ssize_t got = ::recv(client.get(), buffer, sizeof buffer, 0);
    if (got <= 0) return;
    request.append(buffer, static_cast<size_t>(got));
  }
  const size_t path_start = request.find(' ') + 1;
  const std::string path = request.substr(path_start, request.find(' ', path_start) - path_start);
  if (path.rfind("/auto/", 0) == 0 || path.rfind("/live/", 0) == 0) {
    if (!SendAll(client.get(),
                 "HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\nConnection: close\r\n\r\n"))
      return;
    size_t slot;
    {
      MutexLock lock(mutex_);
      slot = sent_.size();
      sent_.emplace_back(path, 0);
    }
    SendStream(client.get(), slot);
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
  SendAll(client.get(), (found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                            std::string("Content-Length: ") + std::to_string(body.size()) +
                            "\r\nConnection: close\r\n\r\n" + body);
}

void StreamServer::SendStream(int fd, size_t slot) {
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
      if (!SendAll(fd, StreamPackets(packets, due - packets))) return;
      MutexLock lock(mutex_);
      sent_[slot].second += (due - packets) * kPacket;
      packets = due;
    }
    if (limit >= 0 && packets * kPacket >= limit) return;  // dropped
    pollfd stop{stop_.get(), POLLIN, 0};
    if (::poll(&stop, 1, kTickMs) != 0) return;
  }
}

}  // namespace kestro::testing
