// Imports every real XMLTV file of the shared test data into a fresh guide. No file may crash or
// hang the reader; each file's outcome (channels and programmes stored, or the error) is printed
// so that changes in behaviour show up when the list is compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/fake_env.h"
#include "common/module_folders.h"
#include "common/temp_dir.h"
#include "common/test_environment.h"
#include "core/registry_info.h"
#include "import/import_system.h"
#include "import/sax_parser.h"
#include "import/xmltv_dates.h"
#include "import/xmltv_import.h"
#include "kestro/ole_date.h"
#include "platform/system/registry_file.h"
#include "platform/system/tv_registry.h"
#include "platform/time/date_time.h"
#include "support/logger.h"

namespace kestro::testing {
namespace {

namespace fs = std::filesystem;

// The earliest valid `start` of the file's programmes, or 0.
OleDate EarliestStart(const std::string& file_name) {
  OleDate earliest = 0;
  TSaxParser parser;
  parser.SetOnStartElement([&](TSaxElement& element, bool&) {
    if (element.Name() != "programme") return;
    try {
      const OleDate start = ParseXMLTVDate(element.Attribute("start"), "");
      if (earliest == 0 || start < earliest) earliest = start;
    } catch (const std::exception&) {
    }
  });
  try {
    parser.Parse(file_name);
  } catch (const std::exception&) {
  }
  return earliest;
}

struct Outcome {
  std::string error;
  int32_t channels = 0;
  int32_t programs = 0;
};

class XMLTVTestDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::SavedEnvironment::SetTimeZone("UTC");
    testing::UseModuleFolders(dir_, 1);
  }

  // Imports one file into a guide of its own, "now" being its earliest programme start.
  Outcome ImportInto(const std::string& file_name, int index) {
    const OleDate earliest = EarliestStart(file_name);
    auto env = std::make_shared<FakeEnv>(earliest != 0 ? earliest
                                                       : EncodeDateTime({2005, 1, 1, 0, 0, 0, 0}));
    std::vector<std::string> lines;
    ComPtr<TTVListingsImportSystem> run = MakeObject<TTVListingsImportSystem>(
        dir_ / ("library/tv/listings." + std::to_string(index) + ".dat"), index, env,
        std::make_shared<TStringsLogger>(env, lines), ComPtr<IMLImportProgress>(),
        dir_ / "temp/");
    DBPtr db = run->DB();
    run->BeginSaving();
    Outcome outcome;
    ImportXMLTVFile(run.Get(), nullptr, file_name, &outcome.error);
    outcome.channels = db->QueryInt("select count ( * ) from channels");
    outcome.programs = db->QueryInt("select count ( * ) from programs");
    run->DiscardSaving();
    return outcome;
  }

  TempDir dir_;

 private:
  testing::SavedEnvironment saved_;
};

TEST_F(XMLTVTestDataTest, EveryFileImportsOrFailsWithAMessage) {
  const fs::path root = fs::path(KESTRO_TESTDATA_DIR) / "xmltv";
  if (!fs::is_directory(root)) GTEST_SKIP() << "no test data in " << root;
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().extension() == ".xml") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());

  std::map<std::string, Outcome> outcomes;
  int index = 1;
  for (const fs::path& file : files) {
    const std::string name = fs::relative(file, root).string();
    const Outcome outcome = ImportInto(file.string(), index++);
    outcomes[name] = outcome;
    std::cout << "XMLTV " << name << " : ";
    if (outcome.error.empty()) {
      std::cout << outcome.channels << " channels, " << outcome.programs << " programmes\n";
    } else {
      std::cout << outcome.channels << " channels, " << outcome.programs
                << " programmes, error: " << outcome.error << "\n";
    }
  }

  // Known answers of files whose content is documented.
  auto expect = [&](const std::string& name, int32_t channels, int32_t programs) {
    auto it = outcomes.find(name);
    if (it == outcomes.end()) return;
    EXPECT_EQ("", it->second.error) << name;
    EXPECT_EQ(channels, it->second.channels) << name;
    EXPECT_EQ(programs, it->second.programs) << name;
  };
  expect("node-xmltv/eu_listings.xml", 2, 87);
  expect("ektotv-xmltv/channel-only.xml", 1, 0);
  expect("xmltv-project/empty.xml", 0, 0);
  expect("xmltv-wiki/XMLTVFormat_sample.xml", 2, 10);
  // 49 programmes share their channel and start with another and replace it.
  expect("jellyfin/UK_Data.xml", 5, 1964 - 49);
  auto broken = outcomes.find("ektotv-xmltv/broken.xml");
  if (broken != outcomes.end()) {
    EXPECT_NE(std::string::npos, broken->second.error.find("appears to be corrupt"));
  }
  // Files without channels fail at their first programme, as the guide cannot place it.
  auto no_channels = outcomes.find("xmltv-project/sort.xml");
  if (no_channels != outcomes.end()) {
    EXPECT_EQ("Failed to save program", no_channels->second.error);
  }
}

}  // namespace
}  // namespace kestro::testing
