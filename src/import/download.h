// HTTP download: fetches one URL into a stream on a worker thread while the calling thread waits,
// passes the transfer's progress on, honours cancellation and ends a transfer that has been
// inactive for too long. A `file:` URL is copied from the local file instead.
//
// The timeout limits inactivity (the time since the transfer last connected, got its response or
// received data), not the whole transfer: a long download that keeps receiving never times out.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "kestro/host.h"
#include "platform/env/env.h"
#include "platform/exception.h"

namespace kestro {

// The download was cancelled by the caller; the message is "canceled".
KESTRO_DECLARE_EXCEPTION(EDownloadCanceled, Exception);
// Nothing happened for the whole timeout: "Download timed out after %d seconds".
KESTRO_DECLARE_EXCEPTION(EDownloadTimeout, Exception);

// The user agent of a download that names none.
inline constexpr const char* kDefaultUserAgent = "KestroTV/1.0";

// The steps of a transfer, reported in this order (kWaiting may be reported twice, kData once per
// piece of the body).
enum class DownloadState : uint8_t {
  kConnecting = 0,
  kConnected = 1,
  kWaiting = 2,   // for the response
  kResponse = 3,  // with the total in KB (0 when the server gives no length)
  kData = 4,      // with the KB received so far
};

// Moments of a transfer (wall clock, Unix milliseconds; 0 when it did not come to that).
struct DownloadTiming {
  int64_t request_start_ms = 0;
  int64_t first_data_ms = 0;
  int64_t end_ms = 0;
  int64_t content_length = 0;  // as the server announced it; 0 when it did not
};

// Called on the caller's thread with each state in order; pieces of data that arrive while the
// callback runs are reported once, with the newest count. Answering false cancels the download.
using DownloadCallback =
    std::function<bool(DownloadState state, int32_t done_kb, int32_t total_kb)>;

// Cancels a download from any thread; the waiting caller notices within a tenth of a second.
class DownloadCancel {
 public:
  void Cancel() { canceled_ = true; }
  bool Canceled() const { return canceled_; }

 private:
  std::atomic<bool> canceled_ = false;
};

struct DownloadRequest {
  std::string url;  // http:, https: or file:
  int32_t timeout_ms = 120000;  // inactivity; 0: none
  std::string user_agent;  // empty: kDefaultUserAgent
  // With a user, the server may authenticate the request (a user inside the URL is not used).
  std::string user;
  std::string password;
  bool reload = false;  // a fresh copy, never one from a cache on the way
  bool headers_only = false;
  // False: a status other than 200 fails with "Failed to open file : %d".
  bool accept_any_status = false;
  std::vector<std::string>* response_headers = nullptr;  // receives "Name=value" lines
  DownloadTiming* timing = nullptr;
  const DownloadCancel* cancel = nullptr;
  DownloadCallback callback;
};

// Downloads `request.url` into `output` and returns the HTTP status (200 for a file). Throws
// EDownloadCanceled, EDownloadTimeout, or Exception with the failure's text (the server's status,
// the connection's error, a body of zero length, a file that cannot be read). `output` may hold
// part of the body after a failure.
int32_t Download(Env& env, const DownloadRequest& request, std::ostream& output);

// Download with the body wanted and, when `progress` is given, the transfer's steps reported to
// it as percent and text ("Connecting...", "%d / %d KB", ...); its answer "stop" cancels.
int32_t DownloadWithProgress(Env& env, const std::string& url, std::ostream& output,
                             int32_t timeout_ms, const std::string& user_agent,
                             bool accept_any_status, bool reload, IMLImportProgress* progress,
                             const std::string& password = {}, const std::string& user = {});

// The progress report of one state: (percent, text).
std::pair<int32_t, std::string> DownloadProgressText(DownloadState state, int32_t done_kb,
                                                     int32_t total_kb);

}  // namespace kestro
