#include "host/tuners/http_stream.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>

#include "host/tuners/channel_source.h"
#include "platform/env/real_env.h"
#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::host {

namespace {

// A stream that delivers nothing for this long is fetched again.
constexpr int32_t kInactivityMs = 10000;
// The start's bit rate is measured over this much of the stream.
constexpr int64_t kMeasureMs = 1000;
// Waits between attempts to fetch a dropped stream again, growing to the longest.
constexpr int64_t kFirstRetryMs = 250;
constexpr int64_t kLongestRetryMs = 5000;

// One fetch of the stream: writes whole transport stream packets to the file (a packet cut by a
// drop is left out), measures the bit rate and reports the start once.
class StreamSink final : public HttpSink {
 public:
  StreamSink(RecordingFile& file, const StopSignal& stop, StreamEvents& events, Env& env,
             std::optional<int64_t> gap_since_ms, const std::string& url)
      : file_(file),
        stop_(stop),
        events_(events),
        env_(env),
        gap_since_ms_(gap_since_ms),
        url_(url) {}

  bool OnResponse(int32_t status, int64_t, const std::vector<std::string>&) override {
    status_ = status;
    return status / 100 == 2;
  }

  // Nothing may be thrown through the transfer: a failure to write ends it and is thrown again by
  // Finish.
  bool OnData(std::string_view data) override {
    if (stop_.IsSet()) return false;
    try {
      Write(data);
      return true;
    } catch (...) {
      failure_ = std::current_exception();
      return false;
    }
  }

  bool OnProgress(int64_t, int64_t) override { return !stop_.IsSet(); }

  // After the fetch: rethrows a failure to write; a stream that delivered less than the
  // measuring time still started.
  void Finish() {
    if (failure_) std::rethrow_exception(failure_);
    if (received_ > 0) ReportStart(env_.SteadyMillis());
  }

  int32_t Status() const { return status_; }
  int64_t Received() const { return received_; }

 private:
  void Write(std::string_view data) {
    const int64_t now = env_.SteadyMillis();
    if (received_ == 0) {
      first_data_ms_ = now;
      if (gap_since_ms_) {
        events_.Log(Format("TUNER : Gap of %.1f s in the stream \"%s\"",
                           static_cast<double>(now - *gap_since_ms_) / 1000.0, url_.c_str()));
      }
    }
    received_ += static_cast<int64_t>(data.size());
    pending_.append(data);
    const size_t whole = pending_.size() - pending_.size() % RecordingFile::kPacketSize;
    if (whole > 0) {
      file_.Write(std::string_view(pending_).substr(0, whole));
      pending_.erase(0, whole);
    }
    if (now - first_data_ms_ >= kMeasureMs) ReportStart(now);
  }

  void ReportStart(int64_t now) {
    if (reported_) return;
    reported_ = true;
    const int64_t elapsed = std::max<int64_t>(1, now - first_data_ms_);
    events_.Started(
        static_cast<int32_t>(std::clamp<int64_t>(received_ * 8 / elapsed, 1, INT32_MAX)));
  }

  RecordingFile& file_;
  const StopSignal& stop_;
  StreamEvents& events_;
  Env& env_;
  const std::optional<int64_t> gap_since_ms_;
  const std::string& url_;
  std::string pending_;
  int32_t status_ = 0;
  int64_t received_ = 0;
  int64_t first_data_ms_ = 0;
  bool reported_ = false;
  std::exception_ptr failure_;
};

class HttpStream final : public TunerStream {
 public:
  HttpStream(std::shared_ptr<Env> env, std::string url)
      : env_(std::move(env)), url_(std::move(url)) {}

  void Run(RecordingFile& file, const StopSignal& stop, StreamEvents& events) override {
    bool started = false;
    std::optional<int64_t> gap_since_ms;
    int64_t retry_ms = kFirstRetryMs;
    while (!stop.IsSet()) {
      StreamSink sink(file, stop, events, *env_, gap_since_ms, url_);
      HttpRequest request;
      request.url = url_;
      request.user_agent = "KestroTV";
      request.inactivity_timeout_ms = kInactivityMs;
      const HttpResult result = env_->HttpGet(request, sink);
      sink.Finish();
      if (sink.Received() > 0) {
        started = true;
        gap_since_ms.reset();
        retry_ms = kFirstRetryMs;
      }
      if (stop.IsSet()) return;
      const std::string why = EndReason(result, sink.Status());
      if (!started) throw Exception(why + " from \"" + url_ + "\"");
      if (!gap_since_ms) {
        gap_since_ms = env_->SteadyMillis();
        events.Log("TUNER : The stream \"" + url_ + "\" dropped (" + why + "); fetching it again");
      }
      if (stop.WaitFor(std::chrono::milliseconds(retry_ms))) return;
      retry_ms = std::min(retry_ms * 2, kLongestRetryMs);
    }
  }

 private:
  static std::string EndReason(const HttpResult& result, int32_t status) {
    if (status != 0 && status / 100 != 2) return Format("HTTP %d", status);
    switch (result.outcome) {
      case HttpResult::Outcome::kDone:
        return "the server ended the stream";
      case HttpResult::Outcome::kTimedOut:
        return "nothing arrived for " + std::to_string(kInactivityMs / 1000) + " s";
      default:
        return result.error.empty() ? std::string("the transfer failed") : result.error;
    }
  }

  const std::shared_ptr<Env> env_;
  const std::string url_;
};

}  // namespace

std::unique_ptr<TunerStream> OpenHttpStream(const TunerInfo& tuner, const TunerChannel& channel) {
  std::shared_ptr<Env> env = MakeRealEnv();
  std::string url = ChannelStreamUrl(tuner, channel, *env);
  return std::make_unique<HttpStream>(std::move(env), std::move(url));
}

}  // namespace kestro::host
