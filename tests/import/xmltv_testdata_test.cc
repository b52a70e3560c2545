// Imports every real XMLTV file of the shared test data into a fresh guide, its dates moved into
// the future by whole weeks. Every file but the malformed one imports; every programme of a file
// is either stored or reported left out with a reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "common/fake_env.h"
#include "common/module_folders.h"
#include "common/temp_dir.h"
#include "common/test_environment.h"
#include "import/import_system.h"
#include "import/sax_parser.h"
#include "import/xmltv_dates.h"
#include "import/xmltv_import.h"
#include "kestro/ole_date.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "support/logger.h"

namespace kestro::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kWeek = 7;

// The programmes of a file as a reader of our own counts them, and the earliest start.
struct FileFacts {
  int32_t programmes = 0;
  OleDate earliest = 0;
};

FileFacts ReadFacts(const std::string& file_name) {
  FileFacts facts;
  TSaxParser parser;
  parser.SetOnStartElement([&](TSaxElement& element, bool&) {
    if (element.Name() != "programme") return;
    ++facts.programmes;
    try {
      const OleDate start = ParseXMLTVDate(element.Attribute("start"), XMLTVZone::Local());
      if (facts.earliest == 0 || start < facts.earliest) facts.earliest = start;
    } catch (const std::exception&) {
    }
  });
  try {
    parser.Parse(file_name);
  } catch (const std::exception&) {
  }
  return facts;
}

// The file with every start and stop attribute moved `days` days on, byte for byte otherwise.
std::string ShiftDates(std::string xml, int days) {
  for (const std::string name : {"start=", "stop="}) {
    for (size_t i = xml.find(name); i != std::string::npos; i = xml.find(name, i + 1)) {
      const size_t value = i + name.size() + 1;
      const std::string digits = value + 12 <= xml.size() ? xml.substr(value, 12) : "";
      if (i == 0 || !std::isspace(static_cast<unsigned char>(xml[i - 1])) ||
          (xml[value - 1] != '"' && xml[value - 1] != '\'') || digits.empty() ||
          !std::all_of(digits.begin(), digits.end(),
                       [](unsigned char c) { return std::isdigit(c); }))
        continue;
      OleDate date = 0;
      if (!TryEncodeDateTime({std::stoi(digits.substr(0, 4)), std::stoi(digits.substr(4, 2)),
                              std::stoi(digits.substr(6, 2)), std::stoi(digits.substr(8, 2)),
                              std::stoi(digits.substr(10, 2)), 0, 0},
                             &date))
        continue;
      xml.replace(value, 12, FormatDateTime("yyyymmddhhnn", date + days));
    }
  }
  return xml;
}

struct Outcome {
  std::string error;
  FileFacts facts;
  ImportReport report;
  int32_t channels = 0;
  int32_t rows = 0;
};

class XMLTVTestDataTest : public ::testing::Test {
 protected:
  // Monday 7 January 2030: every file is moved to start in the week after it.
  static OleDate Now() { return EncodeDateTime({2030, 1, 7, 0, 0, 0, 0}); }

  void SetUp() override {
    testing::SavedEnvironment::SetTimeZone("UTC");
    testing::UseModuleFolders(dir_, 1);
  }

  // Imports a copy of the file moved into the future into a guide of its own.
  Outcome ImportInto(const fs::path& file, int index) {
    Outcome outcome;
    outcome.facts = ReadFacts(file);
    int days = 0;
    if (outcome.facts.earliest != 0 && outcome.facts.earliest < Now() + 1) {
      days = static_cast<int>(std::ceil((Now() + 1 - outcome.facts.earliest) / kWeek)) * kWeek;
    }
    const std::string copy = dir_ / ("shifted." + std::to_string(index) + ".xml");
    WriteFile(copy, ShiftDates(ReadFile(file), days));

    auto env = std::make_shared<FakeEnv>(Now());
    std::vector<std::string> lines;
    ComPtr<TTVListingsImportSystem> run = MakeObject<TTVListingsImportSystem>(
        dir_ / ("library/tv/listings." + std::to_string(index) + ".dat"), index, env,
        std::make_shared<TStringsLogger>(env, lines), ComPtr<IMLImportProgress>(),
        dir_ / "temp/");
    DBPtr db = run->DB();
    run->BeginSaving();
    ImportXMLTVFile(run.Get(), nullptr, copy, &outcome.error);
    outcome.report = run->Report();
    outcome.channels = db->QueryInt("select count ( * ) from channels");
    outcome.rows = db->QueryInt("select count ( * ) from programs");
    run->DiscardSaving();
    return outcome;
  }

  static fs::path Root() { return fs::path(KESTRO_TESTDATA_DIR) / "xmltv"; }

  TempDir dir_;

 private:
  testing::SavedEnvironment saved_;
};

TEST_F(XMLTVTestDataTest, EveryProgrammeIsStoredOrReportedWithItsReason) {
  if (!fs::is_directory(Root())) GTEST_SKIP() << "no test data in " << Root();
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(Root())) {
    if (entry.is_regular_file() && entry.path().extension() == ".xml") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());

  int32_t stored = 0, resolvable = 0;
  int index = 1;
  for (const fs::path& file : files) {
    const std::string name = fs::relative(file, Root()).string();
    const Outcome o = ImportInto(file, index++);
    if (name == "ektotv-xmltv/broken.xml") {
      EXPECT_NE(std::string::npos, o.error.find("appears to be corrupt")) << o.error;
      EXPECT_EQ(0, o.channels + o.rows);
      continue;
    }
    EXPECT_EQ("", o.error) << name;
    EXPECT_EQ(o.facts.programmes, o.report.StoredCount() + o.report.LeftOutTotal()) << name;
    EXPECT_EQ(0, o.report.LeftOutCount(LeftOutReason::kAlreadyEnded)) << name;
    // Later programmes may replace overlapping ones, never add rows of their own.
    EXPECT_LE(o.rows, o.report.StoredCount() + o.report.LeftOutCount(LeftOutReason::kDuplicate))
        << name;
    stored += o.report.StoredCount();
    resolvable += o.facts.programmes - o.report.LeftOutCount(LeftOutReason::kNoStopTime);
  }
  EXPECT_GE(stored, resolvable * 0.98);
}

}  // namespace
}  // namespace kestro::testing
