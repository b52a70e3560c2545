// The host's progress of a listings import (IMLImportProgress) as the kestro tool shows it: a
// progress bar with percentage and status text on a terminal, one plain line per change
// otherwise, nothing when quiet. It answers "go on" until cancelled; after that every report
// answers false, which makes the import plug-in stop with "canceled".
#pragma once

#include <atomic>
#include <csignal>
#include <cstdint>
#include <ostream>
#include <string>

#include "kestro/com_object.h"
#include "kestro/host.h"

namespace kestro::host {

class THostImportProgress : public DispatchObject<IMLImportProgress> {
 public:
  enum class Style { kBar, kLines, kQuiet };

  // `cancel_flag`, when given, cancels the import once it reads true (set from a signal
  // handler, see ScopedInterruptCancel). The stream and the flag must outlive the object.
  THostImportProgress(std::ostream& out, Style style,
                      const std::atomic<bool>* cancel_flag = nullptr);

  // percent 0..100, or -1 when unknown.
  HRESULT ReportProgress(int32_t percent, const std::string& status, bool* go_on) override;

  // From now on every report answers false.
  void Cancel() { canceled_ = true; }
  bool Canceled() const;
  // Ends the bar's line, so that what follows starts on a line of its own.
  void Finish();

  // The bar for a terminal, plain lines otherwise; quiet wins.
  static Style StyleFor(int fd, bool quiet);
  // "[##########..........]  50% Status", the bar `width` characters wide.
  static std::string RenderBar(int32_t percent, const std::string& status, int width = 30);

 private:
  std::ostream& out_;
  const Style style_;
  const std::atomic<bool>* const cancel_flag_;
  std::atomic<bool> canceled_{false};
  bool shown_ = false;  // something is on the bar's line
  int32_t last_percent_ = -2;
  std::string last_status_;
  std::string last_phase_;
};

// While alive, SIGINT sets Flag() instead of ending the process; a second SIGINT ends it as
// usual. One object at a time.
class ScopedInterruptCancel {
 public:
  ScopedInterruptCancel();
  ~ScopedInterruptCancel();
  ScopedInterruptCancel(const ScopedInterruptCancel&) = delete;
  ScopedInterruptCancel& operator=(const ScopedInterruptCancel&) = delete;

  static const std::atomic<bool>& Flag();

 private:
  struct sigaction previous_ {};
};

}  // namespace kestro::host
