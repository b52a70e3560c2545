// HTTP of the real Env on libcurl: one easy handle per transfer, run on the calling thread.
#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/env/real_parts.h"
#include "platform/text/text.h"

namespace kestro {
namespace {

struct EasyCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The state of one transfer, shared with libcurl's callbacks.
class Transfer {
 public:
  Transfer(CURL* curl, const HttpRequest& request, HttpSink& sink)
      : curl_(curl), request_(request), sink_(sink) {}

  HttpResult Run() {
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, error);
    Configure();
    const CURLcode code = curl_easy_perform(curl_);
    HttpResult result;
    long status = 0;
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
    result.status = static_cast<int32_t>(status);
    if (code == CURLE_OK || (stopped_after_headers_ && code == CURLE_WRITE_ERROR)) {
      result.outcome = HttpResult::Outcome::kDone;
    } else if (canceled_) {
      result.outcome = HttpResult::Outcome::kCanceled;
    } else {
      result.outcome = code == CURLE_OPERATION_TIMEDOUT ? HttpResult::Outcome::kTimedOut
                                                        : HttpResult::Outcome::kFailed;
      result.error = error[0] ? error : curl_easy_strerror(code);
    }
    return result;
  }

 private:
  void Configure() {
    curl_easy_setopt(curl_, CURLOPT_URL, request_.url.c_str());
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl_, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    // Certificates are checked against the system's store (libcurl's default); never switched off.
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!request_.user_agent.empty())
      curl_easy_setopt(curl_, CURLOPT_USERAGENT, request_.user_agent.c_str());
    if (!request_.user.empty()) {
      curl_easy_setopt(curl_, CURLOPT_USERNAME, request_.user.c_str());
      curl_easy_setopt(curl_, CURLOPT_PASSWORD, request_.password.c_str());
      curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }
    if (request_.reload) {
      headers_.reset(curl_slist_append(nullptr, "Cache-Control: no-cache"));
      headers_.reset(curl_slist_append(headers_.release(), "Pragma: no-cache"));
      curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers_.get());
    }
    if (request_.inactivity_timeout_ms > 0) {
      curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS,
                       static_cast<long>(request_.inactivity_timeout_ms));
      // Below one byte a second for the whole limit, counted in whole seconds.
      curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
      curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME,
                       static_cast<long>((request_.inactivity_timeout_ms + 999) / 1000));
    }
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl_, CURLOPT_PREREQFUNCTION, &Transfer::OnConnected);
    curl_easy_setopt(curl_, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
  }

  // Collects the header lines of each response; at the blank line that ends the final one (not
  // an interim 1xx, not a redirect that will be followed) hands them to the sink.
  static size_t OnHeader(char* data, size_t size, size_t count, void* self_ptr) {
    auto* self = static_cast<Transfer*>(self_ptr);
    const size_t bytes = size * count;
    std::string line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) {
      if (line.rfind("HTTP/", 0) == 0) self->header_lines_.clear();  // a new response begins
      else self->header_lines_.push_back(std::move(line));
      return bytes;
    }
    long status = 0;
    curl_easy_getinfo(self->curl_, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || (status >= 300 && status < 400 && self->HasHeader("location:")))
      return bytes;
    // A first challenge for the credentials given: libcurl asks again with them.
    if (status == 401 && !self->request_.user.empty() && !self->challenged_ &&
        self->HasHeader("www-authenticate:")) {
      self->challenged_ = true;
      return bytes;
    }
    if (!self->Respond()) return self->Cancel();
    if (self->request_.headers_only) {
      self->stopped_after_headers_ = true;
      return 0;
    }
    return bytes;
  }

  // Hands the final response to the sink, once.
  bool Respond() {
    if (responded_) return true;
    responded_ = true;
    long status = 0;
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t length = -1;
    curl_easy_getinfo(curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    return sink_.OnResponse(static_cast<int32_t>(status), length, header_lines_);
  }

  static int OnConnected(void* self_ptr, char*, char*, int, int) {
    auto* self = static_cast<Transfer*>(self_ptr);
    if (self->sink_.OnConnected()) return CURL_PREREQFUNC_OK;
    self->canceled_ = true;
    return CURL_PREREQFUNC_ABORT;
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* self_ptr) {
    auto* self = static_cast<Transfer*>(self_ptr);
    const size_t bytes = size * count;
    // A challenge that was not answered after all brings its body as the final response's.
    if (!self->Respond()) return self->Cancel();
    return self->sink_.OnData(std::string_view(data, bytes)) ? bytes : self->Cancel();
  }

  static int OnProgress(void* self_ptr, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* self = static_cast<Transfer*>(self_ptr);
    if (self->sink_.OnProgress(now, total > 0 ? total : -1)) return 0;
    self->canceled_ = true;
    return 1;
  }

  bool HasHeader(std::string_view name) const {
    for (const std::string& line : header_lines_)
      if (StartsWithText(line, name)) return true;
    return false;
  }

  size_t Cancel() {
    canceled_ = true;
    return 0;
  }

  CURL* const curl_;
  const HttpRequest& request_;
  HttpSink& sink_;
  std::unique_ptr<curl_slist, ListCleanup> headers_;
  std::vector<std::string> header_lines_;
  bool canceled_ = false;
  bool stopped_after_headers_ = false;
  bool challenged_ = false;
  bool responded_ = false;
};

}  // namespace

HttpResult RealHttpGet(const HttpRequest& request, HttpSink& sink) {
  InitCurlOnce();
  std::unique_ptr<CURL, EasyCleanup> curl(curl_easy_init());
  if (!curl) {
    HttpResult result;
    result.error = "Failed to start an HTTP transfer";
    return result;
  }
  return Transfer(curl.get(), request, sink).Run();
}

}  // namespace kestro
