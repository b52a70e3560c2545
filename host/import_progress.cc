#include "host/import_progress.h"

#include <unistd.h>

#include <algorithm>

#include "kestro/host_type_library.h"
#include "platform/text/text.h"

namespace kestro::host {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

}  // namespace

THostImportProgress::THostImportProgress(std::ostream& out, Style style,
                                         const std::atomic<bool>* cancel_flag)
    : DispatchObject<IMLImportProgress>(HostTypeLibrary()),
      out_(out),
      style_(style),
      cancel_flag_(cancel_flag) {}

bool THostImportProgress::Canceled() const {
  return canceled_.load() || (cancel_flag_ && cancel_flag_->load());
}

std::string THostImportProgress::RenderBar(int32_t percent, const std::string& status,
                                           int width) {
  const size_t cells = static_cast<size_t>(std::max(width, 0));
  std::string bar = "[";
  if (percent < 0) return bar.append(cells, '?') + "]      " + status;
  const int32_t clamped = std::clamp(percent, 0, 100);
  const size_t filled = cells * static_cast<size_t>(clamped) / 100;
  bar.append(filled, '#').append(cells - filled, '.');
  return bar + "] " + Format("%3d%%", clamped) + " " + status;
}

HRESULT THostImportProgress::ReportProgress(int32_t percent, const std::string& status,
                                            bool* go_on) {
  return FrameValue(go_on, [&] {
    if (Canceled()) return false;
    // Within one phase (the status without its counts) the percentage never goes back.
    std::string phase = status;
    std::erase_if(phase, [](char c) { return c >= '0' && c <= '9'; });
    if (percent >= 0 && phase == last_phase_ && percent < last_percent_) percent = last_percent_;
    last_phase_ = std::move(phase);
    if (style_ == Style::kQuiet || (percent == last_percent_ && status == last_status_))
      return true;
    last_percent_ = percent;
    last_status_ = status;
    if (style_ == Style::kBar) {
      // Carriage return, the bar, and clear what a longer previous line left.
      out_ << '\r' << RenderBar(percent, status) << "\x1b[K" << std::flush;
      shown_ = true;
    } else if (percent < 0) {
      out_ << status << '\n' << std::flush;
    } else {
      out_ << Format("%3d%% ", percent) << status << '\n' << std::flush;
    }
    return true;
  });
}

void THostImportProgress::Finish() {
  if (shown_) out_ << '\n' << std::flush;
  shown_ = false;
}

THostImportProgress::Style THostImportProgress::StyleFor(int fd, bool quiet) {
  if (quiet) return Style::kQuiet;
  return ::isatty(fd) ? Style::kBar : Style::kLines;
}

ScopedInterruptCancel::ScopedInterruptCancel() {
  g_interrupted.store(false);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_RESTART;  // the second Ctrl-C ends the process
  sigaction(SIGINT, &action, &previous_);
}

ScopedInterruptCancel::~ScopedInterruptCancel() { sigaction(SIGINT, &previous_, nullptr); }

const std::atomic<bool>& ScopedInterruptCancel::Flag() { return g_interrupted; }

}  // namespace kestro::host
