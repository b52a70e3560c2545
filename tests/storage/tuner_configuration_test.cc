// The tuner configuration document: counting the tuners of a lineup.
#include "support/tuner_configuration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "common/error_of.h"
#include "common/temp_dir.h"
#include "platform/exception.h"

namespace kestro {
namespace {

using ::testing::HasSubstr;

class TunerConfiguration : public ::testing::Test {
 protected:
  int32_t CountOf(const std::string& xml, int32_t lineup_id) {
    testing::WriteFile(file_, xml);
    return TunerCount(file_, lineup_id);
  }

  testing::TempDir dir_;
  std::string file_ = dir_ / "tuner-configuration.xml";
};

TEST_F(TunerConfiguration, ALineupCountsTheTunersOfTheGroupsNamingIt) {
  const std::string xml =
      "<tuner-config><group lineup=\"7\"><tuner><tuning id=\"1\"/></tuner><tuner/></group>"
      "<group lineup=\"4\"><tuner/></group><group lineup=\"7\"><tuner/></group>"
      "<group lineup=\"not a number\"><tuner/></group><other><tuner/></other></tuner-config>";
  EXPECT_EQ(CountOf(xml, 7), 3);
  EXPECT_EQ(CountOf(xml, 4), 1);
  EXPECT_EQ(CountOf(xml, 1), 0) << "a lineup without a group has no tuners";
}

TEST_F(TunerConfiguration, AnUnreadableDocumentIsAnErrorNamingWhatIsWrong) {
  for (const char* xml : {"<tuner-config><group><tuner></group>", ""}) {
    testing::WriteFile(file_, xml);
    EXPECT_THAT(testing::ErrorOf<Exception>([&] { TunerCount(file_, 1); }), HasSubstr(file_))
        << xml;
  }
  EXPECT_EQ(TunerCount(dir_ / "missing.xml", 1), 0) << "no tuners set up yet";
  EXPECT_THROW(TunerCount(dir_.path(), 1), Exception);  // a directory
  testing::WriteFile(file_, "<tuners/>");
  EXPECT_THAT(testing::ErrorOf<Exception>([&] { LoadTunerconfig(file_); }),
              HasSubstr("\"tuners\""));
}

}  // namespace
}  // namespace kestro
