#include "import/xmltv_stop_times.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>

#include "platform/text/text.h"

namespace kestro {

namespace {

constexpr char kKeySeparator = '\t';

bool ByKey(const XMLTVStopTimeWindow::Entry& entry, const std::string& key) {
  return entry.key < key;
}

// Hands each programme element to `on_programme` at its start tag; builds no other element.
class ProgrammeReader : public TSaxParser {
 public:
  explicit ProgrammeReader(std::function<void(const TSaxElement&)> on_programme)
      : on_programme_(std::move(on_programme)) {}

 protected:
  bool IgnoreElement(std::string_view name) override { return name != "programme"; }
  void StartElement(TSaxElement& element, bool& continue_parse) override {
    on_programme_(element);
    TSaxParser::StartElement(element, continue_parse);
  }

 private:
  std::function<void(const TSaxElement&)> on_programme_;
};

}  // namespace

std::string XMLTVStopTimeKey(const TSaxElement& programme) {
  return programme.Attribute("channel") + kKeySeparator + programme.Attribute("start");
}

// ---- TXMLTVStopTimeScan ----

TXMLTVStopTimeScan::TXMLTVStopTimeScan(size_t first, size_t window_size)
    : window_size_(window_size) {
  window_.first = first;
}

void TXMLTVStopTimeScan::Add(const TSaxElement& programme) {
  const std::string channel = programme.Attribute("channel");
  const std::string start = programme.Attribute("start");
  bool in_window = false;
  if (programme.Attribute("stop").empty()) {
    const size_t ordinal = missing_++;
    in_window = ordinal >= window_.first && window_.programs < window_size_;
  }
  if (in_order_) FollowOrder(channel, start, in_window);
  if (in_window) {
    window_.entries.push_back({channel + kKeySeparator + start, {}});
    ++window_.programs;
  }
}

// In a file whose every channel has its starts in order, the key that follows a programme's is
// the next greater start of its channel: no other channel's key can come between the two, as a
// channel attribute holds no tab (attribute values turn tabs into blanks unless written as a
// character reference, and those are refused below).
void TXMLTVStopTimeScan::FollowOrder(const std::string& channel, const std::string& start,
                                     bool in_window) {
  if (channel.find(kKeySeparator) != std::string::npos) return StopFollowingOrder();
  auto it = channels_.find(channel);
  if (it == channels_.end()) {
    if (channels_.size() >= kMaxChannels) return StopFollowingOrder();
    it = channels_.emplace(channel, Channel{start, {}}).first;
  }
  Channel& seen = it->second;
  if (start < seen.last_start) return StopFollowingOrder();
  if (seen.last_start < start) {
    for (size_t entry : seen.waiting) {
      window_.entries[entry].next_key = channel + kKeySeparator + start;
    }
    seen.waiting.clear();
    seen.last_start = start;
  }
  // The programme's own entry is added next.
  if (in_window) seen.waiting.push_back(window_.entries.size());
}

void TXMLTVStopTimeScan::StopFollowingOrder() {
  in_order_ = false;
  channels_.clear();
  for (XMLTVStopTimeWindow::Entry& entry : window_.entries) entry.next_key.clear();
}

XMLTVStopTimeWindow TXMLTVStopTimeScan::Finish() {
  window_.next_keys_found = in_order_;
  channels_.clear();
  return std::move(window_);
}

// ---- TXMLTVStopTimeFinder ----

TXMLTVStopTimeFinder::TXMLTVStopTimeFinder(std::string file_name, XMLTVStopTimeWindow first_window,
                                           size_t window_size)
    : file_name_(std::move(file_name)), window_size_(window_size > 0 ? window_size : 1) {
  if (first_window.programs == 0) {
    LoadWindow(0);
  } else {
    Index(std::move(first_window));
  }
}

void TXMLTVStopTimeFinder::LoadWindow(size_t first) {
  entries_.clear();
  entries_.shrink_to_fit();
  TXMLTVStopTimeScan scan(first, window_size_);
  ProgrammeReader reader([&](const TSaxElement& programme) { scan.Add(programme); });
  ++reads_;
  reader.Parse(file_name_);
  Index(scan.Finish());
}

void TXMLTVStopTimeFinder::Index(XMLTVStopTimeWindow window) {
  window_first_ = window.first;
  window_programs_ = window.programs;
  entries_ = std::move(window.entries);
  std::sort(entries_.begin(), entries_.end(),
            [](const auto& a, const auto& b) { return a.key < b.key; });
  entries_.erase(std::unique(entries_.begin(), entries_.end(),
                             [](const auto& a, const auto& b) { return a.key == b.key; }),
                 entries_.end());
  if (!window.next_keys_found) FindNextKeys();
}

// Every key of the file is offered to the greatest window key below it. That is the only one it
// can follow: a window key between the two would itself come first.
void TXMLTVStopTimeFinder::FindNextKeys() {
  if (entries_.empty()) return;
  std::string key;
  ProgrammeReader reader([&](const TSaxElement& programme) {
    key = XMLTVStopTimeKey(programme);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key, ByKey);
    if (it == entries_.begin()) return;
    --it;
    if (it->next_key.empty() || key < it->next_key) it->next_key = key;
  });
  ++reads_;
  reader.Parse(file_name_);
}

std::string TXMLTVStopTimeFinder::FindStopTime(const TSaxElement& programme) {
  const size_t ordinal = next_ordinal_++;
  // A window that is not full holds the file's last programmes without a stop time.
  if (ordinal >= window_first_ + window_programs_ && window_programs_ >= window_size_) {
    LoadWindow(ordinal);
  }
  const std::string channel = programme.Attribute("channel");
  const std::string key = channel + kKeySeparator + programme.Attribute("start");
  auto it = std::lower_bound(entries_.begin(), entries_.end(), key, ByKey);
  if (it == entries_.end() || it->key != key || it->next_key.empty()) return {};
  const std::string& next = it->next_key;
  const size_t tab = next.find(kKeySeparator);
  if (next.compare(0, tab, channel) != 0 || tab != channel.size()) return {};
  return Trim(std::string_view(next).substr(tab + 1));
}

}  // namespace kestro
