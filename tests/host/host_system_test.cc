#include "host/host_system.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/recording_plugin.h"
#include "common/temp_dir.h"
#include "kestro/interface_reads.h"

namespace kestro::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::RecordingPlugin;

TEST(SubjectMatchTest, StarMatchesAnyRunAndCaseDoesNotCount) {
  EXPECT_TRUE(SubjectMatches("tv-scheduler.notify.recording-started", "tv-scheduler.notify.*"));
  EXPECT_TRUE(SubjectMatches("TV-Tuner.Wake-Up", "tv-tuner.*"));
  EXPECT_TRUE(SubjectMatches("abcbc", "a*bc"));
  EXPECT_FALSE(SubjectMatches("tv-tuner.start", "tv-scheduler.*"));
  EXPECT_FALSE(SubjectMatches("tv-tuner", "tv-tuner.*"));
}

class HostSystemTest : public ::testing::Test {
 protected:
  HostSystemTest() {
    HostOptions options;
    options.root_dir = dir_.path() + "/";
    options.folders["recordings"] = dir_ / "rec/";
    options.log_file = dir_ / "logs/host.log";
    system_ = NewHostSystem(options, loop_.Runner());
  }
  ComPtr<IKestroMessage> Message(const std::string& subject) {
    ComPtr<IKestroMessage> message;
    EXPECT_EQ(system_->CreateMessage(subject, message.ReleaseAndGetAddressOf()), S_OK);
    return message;
  }

  testing::TempDir dir_;
  MessageLoop loop_;
  ComPtr<THostSystem> system_;
};

TEST_F(HostSystemTest, MessagesReachMatchingSubscribersOnThePluginThreadAfterTheSend) {
  auto tuner = MakeObject<RecordingPlugin>();
  auto scheduler = MakeObject<RecordingPlugin>();
  ASSERT_EQ(system_->Subscribe("tv-tuner.*", tuner.Get()), S_OK);
  ASSERT_EQ(system_->Subscribe("tv-scheduler.notify.*", scheduler.Get()), S_OK);

  ComPtr<IKestroMessage> start = Message("tv-tuner.start-recording");
  start->put_Values(Variant("schedule-id"), Variant(7));
  ASSERT_EQ(start->Send(), S_OK);
  EXPECT_TRUE(tuner->received.empty()) << "delivered only from the loop";
  ComPtr<IKestroMessage> started = Message("tv-scheduler.notify.recording-started");
  Variant target;
  ASSERT_EQ(system_->PluginTarget(tuner.Get(), &target), S_OK);
  ASSERT_EQ(started->SendTo(target), S_OK);  // to the tuner alone, whatever it subscribed to
  loop_.RunUntilIdle();

  EXPECT_THAT(tuner->Subjects(),
              ElementsAre("tv-tuner.start-recording", "tv-scheduler.notify.recording-started"));
  EXPECT_EQ(tuner->received[0].Get("schedule-id").ToInt32(), 7);
  EXPECT_TRUE(scheduler->received.empty());

  EXPECT_FALSE(Get(start.Get(), &IKestroMessage::IsShutdown));
  EXPECT_TRUE(Get(system_->NewMessage(kShutdownSubject).Get(), &IKestroMessage::IsShutdown));
}

TEST_F(HostSystemTest, PropertiesKeepTheirValuesAndEventsReachTheLog) {
  std::vector<std::string> seen;
  system_->OnRuntimeProperty(
      [&](const std::string& name, const THostSystem::PropertyValues&) { seen.push_back(name); });
  ComPtr<THostItem> item = NewHostItem();
  item->Set("status", Variant("WAITING"));
  ASSERT_EQ(system_->SetRuntimeProperty("tv.recording-status.tuner-1", item.Get()), S_OK);
  item->Set("status", Variant("RECORDING"));  // the property keeps the values it was given
  EXPECT_THAT(seen, ElementsAre("tv.recording-status.tuner-1"));
  EXPECT_EQ(system_->RuntimeProperties()["tv.recording-status.tuner-1"][0].second.ToString(),
            "WAITING");

  ComPtr<IKestroSystem> as_system(system_.Get());  // as the module holds it
  ComPtr<IKestroInstrumentation> instrumentation = as_system.As<IKestroInstrumentation>();
  ASSERT_TRUE(instrumentation);
  ComPtr<THostItem> pairs = NewHostItem();
  pairs->Set("cid", Variant("ch.1"));
  ASSERT_EQ(instrumentation->RecordEvent("rtv", pairs.Get()), S_OK);
  ASSERT_EQ(system_->ShowStatus("ready"), S_OK);
  const std::string log = testing::ReadFile(dir_ / "logs/host.log");
  EXPECT_THAT(log, HasSubstr("EVENT : rtv : cid = ch.1\n"));
  EXPECT_THAT(log, HasSubstr("STATUS : ready\n"));
}

}  // namespace
}  // namespace kestro::host
