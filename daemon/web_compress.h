// Compression of the API's answers.
//
// The HTTP library compresses the content types it knows with brotli at its slowest setting
// whenever a browser offers "br": a second for the guide's 700 kB. The API therefore answers with
// types the library leaves alone ("…; charset=utf-8") and compresses here, with gzip at its
// fastest level: a few milliseconds for the same answer, a sixth of its size.
#pragma once

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace kestro::daemon {

// The JSON answers' content type.
inline constexpr const char* kJsonType = "application/json; charset=utf-8";

// Gzips the answer's body when the request accepts gzip, the body is large enough to gain from
// it and is not compressed yet; otherwise leaves it as it is.
void CompressAnswer(const httplib::Request& req, httplib::Response& res);

}  // namespace kestro::daemon
