#include <gtest/gtest.h>

#include "platform/system/debug_trace.h"

namespace kestro {
namespace {

TEST(DebugTraceTest, WritesOneLineOnlyWhileSwitchedOn) {
  testing::internal::CaptureStderr();
  DebugTrace("hidden");
  SetDebugOutput(true);
  DebugTrace("shown");
  SetDebugOutput(false);
  const std::string err = testing::internal::GetCapturedStderr();
  char expected[64];
  std::snprintf(expected, sizeof expected, "<%4.4d> : shown\n",
                static_cast<int>(CurrentThreadId()));
  EXPECT_EQ(err, expected);
}

}  // namespace
}  // namespace kestro
