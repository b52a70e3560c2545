#include "support/file_logger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <sstream>
#include <thread>
#include <vector>

#include "common/fake_env.h"
#include "common/temp_dir.h"
#include "platform/time/date_time.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class FileLoggerTest : public ::testing::Test {
 protected:
  static std::string Read(const std::string& path) { return testing::ReadFile(path); }
  static long Lines(const std::string& path) {
    const std::string text = Read(path);
    return std::count(text.begin(), text.end(), '\n');
  }
  // One logger lifetime: made (and maybe rotated), one line, released (flushed).
  void LogOnce(const std::string& message, int32_t max_age_days = 1) {
    TBufferedFileLogger(env_, log_, max_age_days, 0).Log(message);
  }

  const OleDate t0_ = EncodeDateTime({2006, 3, 4, 10, 0, 0, 0});
  std::shared_ptr<testing::FakeEnv> env_ = std::make_shared<testing::FakeEnv>(t0_);
  testing::TempDir temp_;
  const std::string dir_ = temp_.path();
  const std::string log_ = dir_ + "/logs/tv.log";
};

TEST_F(FileLoggerTest, BuffersUntilFlushLimitOrRelease) {
  {
    TBufferedFileLogger logger(env_, log_, 0, 0);
    logger.Log("one");
    EXPECT_FALSE(fs::exists(log_));
    logger.Flush();
    logger.Log("two");
    EXPECT_EQ(Lines(log_), 1);
  }
  const std::string text = Read(log_);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 2);
  EXPECT_THAT(text, HasSubstr("] : one\r\n04-Mar-2006 10:00:00:000 : "));

  TBufferedFileLogger limited(env_, log_, 0, 2);
  limited.Log("a");
  limited.Log("b");
  EXPECT_EQ(Lines(log_), 2);
  limited.Log("c");  // more than the limit
  EXPECT_EQ(Lines(log_), 5);
}

TEST_F(FileLoggerTest, FailedFlushKeepsLinesForTheNextOne) {
  const std::string blocker = dir_ + "/blocked";
  std::ofstream(blocker) << "a file where the folder should be";
  const std::string path = blocker + "/tv.log";
  TBufferedFileLogger logger(env_, path, 0, 0);
  logger.SetAutoFlush();
  EXPECT_NO_THROW(logger.Log("kept"));
  EXPECT_EQ(logger.PendingLines(), 1u);
  fs::remove(blocker);
  logger.Log("second");
  EXPECT_EQ(logger.PendingLines(), 0u);
  EXPECT_EQ(Lines(path), 2);
}

TEST_F(FileLoggerTest, RotatesOnceTheFileIsMaxAgeOld) {
  LogOnce("first");
  env_->SetLocal(t0_ + 23 * kOneHour);
  LogOnce("second");
  EXPECT_EQ(Lines(log_), 2);

  const std::string dated = dir_ + "/logs/tv.2006-03-04.log";
  std::ofstream(dated) << "an older rotation of the same day";
  env_->SetLocal(t0_ + 24 * kOneHour);
  LogOnce("third");
  EXPECT_EQ(Lines(dated), 2);
  EXPECT_THAT(Read(dated), HasSubstr("] : second\r\n"));
  EXPECT_EQ(Lines(log_), 1);

  // The new file's age counts from its own creation.
  env_->SetLocal(t0_ + 47 * kOneHour);
  LogOnce("fourth");
  EXPECT_EQ(Lines(log_), 2);
  env_->SetLocal(t0_ + 48 * kOneHour);
  LogOnce("fifth");
  EXPECT_EQ(Lines(dir_ + "/logs/tv.2006-03-05.log"), 2);
  EXPECT_EQ(Lines(log_), 1);
}

TEST_F(FileLoggerTest, FileMadeElsewhereAgesFromItsFileSystemTime) {
  fs::create_directories(dir_ + "/logs");
  std::ofstream(log_) << "from elsewhere\r\n";
  LogOnce("appended");  // made now in real time, years after the pinned clock
  EXPECT_EQ(Lines(log_), 2);

  const OleDate on_disk =
      UnixMillisToLocal(*TBufferedFileLogger::CreationUnixMillis(*env_, log_));
  env_->SetLocal(on_disk + 1.0);
  LogOnce("a day later");
  EXPECT_EQ(Lines(TBufferedFileLogger::DatedFileName(log_, on_disk)), 2);
  EXPECT_EQ(Lines(log_), 1);
}

TEST_F(FileLoggerTest, ConcurrentWritersNeverInterleaveOrLoseLines) {
  {
    TBufferedFileLogger logger(env_, log_, 0, 7);
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
      writers.emplace_back([&logger, t] {
        for (int i = 0; i < 300; ++i) logger.LogFmt("writer %d line %d", t, i);
      });
    for (auto& w : writers) w.join();
  }
  std::istringstream text(Read(log_));
  int count = 0;
  for (std::string line; std::getline(text, line); ++count)
    ASSERT_THAT(line, ::testing::MatchesRegex(".*\\] : writer [0-3] line [0-9]+\r")) << count;
  EXPECT_EQ(count, 1200);
}

}  // namespace
}  // namespace kestro
