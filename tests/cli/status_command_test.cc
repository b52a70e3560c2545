// kestro status on a small guide with two tuners, without a daemon and beside one (this test
// holding its lock and writing its status file as kestrod does).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "cli/small_guide.h"
#include "host/daemon_files.h"
#include "host/host_clock.h"

namespace kestro {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using StatusCommand = testing::SmallGuideTest;

TEST_F(StatusCommand, FromTheSchedulesAloneThenWithTheDaemonsRecording) {
  ASSERT_EQ(Kestro("record 1 1").out, "Schedule 1 on tuner 2\n");  // on since ten minutes ago
  ASSERT_EQ(Kestro("record 1 2").out, "Schedule 2 on tuner 2\n");  // in 50 minutes
  EXPECT_THAT(Succeeds("status --format tsv"),
              AllOf(HasSubstr("1\t1\tidle\t"), HasSubstr("1\t2\tnot recording\tStar Trek\t")));
  EXPECT_THAT(Kestro("status").out, HasSubstr("kestrod         not running\n"
                                              "Next recording  "));

  const std::string root_dir = root_ + "/";
  pid_t holder = 0;
  auto lock = host::InstanceLock::TryAcquire(host::DaemonLockFile(root_dir), &holder);
  ASSERT_TRUE(lock);
  const OleDate now = host::NowLocal();
  host::DaemonStatus status;
  status.pid = ::getpid();
  status.properties["tv.recording-status.tuner-2"] = {{"status", Variant("RECORDING")},
                                                      {"schedule-id", Variant(1)},
                                                      {"start-time", Variant(OleDate(now))}};
  status.recordings.push_back({1, 2, 1, "Star Trek", dir_ / "rec.ts", 60, now - 0.25 / 24,
                               now + 0.75 / 24});
  testing::WriteFile(dir_ / "rec.ts", std::string(2'000'000, '\x47'));
  host::WriteDaemonStatus(host::DaemonStatusFile(root_dir), status);

  const nlohmann::json document = nlohmann::json::parse(Succeeds("status --format json"));
  EXPECT_EQ(document["daemon"]["pid"], ::getpid());
  const nlohmann::json& tuner2 = document["tuners"][1];
  EXPECT_EQ(tuner2["state"], "recording");
  EXPECT_EQ(tuner2["progress"], "25%");
  EXPECT_EQ(tuner2["size"], "2.0 MB");
  const auto schedules = nlohmann::json::parse(Kestro("schedule list 1 --format json").out);
  EXPECT_EQ(document["next_recording"], schedules[1]["start"]) << "schedule 2 comes next";
}

}  // namespace
}  // namespace kestro
