// Debugger output: one line to standard error while the debug-output switch is on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

void SetDebugOutput(bool on);
bool DebugOutputEnabled();
// Writes "<%4.4d> : %s" with the calling thread's id and the text, only while the switch is on.
void DebugTrace(std::string_view text);
// The kernel thread id of the calling thread.
uint32_t CurrentThreadId();
// The command-line arguments of this process (from /proc/self/cmdline), program name first.
std::vector<std::string> ProcessArguments();

}  // namespace kestro
