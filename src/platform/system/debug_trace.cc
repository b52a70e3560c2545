#include "platform/system/debug_trace.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace kestro {

namespace {
std::atomic<bool> g_debug_output{false};
}  // namespace

void SetDebugOutput(bool on) { g_debug_output.store(on, std::memory_order_relaxed); }

bool DebugOutputEnabled() { return g_debug_output.load(std::memory_order_relaxed); }

void DebugTrace(std::string_view text) {
  if (!DebugOutputEnabled()) return;
  char prefix[32];
  const int n = std::snprintf(prefix, sizeof prefix, "<%4.4d> : ",
                              static_cast<int>(CurrentThreadId()));
  std::string line(prefix, static_cast<size_t>(n));
  line.append(text);
  line.push_back('\n');
  // One write() so that lines of concurrent threads never interleave.
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(gettid()); }

std::vector<std::string> ProcessArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Each argument ends with a NUL; empty arguments are kept.
  std::vector<std::string> args;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    args.emplace_back(all, start, end - start);
    start = end + 1;
  }
  return args;
}

}  // namespace kestro
