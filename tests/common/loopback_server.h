// An HTTP server on 127.0.0.1 for tests: it answers each connection with the next of its answers
// and stops after the last (or when destroyed).
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

// One accepted connection, for answers that send in pieces or take their time.
class LoopbackConnection {
 public:
  explicit LoopbackConnection(int fd) : fd_(fd) {}
  // False once the client has gone.
  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
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

class LoopbackServer {
 public:
  // Gets the request (its head) and answers the bytes to send after whatever it sent itself.
  using Answer = std::function<std::string(const std::string& request, LoopbackConnection&)>;

  explicit LoopbackServer(std::vector<Answer> answers) : answers_(std::move(answers)) {
    listener_.reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_.get(), 4) != 0 ||
        getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw Exception("Failed to listen on loopback");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    shutdown(listener_.get(), SHUT_RDWR);
    thread_.join();
  }

  int port() const { return port_; }
  std::string Url(const std::string& path) const {
    return Format("http://127.0.0.1:%d%s", port_, path.c_str());
  }
  std::vector<std::string> Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void Serve() {
    for (const Answer& answer : answers_) {
      UniqueFd connection(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
      if (!connection.valid()) return;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = read(connection.get(), buffer, sizeof buffer);
        if (n <= 0) return;
        request.append(buffer, static_cast<size_t>(n));
      }
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      LoopbackConnection link(connection.get());
      const std::string reply = answer(request, link);
      if (!reply.empty() && !link.Send(reply)) continue;
    }
  }

  UniqueFd listener_;
  int port_ = 0;
  std::vector<Answer> answers_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
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
