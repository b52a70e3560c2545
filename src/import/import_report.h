// What became of the programmes of a listings source: how many reached the guide and, per reason,
// how many were left out, with the first few of each as examples. The XMLTV reader keeps one per
// file and adds it to the run's, which the run's closing lines show.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestro {

enum class LeftOutReason {
  kAlreadyEnded,     // ended more than 2 hours before the import
  kUnwantedChannel,  // on a channel the user does not want
  kNoStopTime,       // no stop, no later programme on its channel and no length
  kInvalidTime,      // a start or stop that is no date, or an end not after the start
  kDuplicate,        // same channel and start as a programme before it, merged into that one
  kFailed,           // no title, no channel, or the save failed for a reason of its own
};
inline constexpr size_t kLeftOutReasonCount = 6;

// "already ended", "unwanted channel", "no stop time", "invalid time", "duplicate", "failed".
const char* LeftOutReasonName(LeftOutReason reason);

class ImportReport {
 public:
  static constexpr size_t kExamplesKept = 3;

  void Stored() { ++stored_; }
  // `example` says which programme, as the source wrote it; kept while fewer than kExamplesKept
  // of the reason are.
  void LeftOut(LeftOutReason reason, std::string example);
  // Adds the figures and, up to the limit, the examples of `other`.
  void Add(const ImportReport& other);

  int32_t StoredCount() const { return stored_; }
  int32_t LeftOutCount(LeftOutReason reason) const { return Of(reason).count; }
  int32_t LeftOutTotal() const;
  const std::vector<std::string>& Examples(LeftOutReason reason) const { return Of(reason).examples; }
  bool Empty() const { return stored_ == 0 && LeftOutTotal() == 0; }

  // The closing lines of a run: "Programs stored : <n> (<what it counts>) : left out : <n>", then
  // for every reason with programmes "Left out : <n> <reason>" and one "Left out :   <example>"
  // per example.
  std::vector<std::string> Lines() const;

 private:
  struct Reason {
    int32_t count = 0;
    std::vector<std::string> examples;
  };
  const Reason& Of(LeftOutReason reason) const { return reasons_[static_cast<size_t>(reason)]; }

  int32_t stored_ = 0;
  std::array<Reason, kLeftOutReasonCount> reasons_;
};

}  // namespace kestro
