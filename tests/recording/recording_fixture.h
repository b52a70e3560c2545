// Lineups in a temporary module folder, the reference host delivering its messages on this
// thread's loop, a tuner side that only keeps what it is told, the schedule manager, and a manual
// clock that the test moves a second at a time.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/fake_env.h"
#include "common/module_folders.h"
#include "common/recording_plugin.h"
#include "common/test_environment.h"
#include "host/host_system.h"
#include "kestro/interface_reads.h"
#include "lineups/lineups.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "recording/schedule_manager.h"
#include "recording/recording_test_support.h"
#include "scheduling/open_listings.h"
#include "scheduling/tv_schedule.h"

namespace kestro::testing {

// 1 May 2030 at the given local time.
inline OleDate May1(int hour, int minute = 0, int second = 0) {
  return EncodeDateTime({2030, 5, 1, hour, minute, second, 0});
}

class RecordingTest : public ::testing::Test {
 protected:
  RecordingTest() {
    SavedEnvironment::SetTimeZone("UTC");
    UseModuleFolders(dir_, 2);
    host::HostOptions options;
    options.root_dir = dir_ / "root/";
    options.log_file = dir_ / "host.log";
    options.media_library_file = dir_ / "data/media-library.db";
    host_ = host::NewHostSystem(options, loop_.Runner());
    host_->Subscribe("tv-tuner.*", tuner_.Get());
    host_->Subscribe("tv-scheduler.event.recording-finished", tuner_.Get());
    manager_options_.runtime_props = runtime_names_;
    manager_options_.lineups = locations_;
  }
  ~RecordingTest() override {
    if (manager_) host_->Unsubscribe(manager_.Get());
    manager_ = nullptr;
  }

  // A saved lineup with channel 1 (ABC, number 7); returns its id.
  int32_t AddLineup(const std::string& name) {
    auto lineups = MakeObject<TTVLineups>(services_, locations_);
    ComPtr<ITVLineup> lineup = GetObject(lineups.Get(), &TTVLineups::NewLineup);
    CheckHResult(lineup->put_Name(name));
    std::string error;
    bool saved = false;
    CheckHResult(lineup->Save(&error, &saved));
    EXPECT_TRUE(saved) << error;
    const int32_t id = Get(lineup.Get(), &ITVLineup::get_ID);
    listings_[id] = OpenListings(locations_.ListingsDatabase(id), id, env_);
    listings_[id]->DB()->Exec(
        "insert into channels ( channel_id , external_id , number , short_name , frequency , "
        "wanted ) values ( 1 , \"abc.example\" , 7 , \"ABC\" , \"570\" , 1 )");
    return id;
  }
  ComPtr<ITVScheduler> Scheduler(int32_t lineup) {
    return GetObject(listings_.at(lineup).Get(), &ITVListings::GetScheduler);
  }

  // Adds a schedule on channel 1 through the lineup's scheduler; returns its id.
  int32_t Record(int32_t lineup, OleDate start, OleDate end) {
    ComPtr<ITVScheduler> scheduler = Scheduler(lineup);
    ComPtr<ITVSchedule> schedule = GetObject(scheduler.Get(), &ITVScheduler::CreateSchedule);
    ScheduleFields& f = OwnSchedule(*schedule)->fields();
    f.title = "News";
    f.channel_id = 1;
    f.start_time = start;
    f.end_time = end;
    ComPtr<ITVScheduleResult> result;
    CheckHResult(scheduler->AddSchedule(schedule.Get(), result.ReleaseAndGetAddressOf()));
    EXPECT_EQ(Get(result.Get(), &ITVScheduleResult::get_Code), TV_ADD_SCHEDULE_OK);
    return f.id;
  }
  ScheduleFields Stored(int32_t lineup, int32_t schedule_id) {
    ComPtr<ITVSchedule> s;
    CheckHResult(Scheduler(lineup)->FindSchedule(schedule_id, s.ReleaseAndGetAddressOf()));
    return s ? OwnSchedule(*s)->fields() : ScheduleFields{};
  }

  void StartManager() {
    manager_ = MakeObject<TTVScheduleManager>(services_, manager_options_);
    host_->Deliver(host_->NewMessage(host::kSystemLoadedSubject),
                   ComPtr<IKestroPlugin>(manager_.Get()));
    loop_.RunUntilIdle();
  }
  // The tuner side's report about a schedule of a lineup.
  void Report(const std::string& subject, int32_t lineup, int32_t schedule_id,
              std::vector<std::pair<std::string, Variant>> values = {}) {
    ComPtr<host::THostMessage> message = host_->NewMessage(subject);
    message->Set("lineup-id", lineup);
    message->Set("schedule-id", schedule_id);
    for (auto& [name, value] : values) message->Set(name, value);
    CheckHResult(message->Send());
    loop_.RunUntilIdle();
  }

  // Moves the clock to `when`, a second at a time, running what comes due on the way.
  void RunTo(OleDate when) {
    PassTime(*env_, loop_, LocalToUnixMillis(when) - env_->NowUnixMillis());
  }

  // What the tuner side was told, and forgets it.
  std::vector<std::string> TakeSubjects() {
    std::vector<std::string> subjects = tuner_->Subjects();
    tuner_->received.clear();
    return subjects;
  }
  // A value of the run-time property of a tuner.
  Variant TunerStatus(int32_t tuner, const std::string& name = "status") {
    auto properties = host_->RuntimeProperties();
    for (const auto& [key, value] : properties[Format("tv.recording-status.tuner-%d", tuner)])
      if (key == name) return value;
    return Variant();
  }
  int32_t TimeOfNextRecording() {
    return TRunTimeProps(manager_options_.runtime_props).GetValue(kTimeOfNextRecordingSlot);
  }
  std::string ManagerLog() { return ReadFile(dir_ / "root/logs/tv.log"); }

  TempDir dir_;
  SavedEnvironment saved_;
  TestRunTimeNames runtime_names_;
  std::shared_ptr<FakeEnv> env_ = std::make_shared<FakeEnv>(May1(19));
  ImportServices services_ = ImportServices::WithBuiltInPlugins(env_);
  LineupLocations locations_{dir_ / "library/", dir_ / "data/tuner-configuration.xml"};
  MessageLoop loop_;
  ComPtr<host::THostSystem> host_;
  ComPtr<RecordingPlugin> tuner_ = MakeObject<RecordingPlugin>();
  ScheduleManagerOptions manager_options_;
  ComPtr<TTVScheduleManager> manager_;
  std::map<int32_t, ComPtr<TTVListings>> listings_;
};

}  // namespace kestro::testing
