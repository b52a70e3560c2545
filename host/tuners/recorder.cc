#include "host/tuners/recorder.h"

#include <exception>
#include <memory>

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

void Recorder::Record() {
  const std::string what = Format("schedule %d on tuner %d of lineup %d", request_.schedule_id,
                                  request_.tuner_id, request_.lineup_id);
  std::unique_ptr<TunerStream> stream;
  std::unique_ptr<RecordingFile> file;
  try {
    stream = OpenTunerStream(tuner_);
    file = std::make_unique<RecordingFile>(request_.file);
  } catch (const std::exception& e) {
    log_("BAD : TUNER : Cannot record " + what + " : " + e.what());
    ReportValues values = Ids();
    values.emplace_back("reason", Variant(std::string(e.what())));
    report_(kRecordingStartFailed, std::move(values));
    on_end_();
    return;
  }
  log_("TUNER : Recording " + what + " to \"" + request_.file + "\"");
  ReportValues started = Ids();
  started.emplace_back("program-filename", Variant(request_.file));
  started.emplace_back("duration-minutes", Variant(request_.duration_minutes));
  started.emplace_back("bitrate", Variant(stream->BitrateKbps()));
  report_(kRecordingStarted, std::move(started));

  try {
    stream->Run(*file, stop_);
  } catch (const std::exception& e) {
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
