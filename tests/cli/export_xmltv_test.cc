// kestro export xmltv: the exported guide, imported again into a lineup of its own through the
// XMLTV plug-in, shows the same programmes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "common/kestro_tool.h"

namespace kestro {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

class ExportXmltvTest : public testing::KestroToolTest {};

// The guide's rows without their programme ids, which differ between lineups.
std::string GuideRows(const std::string& tsv) {
  std::string rows;
  std::istringstream in(tsv);
  for (std::string line; std::getline(in, line);) rows += line.substr(line.find('\t')) + "\n";
  return rows;
}

TEST_F(ExportXmltvTest, ExportedGuideImportsBackToTheSameProgrammes) {
  SetUpTool();
  Succeeds("lineup add --name Sample --plugin xmltv --set exe=" + std::string(KESTRO_SOURCE_DIR) +
           "/data/grab-sample.sh --set grabber=tv_grab_sample --set days=2");
  Succeeds("import 1 --quiet");

  const std::string exported = dir_ / "guide.xml";
  Succeeds("export xmltv 1 --days 2 --output " + exported);
  EXPECT_THAT(testing::ReadFile(exported),
              AllOf(HasSubstr("<channel id=\"ch5.example\">"),
                    HasSubstr("<display-name>5 WDFC</display-name>"), HasSubstr("<credits>")));

  // A grabber that hands over the exported file.
  const std::string grabber = dir_ / "grab-exported.sh";
  testing::WriteFile(grabber, "#!/bin/sh\nwhile [ $# -gt 0 ]; do [ \"$1\" = --output ] && cp '" +
                                  exported + "' \"$2\"; shift; done\n");
  ::chmod(grabber.c_str(), 0755);
  Succeeds("lineup add --name Again --plugin xmltv --set exe=" + grabber + " --set grabber=again");
  Succeeds("import 2 --quiet");

  const std::string at = " --at today+20h --hours 4 --format tsv";
  const std::string original = Kestro("guide 1" + at).out, again = Kestro("guide 2" + at).out;
  EXPECT_GT(original.size(), 1000u);
  EXPECT_EQ(GuideRows(again), GuideRows(original));

  EXPECT_EQ(Kestro("export xmltv 1 --list 42").exit_code, 1);
  EXPECT_EQ(Kestro("export xmltv 1 --days 0").exit_code, 2);
}

}  // namespace
}  // namespace kestro
