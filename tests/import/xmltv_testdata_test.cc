// Imports every real XMLTV file of the shared test data into a fresh guide, its dates moved into
// the future by whole weeks. Every file but the malformed one imports; every programme of a file
// is either stored or reported left out with a reason; a file in summer time keeps the instants
// its README gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
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
#include "platform/text/text.h"
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
std::string ShiftDates(const std::string& xml, int days) {
  std::string out;
  out.reserve(xml.size());
  for (size_t i = 0; i < xml.size(); ++i) {
    out += xml[i];
    const bool blank = xml[i] == ' ' || xml[i] == '\t' || xml[i] == '\n' || xml[i] == '\r';
    if (!blank) continue;
    size_t value = std::string::npos;
    for (const char* name : {"start=", "stop="}) {
      const size_t n = std::char_traits<char>::length(name);
      if (xml.compare(i + 1, n, name) == 0 && i + 1 + n < xml.size() &&
          (xml[i + 1 + n] == '"' || xml[i + 1 + n] == '\'')) {
        value = i + 1 + n + 1;
      }
    }
    if (value == std::string::npos) continue;
    size_t digits = 0;
    while (value + digits < xml.size() && std::isdigit(static_cast<unsigned char>(xml[value + digits])))
      ++digits;
    DateTimeParts parts;
    OleDate date = 0;
    if (digits < 12 || !TryStrToInt(xml.substr(value, 4), &parts.year) ||
        !TryStrToInt(xml.substr(value + 4, 2), &parts.month) ||
        !TryStrToInt(xml.substr(value + 6, 2), &parts.day) ||
        !TryStrToInt(xml.substr(value + 8, 2), &parts.hour) ||
        !TryStrToInt(xml.substr(value + 10, 2), &parts.minute) ||
        !TryEncodeDateTime(parts, &date)) {
      continue;
    }
    out += xml.substr(i + 1, value - i - 1);
    out += FormatDateTime("yyyymmddhhnn", date + days);
    i = value + 11;
  }
  return out;
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

  // Imports a copy of the file moved into the future into a guide of its own; `check` runs on
  // that guide while the import's transaction is still open.
  Outcome ImportInto(const fs::path& file, int index,
                     const std::function<void(IDB&, int days)>& check = {}) {
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
    if (check) check(*db, days);
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

// German and Austrian listings: 87 programmes; the first on 3sat at 02:50 +0200 (summer time)
// until 04:45.
TEST_F(XMLTVTestDataTest, AFileInSummerTimeKeepsItsInstants) {
  if (!fs::is_directory(Root())) GTEST_SKIP() << "no test data in " << Root();
  auto text = [](IDB& db, const std::string& sql) { return db.Query(sql)->Text(0); };
  auto at = [](IDB& db, const std::string& sql) {
    return DbTimeToDateTime(db.Query(sql)->Int(0));
  };

  const Outcome eu = ImportInto(Root() / "node-xmltv/eu_listings.xml", 1, [&](IDB& db, int days) {
    const std::string first =
        " from programs p , channels c where p.channel_id = c.channel_id and "
        "c.external_id = \"3sat.de\" order by p.start_time limit 1";
    EXPECT_EQ("D\xC3\xBCnkirchen, 2. Juni 1940", text(db, "select p.title" + first));
    EXPECT_EQ(EncodeDateTime({2015, 6, 3, 0, 50, 0, 0}) + days,
              at(db, "select p.start_time" + first));
    EXPECT_EQ(EncodeDateTime({2015, 6, 3, 2, 45, 0, 0}) + days,
              at(db, "select p.end_time" + first));
  });
  EXPECT_EQ(87, eu.rows);
}

}  // namespace
}  // namespace kestro::testing
