#include "import/xmltv_channels.h"

#include <algorithm>
#include <utility>

#include "platform/text/text.h"

namespace kestro {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t LeadingDigits(std::string_view text) {
  size_t n = 0;
  while (n < text.size() && IsDigit(text[n])) ++n;
  return n;
}

// A channel number: digits only, above 0, in range.
bool ReadChannelNumber(std::string_view digits, int32_t* number) {
  int32_t value = 0;
  if (digits.empty() || LeadingDigits(digits) != digits.size() || !TryStrToInt(digits, &value) ||
      value <= 0) {
    return false;
  }
  *number = value;
  return true;
}

// What a display name says about the number.
struct Entry {
  enum class Kind {
    kName,                 // no number: "3sat", "BBC1 HD"
    kNumber,               // "13"
    kNumberAndName,        // "13 KERA": the name is the rest
    kSubChannel,           // "7-1": major number 7
    kSubChannelAndName,    // "7.1 KXYZ": major number 7, the whole text is the name
  };
  Kind kind = Kind::kName;
  int32_t number = 0;
  std::string text;  // the name the entry leaves, or the sub-channel as written
};

Entry Classify(const std::string& text) {
  Entry entry;
  entry.text = text;
  const size_t digits = LeadingDigits(text);
  int32_t number = 0;
  if (!ReadChannelNumber(std::string_view(text).substr(0, digits), &number)) return entry;
  const std::string_view rest = std::string_view(text).substr(digits);
  if (rest.empty()) {
    entry.kind = Entry::Kind::kNumber;
  } else if (rest[0] == ' ' || rest[0] == '\t') {
    entry.kind = Entry::Kind::kNumberAndName;
    entry.text = Trim(rest);
  } else if ((rest[0] == '-' || rest[0] == '.') && rest.size() > 1 && IsDigit(rest[1])) {
    const size_t minor = 1 + LeadingDigits(rest.substr(1));
    if (minor == rest.size()) {
      entry.kind = Entry::Kind::kSubChannel;
    } else if (rest[minor] == ' ' || rest[minor] == '\t') {
      entry.kind = Entry::Kind::kSubChannelAndName;
    } else {
      return entry;
    }
  } else {
    return entry;
  }
  entry.number = number;
  return entry;
}

}  // namespace

// ---- collecting ----

bool XMLTVChannelCollector::NeedsElement(std::string_view name, bool in_channel) {
  if (name == "channel") return true;
  return in_channel && (name == "display-name" || name == "icon" || name == "lcn");
}

void XMLTVChannelCollector::EndElement(const TSaxElement& element) {
  const std::string& name = element.Name();
  if (name == "channel") {
    current_.id = Trim(element.Attribute("id"));
    XMLTVChannel channel = std::move(current_);
    current_ = {};
    const auto [it, added] = index_.emplace(channel.id, channels_.size());
    if (added) {
      channels_.push_back(std::move(channel));
      return;
    }
    XMLTVChannel& first = channels_[it->second];
    if (std::find(duplicate_ids_.begin(), duplicate_ids_.end(), first.id) == duplicate_ids_.end())
      duplicate_ids_.push_back(first.id);
    for (std::string& display_name : channel.display_names) {
      if (std::find(first.display_names.begin(), first.display_names.end(), display_name) ==
          first.display_names.end())
        first.display_names.push_back(std::move(display_name));
    }
    if (first.icon.empty()) first.icon = std::move(channel.icon);
    if (first.lcn.empty()) first.lcn = std::move(channel.lcn);
    return;
  }
  if (!element.Parent() || element.Parent()->Name() != "channel") return;
  if (name == "display-name") {
    std::string text = Trim(element.Text());
    if (!text.empty()) current_.display_names.push_back(std::move(text));
  } else if (name == "icon") {
    if (current_.icon.empty()) current_.icon = Trim(element.Attribute("src"));
  } else if (name == "lcn") {
    current_.lcn = Trim(element.Text());
  }
}

std::vector<XMLTVChannel> XMLTVChannelCollector::TakeChannels() {
  index_.clear();
  return std::move(channels_);
}

// ---- naming ----

XMLTVChannelNaming NameAndNumberChannel(const XMLTVChannel& channel, int32_t default_number,
                                        const std::function<void(const std::string&)>& log) {
  log("Finding name and number for channel \"" + channel.id + "\"");
  std::vector<Entry> entries;
  for (const std::string& name : channel.display_names) {
    log("  name : " + name);
    entries.push_back(Classify(name));
  }
  entries.push_back(Classify(channel.id));
  log("  id   : " + channel.id);

  XMLTVChannelNaming naming;
  const Entry* sub_channel = nullptr;  // a sub-channel written alone that gave the number
  if (ReadChannelNumber(channel.lcn, &naming.number)) log("  lcn  : " + channel.lcn);
  for (const Entry& entry : entries) {
    if (naming.number == 0 && entry.kind == Entry::Kind::kNumber) naming.number = entry.number;
  }
  for (const Entry& entry : entries) {
    if (naming.number != 0) break;
    if (entry.kind != Entry::Kind::kName && entry.kind != Entry::Kind::kNumber) {
      naming.number = entry.number;
      if (entry.kind == Entry::Kind::kSubChannel) sub_channel = &entry;
    }
  }

  std::vector<std::string> names;
  for (const Entry& entry : entries) {
    if (entry.kind != Entry::Kind::kNumber && entry.kind != Entry::Kind::kSubChannel &&
        !entry.text.empty())
      names.push_back(entry.text);
  }
  if (naming.number == 0) naming.number = default_number;
  naming.short_name = names.empty() ? channel.id : names[0];
  if (sub_channel && !naming.short_name.empty()) {
    naming.long_name = sub_channel->text + " " + naming.short_name;
  } else if (names.size() >= 2) {
    naming.long_name = names[1];
  }
  log(Format("  number = %d : name = \"%s\"", naming.number, naming.short_name.c_str()));
  log(" ");
  return naming;
}

}  // namespace kestro
