#include "support/logger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "common/error_of.h"
#include "common/fake_env.h"
#include "kestro/host_type_library.h"
#include "platform/exception.h"
#include "platform/system/debug_trace.h"
#include "platform/time/date_time.h"
#include "support/host_log.h"

namespace kestro {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Parsed {
  std::string time, elapsed, thread, rest;
};

// Splits a line into its header fields and the rest.
Parsed Parse(const std::string& line) {
  static const std::regex kLine(
      R"(^(\d\d-[A-Z][a-z]{2}-\d{4} \d\d:\d\d:\d\d:\d{3}) : (\d\d\.\d\d\.\d{3}) : \[( *\d+)\] : (.*)$)");
  std::smatch m;
  EXPECT_TRUE(std::regex_match(line, m, kLine)) << line;
  return m.empty() ? Parsed{} : Parsed{m[1], m[2], m[3], m[4]};
}

class LoggerTest : public ::testing::Test {
 protected:
  std::shared_ptr<testing::FakeEnv> env_ =
      std::make_shared<testing::FakeEnv>(EncodeDateTime({2006, 3, 4, 13, 5, 9, 123}));
  std::vector<std::string> lines_;
};

TEST_F(LoggerTest, HeaderFieldsAndElapsedTime) {
  TStringsLogger log(env_, lines_);
  log.Log("unnamed");
  log.SetName("SMAN");
  log.Log("same tick");
  env_->AdvanceMillis(1500);
  log.Log("later");
  env_->AdvanceMillis(((1 * 60 + 2) * 60 + 3) * 1000 + 4);  // hours are not shown
  log.Log("much later");

  ASSERT_EQ(lines_.size(), 4u);
  const Parsed first = Parse(lines_[0]);
  EXPECT_EQ(first.time, "04-Mar-2006 13:05:09:123");
  EXPECT_EQ(std::stoul(first.thread), CurrentThreadId());
  EXPECT_EQ(first.rest, "unnamed");  // no empty name field
  EXPECT_EQ(Parse(lines_[1]).rest, "SMAN : same tick");
  EXPECT_EQ(Parse(lines_[2]).elapsed, "00.01.500");
  EXPECT_EQ(Parse(lines_[2]).time, "04-Mar-2006 13:05:10:623");
  EXPECT_EQ(Parse(lines_[3]).elapsed, "02.03.004");
}

// A host log that records lines and can be told to fail.
class FakeHostLog : public DispatchObject<IKestroLog> {
 public:
  FakeHostLog() : DispatchObject<IKestroLog>(HostTypeLibrary()) {}
  HRESULT WriteLine(const std::string& line) override {
    if (fail) {
      SetErrorInfo(IKestroLog::kIID, "host log is closed");
      return E_FAIL;
    }
    lines.push_back(line);
    return S_OK;
  }
  std::vector<std::string> lines;
  bool fail = false;
};

TEST_F(LoggerTest, HostLoggerForwardsBareLinesAndRaisesFailures) {
  ComPtr<FakeHostLog> host = MakeObject<FakeHostLog>();
  TMultiLogger multi(
      {std::make_shared<TStringsLogger>(env_, lines_), std::make_shared<TMLLogger>(host)});
  multi.Log("START : tuner 1");
  host->fail = true;
  EXPECT_THAT(testing::ErrorOf<Exception>([&] { multi.Log("STOP : tuner 1"); }),
              HasSubstr("host log is closed"))
      << "the host's failure must reach the caller";
  EXPECT_EQ(Parse(lines_.back()).rest, "STOP : tuner 1");  // members before it have written
  host->fail = false;
  multi.Log("again");  // the lock was released
  EXPECT_THAT(host->lines, ElementsAre("START : tuner 1", "again"));
}

TEST_F(LoggerTest, KestroLogWritesIntoTheModulesLogger) {
  auto target = std::make_shared<TStringsLogger>(env_, lines_);
  target->SetName("IMPORT");
  EXPECT_EQ(NewKestroLog(target, "")->WriteLine("grabbing"), S_OK);
  EXPECT_EQ(NewKestroLog(target, "XMLTV")->WriteLine("3 channels"), S_OK);
  ASSERT_EQ(lines_.size(), 2u);
  EXPECT_EQ(Parse(lines_[0]).rest, "IMPORT : grabbing");
  EXPECT_EQ(Parse(lines_[1]).rest, "IMPORT : XMLTV : 3 channels");

  ComPtr<FakeHostLog> host = MakeObject<FakeHostLog>();
  host->fail = true;
  EXPECT_EQ(NewKestroLog(std::make_shared<TMLLogger>(host), "")->WriteLine("x"), E_UNEXPECTED);
  ErrorInfo info;
  ASSERT_EQ(GetErrorInfo(&info), S_OK);
  EXPECT_THAT(info.description, HasSubstr("host log is closed"));
}

}  // namespace
}  // namespace kestro
