// The parser over every real XMLTV file gathered from other projects: none may crash or hang,
// and only the files that are not well-formed may fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "import/sax_parser.h"
#include "platform/exception.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;

TEST(SaxTestDataTest, EveryRealXmltvFileParsesOrFailsWithAMessage) {
  const fs::path root = fs::path(KESTRO_TESTDATA_DIR) / "xmltv";
  if (!fs::is_directory(root)) GTEST_SKIP() << "no test data at " << root;

  std::map<std::string, std::string> failures;  // relative path -> message
  int files = 0;
  int64_t elements = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".xml" && extension != ".xmltv")) continue;
    ++files;
    TSaxParser parser;
    parser.SetOnEndElement([&](TSaxElement&, bool&) { ++elements; });
    try {
      parser.Parse(entry.path().string());
    } catch (const Exception& e) {
      failures[fs::relative(entry.path(), root).string()] = e.what();
    }
  }
  for (const auto& [file, message] : failures) std::cout << "  " << file << ": " << message << "\n";
  std::cout << "  " << files << " files, " << elements << " elements, " << failures.size()
            << " failed\n";

  EXPECT_GT(files, 100);
  const std::string broken = (root / "ektotv-xmltv/broken.xml").string();
  EXPECT_EQ(failures["ektotv-xmltv/broken.xml"],
            "Failed to parse data from file " + broken + " : mismatched tag at line 9, column 5");
  // Valid against no DTD is not malformed: a non-validating reader accepts it.
  EXPECT_EQ(failures.count("ektotv-xmltv/invalid.xml"), 0u);
  failures.erase("ektotv-xmltv/broken.xml");
  EXPECT_TRUE(failures.empty()) << failures.begin()->first << ": " << failures.begin()->second;
}

}  // namespace
}  // namespace kestro
