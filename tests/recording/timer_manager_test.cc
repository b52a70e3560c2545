#include "recording/timer_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/fake_env.h"
#include "recording/recording_test_support.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"

namespace kestro {
namespace {

using ::testing::ElementsAre;

struct Firing {
  std::string name;
  int32_t fire_count;
  int64_t at_ms;
  bool operator==(const Firing&) const = default;
};

class TimerManagerTest : public ::testing::Test {
 protected:
  TimerManagerTest() {
    timers_.SetOnTimer([this](uint32_t, int32_t, const std::string& name, TDictionary&,
                              int32_t count) { fired_.push_back({name, count, Elapsed()}); });
  }
  int64_t Elapsed() { return env_->NowUnixMillis() - start_ms_; }
  void Pass(int64_t ms) { testing::PassTime(*env_, loop_, ms); }

  std::shared_ptr<testing::FakeEnv> env_ =
      std::make_shared<testing::FakeEnv>(EncodeDateTime({2030, 5, 1, 20, 0, 0, 0}));
  const int64_t start_ms_ = env_->NowUnixMillis();
  MessageLoop loop_;
  TTimerManager timers_{env_, loop_.Runner()};
  std::vector<Firing> fired_;
};

TEST_F(TimerManagerTest, PeriodicTimersFireEveryPeriodUntilTheirLimit) {
  EXPECT_EQ(timers_.AddTimerIn(TTimerManager::kMinutes, 0, 0, 0, "none", nullptr, false), 0u);
  EXPECT_EQ(timers_.AddTimerIn(7, 5, 0, 0, "unknown unit", nullptr, false), 0u);
  EXPECT_TRUE(timers_.Timers().empty());

  timers_.AddTimerIn(TTimerManager::kMinutes, 5, 3, 0, "three", nullptr, false);
  const uint32_t endless = timers_.AddTimerIn(TTimerManager::kHours, 1, 0, 0, "hourly", nullptr, true);
  Pass(5 * 60000 - 1000);
  EXPECT_TRUE(fired_.empty()) << "the first firing is one period after the call";
  Pass(3 * 3600000);
  EXPECT_THAT(fired_, ElementsAre(Firing{"three", 1, 300000}, Firing{"three", 2, 600000},
                                  Firing{"three", 3, 900000}, Firing{"hourly", 1, 3600000},
                                  Firing{"hourly", 2, 7200000}, Firing{"hourly", 3, 10800000}));
  ASSERT_EQ(timers_.Timers().size(), 1u) << "a timer at its limit removes itself";
  EXPECT_EQ(timers_.Timers()[0].id, endless);
  EXPECT_EQ(env_->ArmedTimers(), 1u);
}

TEST_F(TimerManagerTest, OneShotTimersKeepACopyOfThePropertiesAndFireOnce) {
  ComPtr<TDictionary> props = NewDictionary();
  props->Set("schedule-id", 7);
  std::string seen;
  timers_.SetOnTimer([&](uint32_t, int32_t tag, const std::string& name, TDictionary& p, int32_t) {
    seen += name + Format(":%d:", tag) + p.Get("schedule-id").ToString() + " ";
  });
  timers_.AddTimerAt(4, "start", env_->NowLocal() + kOneMinute, props.Get(), true);
  props->Set("schedule-id", 8);
  timers_.AddTimerAt(0, "past", env_->NowLocal() - kOneHour, nullptr, false);
  Pass(60000);
  EXPECT_EQ(seen, "past:0: start:4:7 ") << "a moment in the past fires at once";
  EXPECT_TRUE(timers_.Timers().empty());
  EXPECT_EQ(env_->ArmedTimers(), 0u);
}

TEST_F(TimerManagerTest, ExpiriesOfTimersRemovedMeanwhileAreIgnored) {
  const uint32_t a = timers_.AddTimerIn(TTimerManager::kSeconds, 1, 0, 0, "a", nullptr, false);
  timers_.AddTimerIn(TTimerManager::kSeconds, 1, 0, 0, "b", nullptr, false);
  env_->AdvanceMillis(1000);  // both expiries wait on the loop
  timers_.RemoveTimer(a);
  loop_.RunUntilIdle();
  timers_.ClearTimers();
  Pass(5000);
  EXPECT_THAT(fired_, ElementsAre(Firing{"b", 1, 1000}));
}

}  // namespace
}  // namespace kestro
