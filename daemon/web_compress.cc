#include "daemon/web_compress.h"

#include <httplib.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace kestro::daemon {

namespace {

// Below this a compressed answer saves less than a network packet.
constexpr size_t kSmallestToCompress = 1400;

// Whether the request's Accept-Encoding takes gzip: "gzip" (or "x-gzip") with a weight ("q=")
// above 0, or when gzip is not named, "*" with one.
bool AcceptsGzip(const httplib::Request& req) {
  std::optional<bool> gzip, any;
  const std::string header = req.get_header_value("Accept-Encoding");
  for (size_t from = 0; from <= header.size();) {
    const size_t comma = std::min(header.find(',', from), header.size());
    const std::string_view item(header.data() + from, comma - from);
    from = comma + 1;
    const size_t semicolon = std::min(item.find(';'), item.size());
    std::string coding;  // without blanks, in lower case
    for (const char c : item.substr(0, semicolon)) {
      if (c != ' ' && c != '\t')
        coding += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    double weight = 1;
    if (const size_t q = item.find("q=", semicolon); q != std::string_view::npos)
      std::from_chars(item.data() + q + 2, item.data() + item.size(), weight);
    if (coding == "gzip" || coding == "x-gzip")
      gzip = weight > 0;
    else if (coding == "*")
      any = weight > 0;
  }
  return gzip.value_or(any.value_or(false));
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
