// What the recording tests share: run-time property objects of the running test alone, and a
// manual clock moved a second at a time with the owner's message loop run after each step.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "common/fake_env.h"
#include "platform/system/message_loop.h"
#include "recording/runtime_props.h"

namespace kestro::testing {

// Names no parallel test shares; the objects are removed when the test ends.
struct TestRunTimeNames : RunTimePropsNames {
  TestRunTimeNames() {
    const std::string base = "/kestro-test-" + std::to_string(getpid()) + "-" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    memory = base + ".props";
    change_event = base + ".changed";
  }
  ~TestRunTimeNames() {
    SharedMemory::Unlink(memory);
    SharedMemory::Unlink(change_event);
  }
};

// Lets `ms` pass a second at a time; what comes due runs on `loop` as it would on its thread.
inline void PassTime(FakeEnv& env, MessageLoop& loop, int64_t ms) {
  do {
    const int64_t step = std::min<int64_t>(ms, 1000);
    env.AdvanceMillis(step);
    loop.RunUntilIdle();
    ms -= step;
  } while (ms > 0);
}

}  // namespace kestro::testing
