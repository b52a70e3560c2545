#include "import/xmltv_stop_times.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "import/xmltv_import.h"
#include "platform/text/text.h"

namespace kestro {
namespace {

using testing::TempDir;
using testing::WriteFile;

struct Programme {
  std::string channel;  // as written in the file (may hold a character reference)
  std::string start;
  bool has_stop = false;
};

// The channel attribute as a reader sees it.
std::string ChannelValue(const Programme& p) {
  std::string value = p.channel;
  const size_t tab = value.find("&#9;");
  if (tab != std::string::npos) value.replace(tab, 4, "\t");
  return value;
}

std::string Xml(const std::vector<Programme>& programmes) {
  std::string xml = "<?xml version=\"1.0\"?>\n<tv>\n";
  for (const Programme& p : programmes) {
    xml += "<programme channel=\"" + p.channel + "\" start=\"" + p.start + "\"";
    if (p.has_stop) xml += " stop=\"20300101000000\"";
    xml += "><title>T</title></programme>\n";
  }
  return xml + "</tv>\n";
}

// What the stop time of `p` must be: the next distinct key of the whole file, when it is on the
// same channel.
std::string Expected(const std::vector<Programme>& programmes, const Programme& p) {
  std::set<std::string> keys;
  for (const Programme& q : programmes) keys.insert(ChannelValue(q) + "\t" + q.start);
  auto next = keys.upper_bound(ChannelValue(p) + "\t" + p.start);
  if (next == keys.end()) return {};
  const size_t tab = next->find('\t');
  if (next->substr(0, tab) != ChannelValue(p)) return {};
  return Trim(next->substr(tab + 1));
}

class StopTimeFinderTest : public ::testing::Test {
 protected:
  // Runs the counter and the finder over `programmes` as the XMLTV reader does, checks every
  // answer and returns how often the finder read the file.
  int32_t CheckEveryAnswer(const std::vector<Programme>& programmes, size_t window) {
    WriteFile(file_, Xml(programmes));
    TXMLTVProgramCounter counter(window);
    counter.Parse(file_);
    TXMLTVStopTimeFinder finder(file_, counter.TakeStopTimeWindow(), window);
    for (const Programme& p : programmes) {
      if (p.has_stop) continue;
      TSaxElement element("programme", nullptr);
      element.SetAttribute("channel", ChannelValue(p));
      element.SetAttribute("start", p.start);
      EXPECT_EQ(finder.FindStopTime(element), Expected(programmes, p))
          << "channel " << p.channel << " start " << p.start << " window " << window;
    }
    return finder.Reads();
  }

  TempDir dir_;
  const std::string file_ = dir_ / "listings.xml";
};

// Channels in start order need no read of their own; starts out of order need another read, and
// windows smaller than the programmes without a stop time one read each further one.
TEST_F(StopTimeFinderTest, ReadsOnlyWhatTheWindowAndTheOrderNeed) {
  // Channels interleaved, each in order; equal starts, a channel's last programme, a start with a
  // blank to trim.
  const std::vector<Programme> in_order = {
      {"b", "20050101100000"},  {"a", "20050101090000", true}, {"b", "20050101100000"},
      {"a", "20050101093000"},  {"b", "20050101110000", true}, {"a", "20050101093000", true},
      {"b", "20050101120000"},  {"c", "20050101080000"},       {"a", "20050101100000"},
      {"a", "20050101103000 "}, {"a", "20050101110000"},
  };
  const std::vector<Programme> out_of_order = {
      {"a", "20050101100000"}, {"a", "20050101090000"},       {"b", "20050101090000"},
      {"a", "20050101080000"}, {"a", "20050101093000", true}, {"b", "20050101070000"},
  };
  // A tab in a channel would let another channel's keys fall between a channel's own.
  const std::vector<Programme> tabbed = {{"a", "1"}, {"a&#9;2", "0"}, {"a", "3"}, {"a&#9;0", "9"}};
  const struct {
    const std::vector<Programme>& file;
    size_t window;
    int32_t reads;
  } cases[] = {{in_order, 100, 0},    {in_order, 2, 3},     {in_order, 1, 7},
               {out_of_order, 100, 1}, {out_of_order, 1, 9}, {tabbed, 100, 1}};
  for (const auto& c : cases) EXPECT_EQ(c.reads, CheckEveryAnswer(c.file, c.window));
}

TEST_F(StopTimeFinderTest, AnyOrderAndWindowGiveTheAnswersOfTheWholeFile) {
  std::mt19937 random(11);
  for (int round = 0; round < 12; ++round) {
    std::vector<Programme> file;
    for (int c = 0; c < 4; ++c) {
      for (int i = 0; i < 10; ++i) {
        // Few distinct starts, so equal keys are common.
        const int start = static_cast<int>(random() % 12);
        file.push_back({"ch" + std::to_string(c == 3 ? 10 : c), "200501011" + std::to_string(start),
                        random() % 3 == 0});
      }
    }
    if (round % 2 == 0) {
      std::stable_sort(file.begin(), file.end(), [](const Programme& a, const Programme& b) {
        return a.channel + "\t" + a.start < b.channel + "\t" + b.start;
      });
    } else {
      std::shuffle(file.begin(), file.end(), random);
    }
    for (size_t window : {1, 3, 7, 1000}) CheckEveryAnswer(file, window);
  }
}

}  // namespace
}  // namespace kestro
