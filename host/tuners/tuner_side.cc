#include "host/tuners/tuner_side.h"

#include <algorithm>

#include "host/host_clock.h"
#include "kestro/host_type_library.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro::host {

namespace {

// A recording due to end this close to a new start on its tuner gives the tuner up to it: the
// stop of one and the start of the next fall on the same moment, in either order.
constexpr int kHandOverSeconds = 5;

int32_t IntValue(const THostMessage& message, const char* name) {
  const Variant value = message.Get(name);
  int32_t result = -1;
  if (value.IsEmptyOrNull()) return result;
  try {
    result = value.ToInt32();
  } catch (const std::exception&) {
  }
  return result;
}

std::string TextValue(const THostMessage& message, const char* name) {
  const Variant value = message.Get(name);
  return value.IsEmptyOrNull() ? std::string() : value.ToString();
}

OleDate DateValue(const THostMessage& message, const char* name) {
  try {
    return message.Get(name).ToDate();
  } catch (const std::exception&) {
    return OleDate{};
  }
}

// A file name of the recordings folder: no folder parts, never hidden, never empty.
std::string RecordingFileName(std::string name, int32_t schedule_id) {
  std::replace(name.begin(), name.end(), '/', '_');
  name = Trim(name);
  while (!name.empty() && name[0] == '.') name.erase(0, 1);
  if (name.empty()) name = Format("schedule-%d", schedule_id);
  return name + ".ts";
}

void SendReport(THostSystem& system, const std::string& subject, ReportValues values) {
  ComPtr<THostMessage> message = system.NewMessage(subject);
  for (auto& [name, value] : values) message->Set(name, std::move(value));
  if (!system.Deliver(message)) system.LogLine("BAD : TUNER : Lost report " + message->Text());
}

}  // namespace

TTunerSide::TTunerSide(ComPtr<THostSystem> system, std::string tuner_config_file)
    : DispatchObject<IKestroPlugin>(HostTypeLibrary()),
      system_(std::move(system)),
      tuner_config_file_(std::move(tuner_config_file)) {}

TTunerSide::~TTunerSide() {
  alive_.reset();
  StopAll();
}

void TTunerSide::Attach() {
  CheckHResult(system_->Subscribe(kTunerRequestPattern, this));
}

HRESULT TTunerSide::OnMessage(IKestroSystem*, IKestroMessage* message, bool* handled) {
  return FrameValue(handled, [&] {
    // The bus hands its own messages to its plug-ins.
    auto* own = dynamic_cast<THostMessage*>(message);
    if (!own) throw Exception("The tuner side takes only the host's own messages");
    Handle(*own);
    return true;
  });
}

HRESULT TTunerSide::DescribeSetting(int32_t, IKestroItem*, bool* ok) {
  return FrameValue(ok, [] { return false; });
}

HRESULT TTunerSide::ApplySettings(IKestroItem*, std::string* error, bool* ok) {
  return FrameValue(ok, [] { return true; });
}

HRESULT TTunerSide::IsAvailable(bool* result) {
  return FrameValue(result, [] { return true; });
}

void TTunerSide::Handle(THostMessage& message) {
  const std::string& subject = message.Subject();
  if (subject == "tv-tuner.start-recording") {
    StartRecording(message);
  } else if (subject == "tv-tuner.stop-recording") {
    StopRecording(message);
  } else if (subject == "tv-tuner.warn-recording" || subject == "tv-tuner.wake-up") {
    Log("TUNER : " + message.Text());
  } else if (subject == kShutdownSubject) {
    StopAll();
  }
}

void TTunerSide::StartRecording(const THostMessage& message) {
  Log("TUNER : " + message.Text());
  RecordingRequest request;
  request.lineup_id = IntValue(message, "lineup-id");
  request.tuner_id = IntValue(message, "tuner-id");
  request.schedule_id = IntValue(message, "schedule-id");
  request.duration_minutes = IntValue(message, "duration-minutes");
  request.caption = TextValue(message, "caption");
  request.start_time = DateValue(message, "start-time");
  request.end_time = DateValue(message, "end-time");
  request.channel.number = IntValue(message, "channel-number");
  request.channel.name = TextValue(message, "channel-name");
  request.channel.external_id = TextValue(message, "channel-external-id");
  request.duration = message.Get("duration");
  request.duration_text = message.Get("duration-text");
  const Variant file = message.Get("program-filename");
  request.file = system_->Folder("recordings") +
                 RecordingFileName(file.IsEmptyOrNull() ? "" : file.ToString(),
                                   request.schedule_id);

  auto fail = [&](const std::string& reason) {
    Log("BAD : TUNER : Cannot start schedule " + std::to_string(request.schedule_id) + " : " +
        reason);
    Report(kRecordingStartFailed, {{"lineup-id", Variant(request.lineup_id)},
                                   {"tuner-id", Variant(request.tuner_id)},
                                   {"schedule-id", Variant(request.schedule_id)},
                                   {"reason", Variant(reason)}});
  };
  if (request.schedule_id < 0) return fail("The request names no schedule");
  std::vector<TunerInfo> tuners;
  try {
    tuners = ReadTunerList(tuner_config_file_);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  const TunerInfo* tuner = FindTuner(tuners, request.lineup_id, request.tuner_id);
  if (!tuner) {
    return fail(Format("Lineup %d has no tuner %d in \"%s\"", request.lineup_id, request.tuner_id,
                       tuner_config_file_.c_str()));
  }
  const TunerKey key{request.lineup_id, request.tuner_id};
  if (auto busy = recorders_.find(key); busy != recorders_.end()) {
    const RecordingRequest& current = busy->second.recorder->Request();
    if (current.schedule_id == request.schedule_id) {
      // The scheduler asks again while the start it asked for is on its way back.
      Log(Format("TUNER : Already recording schedule %d", request.schedule_id));
      return;
    }
    if (current.end_time > NowLocal() + kHandOverSeconds * kOneSecond) {
      return fail(Format("Tuner %d of lineup %d is recording schedule %d until %s",
                         request.tuner_id, request.lineup_id, current.schedule_id,
                         FormatDateTime("yyyy-mm-dd hh:nn:ss", current.end_time).c_str()));
    }
    Log(Format("TUNER : Schedule %d hands tuner %d over to schedule %d", current.schedule_id,
               request.tuner_id, request.schedule_id));
    recorders_.erase(busy);  // closes its file and reports its end
  }

  const uint64_t serial = next_serial_++;
  std::weak_ptr<TTunerSide*> alive = alive_;
  TaskRunner plugin_thread = system_->PluginThread();
  ComPtr<THostSystem> system = system_;
  auto on_end = [alive, plugin_thread, key, serial] {
    plugin_thread.Post([alive, key, serial] {
      if (auto self = alive.lock()) (*self)->Reap(key, serial);
    });
  };
  recorders_[key] = Active{
      serial, std::make_unique<Recorder>(
                  *tuner, request,
                  [system](const std::string& subject, ReportValues values) {
                    SendReport(*system, subject, std::move(values));
                  },
                  [system](const std::string& line) { system->LogLine(line); }, on_end)};
  Changed();
}

void TTunerSide::StopRecording(const THostMessage& message) {
  Log("TUNER : " + message.Text());
  const int32_t schedule_id = IntValue(message, "schedule-id");
  const int32_t lineup_id = IntValue(message, "lineup-id");
  for (auto it = recorders_.begin(); it != recorders_.end(); ++it) {
    if (it->first.first == lineup_id && it->second.recorder->Request().schedule_id == schedule_id) {
      recorders_.erase(it);  // closes its file and reports its end
      Changed();
      return;
    }
  }
  Log(Format("TUNER : Schedule %d is not being recorded; nothing to stop", schedule_id));
}

void TTunerSide::Report(const std::string& subject, ReportValues values) {
  SendReport(*system_, subject, std::move(values));
}

void TTunerSide::StopAll() {
  if (recorders_.empty()) return;
  for (auto& [key, active] : recorders_) active.recorder->Stop();  // all at once, then wait
  recorders_.clear();
  Changed();
}

std::vector<RecordingRequest> TTunerSide::Recordings() const {
  std::vector<RecordingRequest> recordings;
  for (const auto& [key, active] : recorders_) recordings.push_back(active.recorder->Request());
  return recordings;
}

void TTunerSide::Reap(TunerKey key, uint64_t serial) {
  auto it = recorders_.find(key);
  if (it == recorders_.end() || it->second.serial != serial) return;
  recorders_.erase(it);
  Changed();
}

}  // namespace kestro::host
