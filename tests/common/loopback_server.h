// HTTP servers on 127.0.0.1 for tests: a listener that hands each connection to its owner, and on
// it LoopbackServer, which answers each connection with the next of its answers and stops after
// the last (or when destroyed). StreamServer (stream_server.h) is the other owner.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "platform/system/unique_fd.h"
#include "platform/text/text.h"

namespace kestro::testing {

// One accepted connection.
class LoopbackConnection {
 public:
  explicit LoopbackConnection(int fd) : fd_(fd) {}
  // False once the client has gone.
  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent < 0 && errno == EINTR) continue;
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
  }
  // Waits `ms` milliseconds, or less when the client hangs up first.
  void Pause(int ms) {
    pollfd p{fd_, POLLRDHUP, 0};
    poll(&p, 1, ms);
  }

 private:
  int fd_;
};

// A socket listening on an ephemeral port of 127.0.0.1 and a thread accepting its connections
// until the listener stops (at the latest when it is destroyed).
class LoopbackListener {
 public:
  // Runs on the accepting thread for each connection; false stops accepting.
  using OnConnection = std::function<bool(UniqueFd client)>;

  explicit LoopbackListener(OnConnection on_connection)
      : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)),
        stop_(eventfd(0, EFD_CLOEXEC)),
        on_connection_(std::move(on_connection)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (!listener_.valid() || !stop_.valid() ||
        bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_.get(), 16) != 0 ||
        getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw Exception(std::string("Failed to listen on loopback : ") + std::strerror(errno));
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      while (WaitReadable(listener_.get(), -1)) {
        UniqueFd client(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (client.valid() && !on_connection_(std::move(client))) return;
      }
    });
  }
  ~LoopbackListener() { StopAccepting(); }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  // Ends the accepting and tells every wait of this listener to end.
  void StopAccepting() {
    if (!thread_.joinable()) return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(stop_.get(), &one, sizeof one);
    thread_.join();
  }

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const {
    return Format("http://127.0.0.1:%d%s", port_, path.c_str());
  }
  // Waits `ms` milliseconds; true, at once, when the listener stops.
  bool StopsWithin(int ms) const {
    pollfd p{stop_.get(), POLLIN, 0};
    return poll(&p, 1, ms) != 0;
  }
  // Waits until `fd` is readable (or hung up), at most `timeout_ms` (-1: no limit); false on
  // timeout or once the listener stops.
  bool WaitReadable(int fd, int timeout_ms) const {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop_.get(), POLLIN, 0}};
    if (poll(fds, 2, timeout_ms) <= 0) return false;
    return (fds[1].revents & POLLIN) == 0 && (fds[0].revents & (POLLIN | POLLHUP)) != 0;
  }
  // The request's head; empty when the client sent none within `timeout_ms` or hung up.
  std::string ReadRequestHead(int fd, int timeout_ms = 5000) const {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      if (!WaitReadable(fd, timeout_ms)) return {};
      const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0) return {};
      request.append(buffer, static_cast<size_t>(got));
    }
    return request;
  }

 private:
  UniqueFd listener_;
  UniqueFd stop_;  // an eventfd, readable once the listener stops
  int port_ = 0;
  OnConnection on_connection_;
  std::thread thread_;
};

class LoopbackServer {
 public:
  // Gets the request (its head) and answers the bytes to send after whatever it sent itself.
  using Answer = std::function<std::string(const std::string& request, LoopbackConnection&)>;

  explicit LoopbackServer(std::vector<Answer> answers)
      : answers_(std::move(answers)),
        listener_([this](UniqueFd connection) { return Serve(connection.get()); }) {}

  int port() const { return listener_.port(); }
  std::string Url(const std::string& path) const { return listener_.Url(path); }
  std::vector<std::string> Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  // Answers one connection; false once the answers are used up.
  bool Serve(int connection) {
    if (next_ >= answers_.size()) return false;
    const std::string request = listener_.ReadRequestHead(connection, -1);
    if (request.empty()) return false;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    LoopbackConnection link(connection);
    const std::string reply = answers_[next_++](request, link);
    if (!reply.empty()) link.Send(reply);
    return next_ < answers_.size();
  }

  std::vector<Answer> answers_;
  size_t next_ = 0;  // on the listener's thread only
  std::mutex mutex_;
  std::vector<std::string> requests_;
  LoopbackListener listener_;  // last: stopped before the rest goes
};

// An answer of fixed bytes.
inline LoopbackServer::Answer Reply(std::string bytes) {
  return [bytes](const std::string&, LoopbackConnection&) { return bytes; };
}

// A complete HTTP/1.1 response with a length.
inline std::string HttpResponse(const std::string& body, const std::string& status = "200 OK") {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace kestro::testing
