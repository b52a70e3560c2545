// A live-stream server on 127.0.0.1 for tests and benchmarks: every path under "/auto/" and
// "/live/" serves an endless transport stream at a fixed bit rate, each connection from its first
// packet; other paths serve the bodies given to Serve, or 404. A test can make the next streams
// drop after some bytes. Each connection runs on a thread of its own.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/loopback_server.h"
#include "platform/system/mutex.h"

namespace kestro::testing {

// `count` packets of the server's stream from packet `first`: each 188 bytes, a sync byte, a
// header with a continuity counter, and the packet's index repeated as its payload, so a copy
// that lost, repeated or reordered anything differs.
std::string StreamPackets(int64_t first, int64_t count);

class StreamServer {
 public:
  // Listens on an ephemeral port. Throws when it cannot.
  explicit StreamServer(int64_t bits_per_second);
  // Closes every connection and joins their threads.
  ~StreamServer();
  StreamServer(const StreamServer&) = delete;
  StreamServer& operator=(const StreamServer&) = delete;

  // "http://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const { return listener_.Url(path); }
  // `path` answers 200 with `body`.
  void Serve(const std::string& path, std::string body);
  // The next `connections` streams close after `bytes` bytes.
  void DropAfter(int64_t bytes, int connections = 1);
  // The path and the bytes sent of each stream connection, in the order they came.
  std::vector<std::pair<std::string, int64_t>> StreamBytesSent() const;

 private:
  void Answer(UniqueFd client);
  void SendStream(LoopbackConnection& client, size_t slot);

  const int64_t bits_per_second_;
  mutable Mutex mutex_;
  std::map<std::string, std::string> bodies_ GUARDED_BY(mutex_);
  int64_t drop_after_ GUARDED_BY(mutex_) = 0;
  int drops_left_ GUARDED_BY(mutex_) = 0;
  std::vector<std::pair<std::string, int64_t>> sent_ GUARDED_BY(mutex_);
  std::vector<std::thread> connections_ GUARDED_BY(mutex_);
  LoopbackListener listener_;  // last: its thread may start connections at once
};

}  // namespace kestro::testing
