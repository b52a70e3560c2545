// TTunerSide: the host's tuner side, a plug-in subscribed to "tv-tuner.*". It answers the
// scheduler's requests on the plug-in thread: "tv-tuner.start-recording" starts a Recorder on the
// tuner the request names ("lineup-id", "tuner-id": the lineup's tuners in the tuner
// configuration document's order), "tv-tuner.stop-recording" stops the recording of that
// schedule, "tv-tuner.warn-recording" and "tv-tuner.wake-up" are logged. A tuner records one
// schedule at a time; an unknown or busy tuner is a start failure with its reason. Recordings are
// written as "program-filename" + ".ts" into the host's "recordings" folder.
//
// Every member runs on the plug-in thread; recorders report from their own threads through the
// host's message bus.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/host_system.h"
#include "host/tuners/recorder.h"
#include "kestro/com_object.h"
#include "kestro/host.h"

namespace kestro::host {

inline constexpr const char* kTunerRequestPattern = "tv-tuner.*";

class TTunerSide : public DispatchObject<IKestroPlugin> {
 public:
  // Reads the tuners from `tuner_config_file` at each start request, so edits apply at once.
  TTunerSide(ComPtr<THostSystem> system, std::string tuner_config_file);
  ~TTunerSide() override;

  // Subscribes to the tuner requests.
  void Attach();

  // IKestroPlugin.
  HRESULT OnMessage(IKestroSystem* system, IKestroMessage* message, bool* handled) override;
  HRESULT DescribeSetting(int32_t index, IKestroItem* descriptor, bool* ok) override;
  HRESULT ApplySettings(IKestroItem* settings, std::string* error, bool* ok) override;
  HRESULT IsAvailable(bool* result) override;

  // Stops every recording and waits until each file is closed and its end reported (queued on
  // the plug-in thread, ahead of anything sent later).
  void StopAll();
  // The recordings under way, by lineup and tuner.
  std::vector<RecordingRequest> Recordings() const;
  // Called after each change of Recordings().
  void OnRecordingsChanged(std::function<void()> observer) { observer_ = std::move(observer); }

 private:
  using TunerKey = std::pair<int32_t, int32_t>;  // lineup id, tuner id

  void Handle(THostMessage& message);
  void StartRecording(const THostMessage& request);
  void StopRecording(const THostMessage& request);
  // Sends a notification; any thread.
  void Report(const std::string& subject, ReportValues values);
  void Log(const std::string& line) { system_->LogLine(line); }
  // Drops the recorder of `key` once its thread is done, if it is still `recorder`.
  void Reap(TunerKey key, uint64_t serial);
  void Changed() {
    if (observer_) observer_();
  }

  const ComPtr<THostSystem> system_;
  const std::string tuner_config_file_;
  struct Active {
    uint64_t serial;
    std::unique_ptr<Recorder> recorder;
  };
  std::map<TunerKey, Active> recorders_;
  uint64_t next_serial_ = 1;
  std::function<void()> observer_;
  // Tasks posted by recorders reach this object only while it lives (both on the plug-in thread).
  std::shared_ptr<TTunerSide*> alive_ = std::make_shared<TTunerSide*>(this);
};

}  // namespace kestro::host
