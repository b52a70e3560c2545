#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/exception.h"
#include "platform/system/debug_trace.h"

namespace kestro {
namespace {

TEST(ExceptionTest, ClassNameOfOursAndOfStandardExceptions) {
  EXPECT_EQ(ExceptionClassName(EConvertError("x")), "EConvertError");
  EXPECT_EQ(ExceptionClassName(std::out_of_range("x")), "std::out_of_range");
}

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

TEST(DebugTraceTest, ProcessArgumentsStartWithProgram) {
  const auto args = ProcessArguments();
  ASSERT_FALSE(args.empty());
  EXPECT_NE(args[0].find("test_platform"), std::string::npos);
}

}  // namespace
}  // namespace kestro
