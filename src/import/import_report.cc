#include "import/import_report.h"

#include <utility>

#include "platform/text/text.h"

namespace kestro {

const char* LeftOutReasonName(LeftOutReason reason) {
  switch (reason) {
    case LeftOutReason::kAlreadyEnded:
      return "already ended";
    case LeftOutReason::kUnwantedChannel:
      return "unwanted channel";
    case LeftOutReason::kNoStopTime:
      return "no stop time";
    case LeftOutReason::kInvalidTime:
      return "invalid time";
    case LeftOutReason::kDuplicate:
      return "duplicate";
    case LeftOutReason::kFailed:
      break;
  }
  return "failed";
}

void ImportReport::LeftOut(LeftOutReason reason, std::string example) {
  Reason& r = reasons_[static_cast<size_t>(reason)];
  ++r.count;
  if (r.examples.size() < kExamplesKept) r.examples.push_back(std::move(example));
}

void ImportReport::Add(const ImportReport& other) {
  stored_ += other.stored_;
  for (size_t i = 0; i < kLeftOutReasonCount; ++i) {
    Reason& r = reasons_[i];
    r.count += other.reasons_[i].count;
    for (const std::string& example : other.reasons_[i].examples) {
      if (r.examples.size() < kExamplesKept) r.examples.push_back(example);
    }
  }
}

int32_t ImportReport::LeftOutTotal() const {
  int32_t total = 0;
  for (const Reason& r : reasons_) total += r.count;
  return total;
}

std::vector<std::string> ImportReport::Lines() const {
  // "Program stats" counts a programme found unchanged as skipped, with those left out for
  // having ended: this line says which programmes it counts, so the two figures do not puzzle.
  std::vector<std::string> lines = {
      Format("Programs stored : %d (added, updated or already there) : left out : %d",
             stored_, LeftOutTotal())};
  for (size_t i = 0; i < kLeftOutReasonCount; ++i) {
    const Reason& r = reasons_[i];
    if (r.count == 0) continue;
    lines.push_back(
        Format("Left out : %d %s", r.count, LeftOutReasonName(static_cast<LeftOutReason>(i))));
    for (const std::string& example : r.examples) lines.push_back("Left out :   " + example);
  }
  return lines;
}

}  // namespace kestro
