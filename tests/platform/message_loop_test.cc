#include "platform/system/message_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/exception.h"

namespace kestro {
namespace {

TEST(MessageLoopTest, TasksRunOnTheLoopsThreadInTheOrderPosted) {
  MessageLoop loop;
  EXPECT_EQ(MessageLoop::Current(), &loop);
  EXPECT_THROW({ MessageLoop second; }, Exception);
  std::vector<int> ran;
  TaskRunner runner = loop.Runner();
  std::thread poster([&] {
    for (int i = 0; i < 100; ++i) runner.Post([&ran, i] { ran.push_back(i); });
    runner.Post([&] { loop.Quit(); });
  });
  loop.Run();
  poster.join();
  ASSERT_EQ(ran.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(ran[static_cast<size_t>(i)], i);
}

TEST(MessageLoopTest, RunUntilIdleRunsWhatTasksPostAndAPostToAGoneLoopIsDropped) {
  TaskRunner runner;
  int ran = 0;
  {
    MessageLoop loop;
    runner = loop.Runner();
    runner.Post([&] {
      ++ran;
      loop.Post([&] { ++ran; });
    });
    EXPECT_EQ(loop.RunUntilIdle(), 2u);
    EXPECT_EQ(loop.RunUntilIdle(), 0u);
    runner.Post([&] { ++ran; });  // dropped with the loop
  }
  EXPECT_EQ(MessageLoop::Current(), nullptr);
  EXPECT_FALSE(runner.Post([&] { ++ran; }));
  EXPECT_EQ(ran, 2);
}

}  // namespace
}  // namespace kestro
