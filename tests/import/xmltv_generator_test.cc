// The sample-listings generator: its output is well-formed XMLTV of the size asked for, and the
// committed sample is what the documented command makes (so the same options give the same bytes).
#define XMLTV_GENERATOR_NO_MAIN
#include "../../tools/xmltv_generator.cc"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "import/sax_parser.h"

namespace kestro {
namespace {

using testing::ReadFile;
using testing::TempDir;

// Runs the generator's command line; the listings go to `file`.
int Generate(const std::vector<std::string>& arguments, const std::string& file) {
  std::vector<std::string> args = {"xmltv_generator"};
  args.insert(args.end(), arguments.begin(), arguments.end());
  args.push_back("--output");
  args.push_back(file);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  return xmltv_generator::Run(static_cast<int>(argv.size()), argv.data());
}

struct Listing {
  int channels = 0;
  int programmes = 0;
  int without_stop = 0;
  std::map<std::string, int> programmes_by_channel;
  std::set<std::string> zones;
  std::set<std::string> rating_systems;
  bool has_non_ascii_title = false;
};

Listing Read(const std::string& file) {
  Listing listing;
  TSaxParser parser;
  parser.SetOnEndElement([&](TSaxElement& e, bool&) {
    if (e.Name() == "channel") ++listing.channels;
    if (e.Name() == "rating") listing.rating_systems.insert(e.Attribute("system"));
    if (e.Name() == "title") {
      for (unsigned char c : e.Text()) listing.has_non_ascii_title |= c >= 0x80;
    }
    if (e.Name() != "programme") return;
    ++listing.programmes;
    ++listing.programmes_by_channel[e.Attribute("channel")];
    const std::string start = e.Attribute("start");
    listing.zones.insert(start.substr(start.find(' ') + 1));
    listing.without_stop += e.Attribute("stop").empty();
  });
  parser.Parse(file);
  return listing;
}

TEST(XmltvGeneratorTest, WritesWellFormedListingsOfTheRequestedSize) {
  TempDir dir;
  ASSERT_EQ(Generate({"--channels", "3", "--days", "1", "--seed", "42"}, dir / "a.xml"), 0);
  const Listing small = Read(dir / "a.xml");
  EXPECT_EQ(small.channels, 3);
  ASSERT_EQ(small.programmes_by_channel.size(), 3u);
  for (const auto& [channel, count] : small.programmes_by_channel) {
    EXPECT_GE(count, 8) << channel;  // a day of programmes of at most three hours
  }

  ASSERT_EQ(Generate({"--channels", "40", "--days", "3", "--start", "2026-03-28"}, dir / "b.xml"),
            0);
  const Listing large = Read(dir / "b.xml");
  EXPECT_EQ(large.channels, 40);
  EXPECT_GT(large.without_stop, 0);
  EXPECT_LT(large.without_stop, large.programmes / 10);
  EXPECT_EQ(large.zones, (std::set<std::string>{"+0000", "+0100", "+0200", "-0500", "UTC"}));
  EXPECT_EQ(large.rating_systems, (std::set<std::string>{"MPAA", "VCHIP", "advisory"}));
  EXPECT_TRUE(large.has_non_ascii_title);
}

TEST(XmltvGeneratorTest, TheCommittedSampleIsWhatItsReadmeCommandMakes) {
  const std::string data = KESTRO_DATA_DIR;
  const std::string sample = ReadFile(data + "/sample.xml");
  ASSERT_FALSE(sample.empty()) << "no " << data << "/sample.xml";
  TempDir dir;
  ASSERT_EQ(Generate({"--channels", "10", "--days", "2", "--seed", "1", "--start", "2026-12-01"},
                     dir / "sample.xml"),
            0);
  EXPECT_TRUE(ReadFile(dir / "sample.xml") == sample)
      << "regenerate data/sample.xml as data/README.md says";
  EXPECT_EQ(Read(data + "/sample.xml").channels, 10);
}

TEST(XmltvGeneratorTest, RejectsBadCommandLines) {
  TempDir dir;
  EXPECT_EQ(Generate({"--channels", "3"}, dir / "x.xml"), 2);
  EXPECT_EQ(Generate({"--channels", "0", "--days", "1"}, dir / "x.xml"), 2);
  EXPECT_EQ(Generate({"--channels", "3", "--days", "1", "--start", "2026-02-30"}, dir / "x.xml"),
            2);
  EXPECT_EQ(Generate({"--channels", "3", "--days", "1", "--colour", "red"}, dir / "x.xml"), 2);
  EXPECT_EQ(Generate({"--channels", "3", "--days", "1"}, dir / "no-dir/x.xml"), 1);
}

}  // namespace
}  // namespace kestro
