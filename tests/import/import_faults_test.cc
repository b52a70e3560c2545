// Imports that meet a full disk, a read-only or locked database, or a rename that fails: each
// stops with a message that says why, and the guide stays as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "import/import_run_fixture.h"
#include "import/import_system.h"
#include "import/xmltv_import.h"
#include "platform/time/format_settings.h"

namespace kestro::testing {
namespace {

using ::testing::HasSubstr;

class ImportFaults : public ImportRunTest {
 protected:
  void SetUp() override {
    SavedEnvironment::SetTimeZone("UTC");
    ImportRunTest::SetUp();
    // A locked database fails at once rather than after half a minute.
    RegistryFile registry = RegistryFile::Load(dir_ / "registry.reg");
    registry.SetString(kTVRegistryKey, "busy-timeout", "0");
    registry.Save(dir_ / "registry.reg");
    LoadModuleConfig();
    // The fault, as SQL run on the import's own connection before the plug-in saves.
    UsePlugin([this](IKestroItem* properties, ITVListingsImportSystem& system, std::string& error) {
      if (!fault_.empty()) static_cast<TTVListingsImportSystem&>(system).DB()->Exec(fault_);
      return ImportXMLTVFile(&system, properties, file_, &error);
    });
  }
  // `count` one-minute programmes titled `title` on one channel from an hour after Now().
  void WriteGuide(int count, const std::string& title) {
    std::string xml = "<tv><channel id=\"c1\"><display-name>5 FIVE</display-name></channel>";
    for (int i = 0; i < count; ++i) {
      const OleDate start = Now() + kHour + i * kOneMinute;
      xml += "<programme channel=\"c1\" start=\"" + FormatDateTime("yyyymmddhhnnss", start) +
             "\" stop=\"" + FormatDateTime("yyyymmddhhnnss", start + kOneMinute) +
             "\"><title>" + title + "</title><desc>" + std::string(200, 'x') + "</desc></programme>";
    }
    WriteFile(file_, xml + "</tv>");
  }
  int32_t Titled(const std::string& title) {
    return Listings()->QueryInt("select count ( * ) from programs where title = '" + title + "'");
  }

  const std::string file_ = dir_ / "run.xml";
  std::string fault_;
};

TEST_F(ImportFaults, AFullDiskOrAReadOnlyOrLockedDatabaseStopsTheImportSayingWhy) {
  WriteGuide(3, "Old");
  std::string error;
  ASSERT_TRUE(Import(&error)) << error;

  WriteGuide(2000, "New");
  const struct {
    const char* fault;
    const char* cause;
  } cases[] = {
      // No page may be added to the file: what SQLite answers on a full disk.
      {"pragma max_page_count = 1", "Failed to save program : the disk is full"},
      {"pragma query_only = 1", "Failed to save program : the database is read-only"},
  };
  for (const auto& c : cases) {
    fault_ = c.fault;
    EXPECT_FALSE(Import(&error)) << c.fault;
    EXPECT_THAT(error, HasSubstr("The listings import plugin failed to perform the import : " +
                                 std::string(c.cause)));
    EXPECT_EQ(Titled("Old"), 3) << c.fault;
    EXPECT_EQ(Titled("New"), 0) << c.fault;
  }

  fault_.clear();
  DBPtr other = Listings();
  other->Exec("begin immediate");
  EXPECT_FALSE(Import(&error));
  EXPECT_THAT(error, HasSubstr("locked"));
  other->Exec("rollback");
  EXPECT_EQ(Titled("Old"), 3);
}

TEST_F(ImportFaults, AFailedRenameOfTheNewGuideLeavesNoFileInTheWay) {
  std::filesystem::remove(ListingsFile());
  env_->FailFileOp(FakeEnv::FileOp::kRename, ENOSPC, "listings.");
  WriteGuide(3, "New");
  std::string error;
  EXPECT_FALSE(Import(&error));
  EXPECT_THAT(error, HasSubstr("No space left on device"));
  EXPECT_FALSE(std::filesystem::exists(ListingsFile()));

  env_->ClearFailures();
  EXPECT_TRUE(Import(&error)) << error;
  EXPECT_EQ(Titled("New"), 3);
}

}  // namespace
}  // namespace kestro::testing
