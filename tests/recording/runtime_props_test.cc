#include "recording/runtime_props.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/error_of.h"
#include "recording/recording_test_support.h"

namespace kestro {
namespace {

using ::testing::StartsWith;

class RunTimePropsTest : public ::testing::Test {
 protected:
  testing::TestRunTimeNames names_;
};

TEST_F(RunTimePropsTest, SlotsAreSharedAndBadIndexesOrNamesSayWhy) {
  TRunTimeProps first(names_);
  EXPECT_EQ(first.GetCount(), 256);
  first.SetValue(255, -1);
  first.SetValue(0, 20260501);
  TRunTimeProps second(names_);
  EXPECT_EQ(second.GetValue(0), 20260501);
  EXPECT_EQ(second.GetValue(255), -1);

  second.ReleaseView();
  second.SetValue(1, 5);  // maps the block again
  EXPECT_EQ(first.GetValue(1), 5);

  EXPECT_EQ(testing::ErrorOf([&] { first.GetValue(256); }), "Invalid MMF index 256");
  RunTimePropsNames bad = names_;
  bad.memory = "/no/such/name";
  EXPECT_THAT(testing::ErrorOf([&] { TRunTimeProps props(bad); }), StartsWith("Failed to create MMF : "));
}

// Another process sees the value and is woken by the change.
TEST_F(RunTimePropsTest, AnotherProcessIsWokenByAChange) {
  TRunTimeProps props(names_);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TRunTimeProps mine(names_);
    _exit(mine.WaitForChange(10000) ? mine.GetValue(3) : 0);
  }
  // A change reaches only a process waiting at that moment: change until the child has seen one.
  int status = 0;
  for (int32_t value = 41; waitpid(child, &status, WNOHANG) == 0; value = value == 41 ? 42 : 41) {
    props.SetValue(3, value);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_THAT(WEXITSTATUS(status), ::testing::AnyOf(41, 42));
}

TEST_F(RunTimePropsTest, ChangeHandlerRunsOnTheOwnersLoop) {
  MessageLoop loop;
  TRunTimeProps props(names_);
  TRunTimeProps writer(names_);
  std::atomic<int32_t> seen{0};
  props.SetOnChange([&] {
    seen = props.GetValue(2);
    loop.Quit();
  });
  std::thread changes([&] {
    for (int32_t value = 1; value < 500 && seen == 0; ++value) {
      writer.SetValue(2, value);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    loop.Quit();
  });
  loop.Run();
  changes.join();
  EXPECT_GT(seen, 0);
  props.SetOnChange(nullptr);
}

}  // namespace
}  // namespace kestro
