#include "import/download.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/text/text.h"

namespace kestro {
namespace {

// How often the waiting caller looks at the clock and the cancel request.
constexpr auto kWaitStep = std::chrono::milliseconds(100);
constexpr size_t kFileChunk = 64 * 1024;

int32_t RoundedKB(int64_t bytes) { return static_cast<int32_t>((bytes + 512) / 1024); }

// "file:///dir/name", "file://localhost/dir/name" or "file:/dir/name" with %-escapes decoded.
std::string LocalPath(const std::string& url) {
  std::string rest = url.substr(5);
  if (rest.rfind("//", 0) == 0) {
    const size_t slash = rest.find('/', 2);
    rest = slash == std::string::npos ? std::string() : rest.substr(slash);
  }
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && hex(rest[i + 1]) >= 0 &&
        hex(rest[i + 2]) >= 0) {
      path += static_cast<char>(hex(rest[i + 1]) * 16 + hex(rest[i + 2]));
      i += 2;
    } else {
      path += rest[i];
    }
  }
  return path;
}

struct Report {
  DownloadState state;
  int32_t done_kb;
  int32_t total_kb;
};

// What the worker and the waiting caller share; every field under `mutex`.
struct Record {
  std::mutex mutex;
  std::condition_variable changed;
  int64_t last_activity_ms = 0;  // steady clock
  // States the caller has not passed on yet; a piece of data replaces an unreported one.
  std::deque<Report> pending;
  int32_t total_kb = 0;
  bool finished = false;
  bool timed_out = false;  // the transfer itself gave up for inactivity
  std::string error;
  int32_t status = 0;
  // Set by the caller to stop the worker; the worker then ends without a word.
  std::atomic<bool> abort = false;
};

// The worker: runs the transfer on its own thread and reports into the record.
class Worker : public HttpSink {
 public:
  Worker(Env& env, const DownloadRequest& request, std::ostream& output, Record& record)
      : env_(env), request_(request), output_(output), record_(record) {}

  void Run() {
    std::string error;
    bool timed_out = false;
    int32_t status = 0;
    try {
      if (StartsWithText(request_.url, "file:")) {
        CopyFile();
        status = 200;
      } else {
        status = Fetch(timed_out);
      }
    } catch (const std::exception& e) {
      error = e.what();
    }
    std::lock_guard lock(record_.mutex);
    record_.error = error.empty() ? failure_ : error;
    record_.timed_out = timed_out;
    if (status) record_.status = status;
    record_.finished = true;
    record_.changed.notify_all();
  }

 private:
  void CopyFile() {
    const std::string path = LocalPath(request_.url);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Exception("Failed to open file \"" + path + "\" : " + std::strerror(errno));
    std::string buffer(kFileChunk, '\0');
    while (!record_.abort && in) {
      in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      Write(std::string_view(buffer.data(), static_cast<size_t>(in.gcount())));
    }
    if (in.bad()) throw Exception("Failed to read file \"" + path + "\"");
  }

  int32_t Fetch(bool& timed_out) {
    if (request_.timing) request_.timing->request_start_ms = env_.NowUnixMillis();
    if (!Change(DownloadState::kConnecting, 0)) return 0;
    HttpRequest http;
    http.url = request_.url;
    http.user_agent = request_.user_agent.empty() ? kDefaultUserAgent : request_.user_agent;
    http.user = request_.user;
    http.password = request_.password;
    http.reload = request_.reload;
    http.headers_only = request_.headers_only;
    // The waiting caller measures inactivity itself, by the same rule for every stage.
    http.inactivity_timeout_ms = 0;
    const HttpResult result = env_.HttpGet(http, *this);
    if (request_.timing) request_.timing->end_ms = env_.NowUnixMillis();
    switch (result.outcome) {
      case HttpResult::Outcome::kDone:
        // A response the sink never saw (a challenge that was not answered) is judged here.
        if (!request_.accept_any_status && result.status != 200 && failure_.empty())
          failure_ = Format("Failed to open file : %d", result.status);
        if (!request_.headers_only && received_ == 0 && failure_.empty())
          failure_ = "Failed to download file, it has zero length";
        break;
      case HttpResult::Outcome::kCanceled:
        break;  // by the caller, or by a refused status (failure_ says so)
      case HttpResult::Outcome::kTimedOut:
        timed_out = true;
        break;
      case HttpResult::Outcome::kFailed:
        failure_ = result.error;
        break;
    }
    return result.status;
  }

  // A state change: the moment of the last activity, and the state for the caller's callback.
  // False once the caller has given up, which ends the transfer.
  bool Change(DownloadState state, int32_t kb) {
    if (record_.abort) return false;
    std::lock_guard lock(record_.mutex);
    record_.last_activity_ms = env_.SteadyMillis();
    if (request_.callback) {
      if (state == DownloadState::kResponse) record_.total_kb = kb;
      const Report report{state, state == DownloadState::kData ? kb : 0, record_.total_kb};
      if (state == DownloadState::kData && !record_.pending.empty() &&
          record_.pending.back().state == DownloadState::kData)
        record_.pending.back() = report;
      else
        record_.pending.push_back(report);
      record_.changed.notify_all();
    }
    return true;
  }

  void Write(std::string_view data) {
    if (data.empty()) return;
    if (request_.timing && request_.timing->first_data_ms == 0)
      request_.timing->first_data_ms = env_.NowUnixMillis();
    output_.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!output_) throw Exception("Failed to write the downloaded data");
    received_ += static_cast<int64_t>(data.size());
    Change(DownloadState::kData, RoundedKB(received_));
  }

  // HttpSink.
  bool OnConnected() override {
    return Change(DownloadState::kConnected, 0) && Change(DownloadState::kWaiting, 0);
  }

  bool OnResponse(int32_t status, int64_t content_length,
                  const std::vector<std::string>& headers) override {
    {
      std::lock_guard lock(record_.mutex);
      record_.status = status;
    }
    if (!request_.accept_any_status && status != 200) {
      failure_ = Format("Failed to open file : %d", status);
      return false;
    }
    const int64_t length = content_length > 0 ? content_length : 0;
    if (request_.timing) request_.timing->content_length = length;
    if (request_.response_headers) {
      for (std::string line : headers) {
        const size_t colon = line.find(": ");
        if (colon != std::string::npos) line.replace(colon, 2, "=");
        request_.response_headers->push_back(std::move(line));
      }
    }
    return Change(DownloadState::kResponse, RoundedKB(length));
  }

  bool OnData(std::string_view data) override {
    if (record_.abort) return false;
    try {
      Write(data);
    } catch (const std::exception& e) {
      failure_ = e.what();
      return false;
    }
    return true;
  }

  bool OnProgress(int64_t, int64_t) override { return !record_.abort; }

  Env& env_;
  const DownloadRequest& request_;
  std::ostream& output_;
  Record& record_;
  int64_t received_ = 0;
  std::string failure_;  // why the worker ended the transfer itself
};

}  // namespace

int32_t Download(Env& env, const DownloadRequest& request, std::ostream& output) {
  Record record;
  record.last_activity_ms = env.SteadyMillis();
  Worker worker(env, request, output, record);
  std::thread thread([&worker] { worker.Run(); });

  // Stops the worker and waits for it, however long its current call takes to notice.
  auto abort = [&](std::unique_lock<std::mutex>& lock) {
    record.abort = true;
    lock.unlock();
    thread.join();
  };

  std::unique_lock lock(record.mutex);
  for (;;) {
    if (!record.pending.empty()) {
      const Report report = record.pending.front();
      record.pending.pop_front();
      lock.unlock();
      bool go_on = false;
      try {
        go_on = request.callback(report.state, report.done_kb, report.total_kb);
      } catch (...) {
        record.abort = true;
        thread.join();
        throw;
      }
      lock.lock();
      if (!go_on) {
        abort(lock);
        throw EDownloadCanceled("canceled");
      }
      continue;
    }
    if (record.finished) break;
    if (request.cancel && request.cancel->Canceled()) {
      abort(lock);
      throw EDownloadCanceled("canceled");
    }
    if (request.timeout_ms > 0) {
      const int64_t seconds = (env.SteadyMillis() - record.last_activity_ms) / 1000;
      if (seconds * 1000 >= request.timeout_ms) {
        abort(lock);
        throw EDownloadTimeout(Format("Download timed out after %d seconds",
                                      static_cast<int>(seconds)));
      }
    }
    record.changed.wait_for(lock, kWaitStep);
  }
  lock.unlock();
  thread.join();

  if (record.timed_out) {
    const int64_t seconds = (env.SteadyMillis() - record.last_activity_ms) / 1000;
    throw EDownloadTimeout(Format("Download timed out after %d seconds",
                                  static_cast<int>(seconds)));
  }
  if (!record.error.empty()) throw Exception(record.error);
  if (record.abort) throw EDownloadCanceled("canceled");
  return record.status;
}

std::pair<int32_t, std::string> DownloadProgressText(DownloadState state, int32_t done_kb,
                                                     int32_t total_kb) {
  switch (state) {
    case DownloadState::kConnecting:
      return {0, "Connecting..."};
    case DownloadState::kConnected:
      return {0, "Connected"};
    case DownloadState::kWaiting:
      return {0, "Waiting for response..."};
    case DownloadState::kResponse:
    case DownloadState::kData:
      break;
  }
  if (total_kb <= 0) return {0, Format("%d KB", done_kb)};
  return {static_cast<int32_t>(static_cast<int64_t>(done_kb) * 100 / total_kb),
          Format("%d / %d KB", done_kb, total_kb)};
}

int32_t DownloadWithProgress(Env& env, const std::string& url, std::ostream& output,
                             int32_t timeout_ms, const std::string& user_agent,
                             bool accept_any_status, bool reload, IMLImportProgress* progress,
                             const std::string& password, const std::string& user) {
  DownloadRequest request;
  request.url = url;
  request.timeout_ms = timeout_ms;
  request.user_agent = user_agent;
  request.user = user;
  request.password = password;
  request.reload = reload;
  request.accept_any_status = accept_any_status;
  if (progress) {
    ComPtr<IMLImportProgress> host(progress);
    request.callback = [host](DownloadState state, int32_t done_kb, int32_t total_kb) {
      const auto [percent, text] = DownloadProgressText(state, done_kb, total_kb);
      bool go_on = true;
      CheckHResult(host->ReportProgress(percent, text, &go_on));
      return go_on;
    };
  }
  return Download(env, request, output);
}

}  // namespace kestro
