#include "daemon/web_compress.h"

#include <httplib.h>
#include <zlib.h>

#include <string>

namespace kestro::daemon {

namespace {

// Below this a compressed answer saves less than a network packet.
constexpr size_t kSmallestToCompress = 1400;

bool AcceptsGzip(const httplib::Request& req) {
  // "gzip;q=0" refuses it; anything else naming gzip accepts.
  const std::string accepted = req.get_header_value("Accept-Encoding");
  const size_t at = accepted.find("gzip");
  if (at == std::string::npos) return false;
  const size_t end = accepted.find(',', at);
  const std::string item = accepted.substr(at, end == std::string::npos ? end : end - at);
  return item.find("q=0") == std::string::npos || item.find("q=0.") != std::string::npos;
}

// `text` as a gzip stream at the fastest level; false when zlib fails (the answer then goes
// uncompressed).
bool Gzip(const std::string& text, std::string* out) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return false;
  out->resize(deflateBound(&stream, text.size()));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out->data());
  stream.avail_out = static_cast<uInt>(out->size());
  const int result = deflate(&stream, Z_FINISH);
  out->resize(stream.total_out);
  deflateEnd(&stream);
  return result == Z_STREAM_END;
}

}  // namespace

void CompressAnswer(const httplib::Request& req, httplib::Response& res) {
  if (res.body.size() < kSmallestToCompress || res.has_header("Content-Encoding")) return;
  res.set_header("Vary", "Accept-Encoding");
  if (!AcceptsGzip(req)) return;
  std::string compressed;
  if (!Gzip(res.body, &compressed)) return;
  res.body = std::move(compressed);
  res.set_header("Content-Encoding", "gzip");
}

}  // namespace kestro::daemon
