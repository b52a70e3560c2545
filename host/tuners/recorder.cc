#include "host/tuners/recorder.h"

#include <exception>
#include <filesystem>
#include <memory>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::host {

Recorder::Recorder(TunerInfo tuner, RecordingRequest request, ReportFn report,
                   std::function<void(const std::string&)> log, std::function<void()> on_end)
    : tuner_(std::move(tuner)),
      request_(std::move(request)),
      report_(std::move(report)),
      log_(std::move(log)),
      on_end_(std::move(on_end)),
      thread_([this] { Record(); }) {}

Recorder::~Recorder() {
  Stop();
  thread_.join();
}

ReportValues Recorder::Ids() const {
  return {{"lineup-id", Variant(request_.lineup_id)},
          {"tuner-id", Variant(request_.tuner_id)},
          {"schedule-id", Variant(request_.schedule_id)}};
}

namespace {

// Reports the start when the stream first delivers.
class RecorderEvents final : public StreamEvents {
 public:
  RecorderEvents(const std::function<void(const std::string&)>& log,
                 std::function<void(int32_t)> on_started)
      : log_(log), on_started_(std::move(on_started)) {}
  void Started(int32_t bitrate_kbps) override {
    if (started_) return;
    started_ = true;
    on_started_(bitrate_kbps);
  }
  void Log(const std::string& line) override { log_(line); }
  bool HasStarted() const { return started_; }

 private:
  const std::function<void(const std::string&)>& log_;
  std::function<void(int32_t)> on_started_;
  bool started_ = false;
};

}  // namespace

void Recorder::Record() {
  const std::string what = Format("schedule %d on tuner %d of lineup %d", request_.schedule_id,
                                  request_.tuner_id, request_.lineup_id);
  RecorderEvents events(log_, [&](int32_t bitrate_kbps) {
    log_("TUNER : Recording " + what + " to \"" + request_.file + "\"");
    ReportValues started = Ids();
    started.emplace_back("program-filename", Variant(request_.file));
    started.emplace_back("duration-minutes", Variant(request_.duration_minutes));
    started.emplace_back("duration", request_.duration);
    started.emplace_back("duration-text", request_.duration_text);
    started.emplace_back("bitrate", Variant(bitrate_kbps));
    report_(kRecordingStarted, std::move(started));
  });
  std::unique_ptr<RecordingFile> file;
  try {
    std::unique_ptr<TunerStream> stream = OpenTunerStream(tuner_, request_.channel);
    file = std::make_unique<RecordingFile>(request_.file);
    stream->Run(*file, stop_, events);
    if (!events.HasStarted()) throw Exception("The source delivered nothing");
  } catch (const std::exception& e) {
    if (!events.HasStarted()) {
      log_("BAD : TUNER : Cannot record " + what + " : " + e.what());
      if (file && file->Size() == 0) {
        file.reset();
        std::error_code ignored;
        std::filesystem::remove(request_.file, ignored);
      }
      ReportValues values = Ids();
      values.emplace_back("reason", Variant(std::string(e.what())));
      report_(kRecordingStartFailed, std::move(values));
      on_end_();
      return;
    }
    // What was written stays: the recording ends early rather than not at all.
    log_("BAD : TUNER : Recording of " + what + " ended early : " + e.what());
  }
  try {
    file->Close();
  } catch (const std::exception& e) {
    log_(std::string("BAD : TUNER : ") + e.what());
  }
  log_(Format("TUNER : Finished %s : %lld bytes", what.c_str(),
              static_cast<long long>(file->Size())));
  report_(kRecordingFinished, Ids());
  on_end_();
}

}  // namespace kestro::host
