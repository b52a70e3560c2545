// The sample-listings generator: the committed sample is what the documented command makes (so
// the same options give the same bytes).
#define XMLTV_GENERATOR_NO_MAIN
#include "../../tools/xmltv_generator.cc"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/temp_dir.h"

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
}

}  // namespace
}  // namespace kestro
