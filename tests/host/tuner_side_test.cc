#include "host/tuners/tuner_side.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/recording_plugin.h"
#include "common/temp_dir.h"
#include "host/host_clock.h"
#include "host/tuners/test_stream.h"
#include "platform/time/date_time.h"

namespace kestro::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::RecordingPlugin;

// Whole 188-byte packets, each starting with the sync byte; a PAT first.
void ExpectPlayable(const std::string& data) {
  ASSERT_FALSE(data.empty());
  ASSERT_EQ(data.size() % 188, 0u);
  for (size_t i = 0; i < data.size(); i += 188) ASSERT_EQ(data[i], '\x47') << "packet " << i / 188;
  EXPECT_EQ(data.substr(1, 2), std::string("\x40\x00", 2)) << "PAT on PID 0 first";
}

TEST(TestStreamTest, PatCarriesItsCrcAndNullPacketsFill) {
  uint8_t continuity = 0;
  const std::string packets = TestStreamPackets(0, 5, 2, &continuity);
  ASSERT_EQ(packets.size(), 5 * 188u);
  EXPECT_EQ(continuity, 3) << "PATs at 0, 2 and 4";
  EXPECT_EQ(static_cast<uint8_t>(packets[188 + 1]), 0x1F) << "null packet PID 0x1FFF";
  // A section's CRC over itself including the CRC is 0.
  const auto* section = reinterpret_cast<const uint8_t*>(packets.data() + 5);
  EXPECT_EQ(Mpeg2Crc32(section, 16), 0u);
  EXPECT_EQ(static_cast<uint8_t>(packets[2 * 188 + 3]) & 0x0F, 1) << "continuity counts up";
}

class TunerSideTest : public ::testing::Test {
 protected:
  TunerSideTest() {
    HostOptions options;
    options.root_dir = dir_.path() + "/";
    options.log_file = dir_ / "logs/host.log";
    system_ = NewHostSystem(options, loop_.Runner());
    testing::WriteFile(dir_ / "tuners.xml",
                       "<tuner-config>"
                       "<group lineup='1'><tuner device='a'><tuner-properties>"
                       "<tuner-property name='bitrate' value='8000000'/></tuner-properties></tuner>"
                       "<tuner device='b'/></group>"
                       "<group lineup='2' backend='test'><tuner device='c'/></group>"
                       "</tuner-config>");
    tuners_ = MakeObject<TTunerSide>(system_, dir_ / "tuners.xml");
    tuners_->Attach();
    EXPECT_EQ(system_->Subscribe("tv-scheduler.notify.*", scheduler_.Get()), S_OK);
  }
  // The host holds its subscribers and the tuner side holds the host: unsubscribing breaks the
  // cycle, as the daemon does at shutdown.
  ~TunerSideTest() override {
    tuners_->StopAll();
    system_->Unsubscribe(tuners_.Get());
    system_->Unsubscribe(scheduler_.Get());
  }

  void Request(const std::string& subject, int lineup, int tuner, int schedule,
               const std::string& file = "News_ABC_7", double minutes_left = 30) {
    ComPtr<THostMessage> message = system_->NewMessage(subject);
    message->Set("lineup-id", Variant(lineup));
    message->Set("tuner-id", Variant(tuner));
    message->Set("schedule-id", Variant(schedule));
    message->Set("program-filename", Variant(file));
    message->Set("duration-minutes", Variant(30));
    message->Set("end-time", Variant(OleDate(NowLocal() + minutes_left / 1440)));
    ASSERT_EQ(message->Send(), S_OK);
    loop_.RunUntilIdle();
  }
  // Runs the loop until the scheduler holds `count` reports (5 s at most).
  void AwaitReports(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (scheduler_->received.size() < count && std::chrono::steady_clock::now() < deadline) {
      loop_.RunUntilIdle();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(scheduler_->received.size(), count);
  }

  testing::TempDir dir_;
  MessageLoop loop_;
  ComPtr<THostSystem> system_;
  ComPtr<RecordingPlugin> scheduler_ = MakeObject<RecordingPlugin>();
  ComPtr<TTunerSide> tuners_;
};

TEST_F(TunerSideTest, UnknownAndBusyTunersFailWithAReason) {
  Request("tv-tuner.start-recording", 2, 2, 5);  // lineup 2 has one tuner
  Request("tv-tuner.start-recording", 3, 1, 6);  // no group for lineup 3
  Request("tv-tuner.start-recording", 1, 2, 8, "First");
  Request("tv-tuner.start-recording", 1, 2, 9, "Second");  // tuner 2 is taken for 30 minutes
  Request("tv-tuner.start-recording", 1, 2, 8, "First");   // asked again: nothing new happens
  AwaitReports(4);
  std::map<int, std::string> reasons;
  for (const auto& report : scheduler_->received)
    if (report.subject == kRecordingStartFailed)
      reasons[report.Get("schedule-id").ToInt32()] = report.Get("reason").ToString();
  EXPECT_THAT(reasons[5], HasSubstr("Lineup 2 has no tuner 2"));
  EXPECT_THAT(reasons[6], HasSubstr("Lineup 3 has no tuner 1"));
  EXPECT_THAT(reasons[9], HasSubstr("Tuner 2 of lineup 1 is recording schedule 8 until"));
  EXPECT_EQ(reasons.size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "recordings/Second.ts"));
}

TEST_F(TunerSideTest, ARecordingDueToEndHandsItsTunerToTheNextAndShutdownClosesFiles) {
  Request("tv-tuner.start-recording", 1, 2, 1, "Early", /*minutes_left=*/0);
  AwaitReports(1);
  Request("tv-tuner.start-recording", 1, 2, 2, "Late");
  Request("tv-tuner.stop-recording", 1, 2, 1);  // the stop of the first comes after the start
  AwaitReports(3);
  EXPECT_THAT(scheduler_->Subjects(),
              ElementsAre(kRecordingStarted, kRecordingFinished, kRecordingStarted));
  EXPECT_EQ(scheduler_->received[2].Get("schedule-id").ToInt32(), 2);

  tuners_->StopAll();  // as the host does before its shutdown message
  AwaitReports(4);
  EXPECT_EQ(scheduler_->received[3].subject, kRecordingFinished);
  EXPECT_EQ(scheduler_->received[3].Get("schedule-id").ToInt32(), 2);
  ExpectPlayable(testing::ReadFile(dir_ / "recordings/Late.ts"));
}

TEST_F(TunerSideTest, AnInterruptedRecordingContinuesItsFileFromWholePackets) {
  std::filesystem::create_directories(dir_ / "recordings");
  testing::WriteFile(dir_ / "recordings/Resumed.ts", std::string(188, '\x47') + "torn");
  Request("tv-tuner.start-recording", 1, 1, 3, "Resumed");
  AwaitReports(1);
  const auto& started = scheduler_->received[0];
  EXPECT_EQ(started.Get("program-filename").ToString(), dir_ / "recordings/Resumed.ts");
  EXPECT_EQ(started.Get("bitrate").ToInt32(), 8000) << "the tuner's own bitrate, in kbit/s";
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  tuners_->StopAll();
  const std::string data = testing::ReadFile(dir_ / "recordings/Resumed.ts");
  ASSERT_GT(data.size(), 188u);
  EXPECT_EQ(data.size() % 188, 0u);
  EXPECT_EQ(data.substr(188, 3), std::string("\x47\x40\x00", 3)) << "the torn end was cut off";
}

}  // namespace
}  // namespace kestro::host
