// The lineups collection over its own database in a temporary library directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/fake_env.h"
#include "lineups/lineups.h"
#include "platform/time/date_time.h"
#include "storage/sqlite_database.h"

namespace kestro {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr const char* kThreeTuners =
    "<tuner-config><group lineup=\"1\"><tuner/><tuner/></group>"
    "<group lineup=\"2\"><tuner/></group></tuner-config>";

class Lineups : public ::testing::Test {
 protected:
  void SetUp() override { testing::WriteFile(locations_.tuner_config_file, kThreeTuners); }

  ImportServices Services() const { return ImportServices::WithBuiltInPlugins(env_); }
  ComPtr<TTVLineups> Open() { return MakeObject<TTVLineups>(Services(), locations_); }

  // Adds and saves a lineup; returns its ID.
  static int32_t Add(ITVLineups* lineups, const std::string& name,
                     std::vector<std::pair<std::string, std::string>> props = {}) {
    ComPtr<ITVLineup> lineup;
    EXPECT_EQ(lineups->NewLineup(lineup.ReleaseAndGetAddressOf()), S_OK);
    lineup->put_Name(name);
    ComPtr<IKestroItem> bag;
    lineup->get_PluginProperties(bag.ReleaseAndGetAddressOf());
    for (const auto& [key, value] : props) bag->put_Values(Variant(key), Variant(value));
    std::string error;
    bool saved = false;
    EXPECT_EQ(lineup->Save(&error, &saved), S_OK);
    EXPECT_TRUE(saved) << error;
    int32_t id = 0;
    lineup->get_ID(&id);
    return id;
  }
  static std::vector<std::string> Names(ITVLineups* lineups) {
    std::vector<std::string> names;
    int32_t count = 0;
    lineups->get_Count(&count);
    for (int32_t i = 0; i < count; ++i) {
      ComPtr<ITVLineup> lineup;
      lineups->get_Items(i, lineup.ReleaseAndGetAddressOf());
      std::string name;
      lineup->get_Name(&name);
      names.push_back(name);
    }
    return names;
  }
  int32_t CountRows(const std::string& sql) {
    return OpenSQLiteDatabase(locations_.LineupsDatabase(), env_)->QueryInt(sql);
  }

  testing::TempDir dir_;
  LineupLocations locations_{dir_ / "library/", dir_ / "tuner-configuration.xml"};
  std::shared_ptr<testing::FakeEnv> env_ = std::make_shared<testing::FakeEnv>();
};

TEST_F(Lineups, FreshLibraryGetsAnEmptyLineupsDatabase) {
  ComPtr<TTVLineups> lineups = Open();
  EXPECT_EQ(lineups->FileName(), dir_ / "library/tv/lineups.dat");
  int32_t count = -1;
  EXPECT_EQ(lineups->get_Count(&count), S_OK);
  EXPECT_EQ(count, 0);
  DBPtr db = OpenSQLiteDatabase(lineups->FileName(), env_);
  EXPECT_EQ(db->QueryInt("select count ( * ) from sqlite_master where type = \"table\" and "
                         "name in ( \"lineups\" , \"plugin_props\" , \"parameters\" )"),
            3);
  EXPECT_EQ(db->Query("select param_value from parameters where param_name = \"version\"")->Text(0),
            "1");
}

TEST_F(Lineups, ListedByNameWithNewOnesAtTheEnd) {
  {
    ComPtr<TTVLineups> lineups = Open();
    Add(lineups.Get(), "cable");
    Add(lineups.Get(), "antenna");
    EXPECT_THAT(Names(lineups.Get()), ElementsAre("cable", "antenna"));
  }
  ComPtr<TTVLineups> lineups = Open();
  Add(lineups.Get(), "bay");
  EXPECT_THAT(Names(lineups.Get()), ElementsAre("antenna", "cable", "bay"));

  ComPtr<ITVLineup> fresh;
  ASSERT_EQ(lineups->NewLineup(fresh.ReleaseAndGetAddressOf()), S_OK);
  int32_t id = -1;
  std::string status;
  fresh->get_ID(&id);
  fresh->get_LastUpdateStatus(&status);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(status, "Never updated");
  ComPtr<ITVLineup> last;
  lineups->get_Items(3, last.ReleaseAndGetAddressOf());
  EXPECT_EQ(last.Get(), fresh.Get());
  EXPECT_EQ(lineups->get_Items(4, last.ReleaseAndGetAddressOf()), E_UNEXPECTED);
  EXPECT_EQ(last.Get(), nullptr);
}

TEST_F(Lineups, SavedValuesReadBackAndTunerCountComesFromTheConfiguration) {
  const double update_time = EncodeDateTime({2005, 3, 7, 21, 30, 0, 0});
  const double last_update = EncodeDateTime({2044, 1, 2, 3, 4, 6, 0});  // db time below zero
  int32_t id = 0;
  {
    ComPtr<TTVLineups> lineups = Open();
    ComPtr<ITVLineup> lineup;
    lineups->NewLineup(lineup.ReleaseAndGetAddressOf());
    lineup->put_Name("Cable \"North\"");
    lineup->put_PluginID("{B20AD294-96B6-4EE5-8A54-5CC4469C319F}");
    lineup->put_UpdateFrequency("daily");
    lineup->put_UpdateTime(update_time);
    lineup->put_LastUpdateTime(last_update);
    lineup->put_LastUpdateOK(true);
    lineup->put_LastUpdateStatus("");
    EXPECT_EQ(lineup->put_TunerCount(99), S_OK);
    std::string error;
    bool saved = false;
    ASSERT_EQ(lineup->Save(&error, &saved), S_OK);
    ASSERT_TRUE(saved) << error;
    lineup->get_ID(&id);
    EXPECT_GT(id, 0);
  }
  ComPtr<TTVLineups> lineups = Open();
  ComPtr<ITVLineup> lineup;
  ASSERT_EQ(lineups->GetLineup(id, lineup.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_TRUE(lineup);
  std::string name, plugin, frequency, status = "x";
  OleDate t1, t2;
  bool ok = false;
  int32_t tuners = 0;
  lineup->get_Name(&name);
  lineup->get_PluginID(&plugin);
  lineup->get_UpdateFrequency(&frequency);
  lineup->get_UpdateTime(&t1);
  lineup->get_LastUpdateTime(&t2);
  lineup->get_LastUpdateOK(&ok);
  lineup->get_LastUpdateStatus(&status);
  lineup->get_TunerCount(&tuners);
  EXPECT_EQ(name, "Cable \"North\"");
  EXPECT_EQ(plugin, "{B20AD294-96B6-4EE5-8A54-5CC4469C319F}");
  EXPECT_EQ(frequency, "daily");
  EXPECT_DOUBLE_EQ(t1, update_time);
  EXPECT_DOUBLE_EQ(t2, last_update);
  EXPECT_TRUE(ok);
  EXPECT_EQ(status, "");
  EXPECT_EQ(tuners, 2) << "the tuners of the group naming lineup 1 only";

  ComPtr<ITVLineup> none = lineup;
  EXPECT_EQ(lineups->GetLineup(id + 1, none.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(none.Get(), nullptr);
}

TEST_F(Lineups, SavingAgainUpdatesWithoutDuplicatingProperties) {
  ComPtr<TTVLineups> lineups = Open();
  const int32_t id = Add(lineups.Get(), "cable", {{"file", "/tmp/a.xml"}, {"grabber", "tv_grab"}});
  ComPtr<ITVLineup> lineup;
  lineups->GetLineup(id, lineup.ReleaseAndGetAddressOf());
  lineup->put_Name("cable 2");
  std::string error;
  bool saved = false;
  ASSERT_EQ(lineup->Save(&error, &saved), S_OK);
  ASSERT_TRUE(saved) << error;

  EXPECT_EQ(CountRows("select count ( * ) from lineups"), 1);
  EXPECT_EQ(CountRows("select count ( * ) from plugin_props"), 2);
  ComPtr<ITVLineup> reread;
  Open()->GetLineup(id, reread.ReleaseAndGetAddressOf());
  ComPtr<IKestroItem> bag;
  reread->get_PluginProperties(bag.ReleaseAndGetAddressOf());
  Variant file;
  bag->get_Values(Variant("FILE"), &file);
  EXPECT_EQ(file.ToString(), "/tmp/a.xml");
}

TEST_F(Lineups, FailedSaveRollsBackAndReportsTheMessage) {
  ComPtr<TTVLineups> lineups = Open();
  OpenSQLiteDatabase(locations_.LineupsDatabase(), env_)->Exec("drop table plugin_props");
  ComPtr<ITVLineup> lineup;
  lineups->NewLineup(lineup.ReleaseAndGetAddressOf());
  lineup->put_Name("cable");
  std::string error;
  bool saved = true;
  EXPECT_EQ(lineup->Save(&error, &saved), S_OK) << "a database failure is not a failed call";
  EXPECT_FALSE(saved);
  EXPECT_THAT(error, HasSubstr("plugin_props"));
  int32_t id = -1;
  lineup->get_ID(&id);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(CountRows("select count ( * ) from lineups"), 0) << "the insert was rolled back";
}

TEST_F(Lineups, DeleteRemovesTheLineupAndItsListingsFile) {
  ComPtr<TTVLineups> lineups = Open();
  const int32_t keep = Add(lineups.Get(), "antenna", {{"a", "1"}});
  const int32_t gone = Add(lineups.Get(), "cable", {{"b", "2"}});
  const std::string listings = locations_.ListingsDatabase(gone);
  EXPECT_EQ(listings, dir_ / "library/tv/listings." + std::to_string(gone) + ".dat");
  testing::WriteFile(listings, "guide");
  testing::WriteFile(listings + "-wal", "log");

  bool deleted = false;
  EXPECT_EQ(lineups->DeleteLineup(gone, &deleted), S_OK);
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(std::filesystem::exists(listings));
  EXPECT_FALSE(std::filesystem::exists(listings + "-wal"));
  EXPECT_THAT(Names(lineups.Get()), ElementsAre("antenna"));
  EXPECT_EQ(CountRows("select count ( * ) from plugin_props"), 1);
  EXPECT_THAT(Names(Open().Get()), ElementsAre("antenna"));

  EXPECT_EQ(lineups->DeleteLineup(gone, &deleted), S_OK);
  EXPECT_FALSE(deleted);
  EXPECT_EQ(lineups->DeleteLineup(keep + gone + 1, &deleted), S_OK);
  EXPECT_FALSE(deleted);
}

TEST_F(Lineups, ListingsFileThatCannotBeDeletedKeepsTheLineup) {
  ComPtr<TTVLineups> lineups = Open();
  const int32_t id = Add(lineups.Get(), "cable", {{"b", "2"}});
  const std::string listings = locations_.ListingsDatabase(id);
  testing::WriteFile(listings, "");
  env_->FailFileOp(testing::FakeEnv::FileOp::kRemove, EBUSY, listings);

  bool deleted = true;
  EXPECT_EQ(lineups->DeleteLineup(id, &deleted), S_OK);
  EXPECT_FALSE(deleted);
  EXPECT_THAT(Names(lineups.Get()), ElementsAre("cable"));
  EXPECT_THAT(Names(Open().Get()), ElementsAre("cable"));
  EXPECT_EQ(CountRows("select count ( * ) from plugin_props"), 1);
  EXPECT_FALSE(OpenSQLiteDatabase(locations_.LineupsDatabase(), env_)->InTransaction());
  // The collection still works: the failed transaction did not stay open.
  Add(lineups.Get(), "antenna");
  EXPECT_EQ(CountRows("select count ( * ) from lineups"), 2);
}

TEST_F(Lineups, GetListingsOpensTheGuideOfTheSavedLineup) {
  ComPtr<TTVLineups> lineups = Open();
  const int32_t id = Add(lineups.Get(), "cable");
  ComPtr<ITVLineup> lineup;
  lineups->GetLineup(id, lineup.ReleaseAndGetAddressOf());
  ComPtr<ITVListings> listings;
  ASSERT_EQ(lineup->GetListings(listings.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_TRUE(listings);
  EXPECT_TRUE(std::filesystem::exists(locations_.ListingsDatabase(id)));
}

TEST_F(Lineups, DatabaseThatCannotBeOpenedFailsTheConstructor) {
  std::filesystem::create_directories(dir_ / "library/tv");
  testing::WriteFile(locations_.LineupsDatabase(), std::string(2048, 'z'));
  try {
    Open();
    FAIL() << "opened a file that is not a database";
  } catch (const Exception& e) {
    EXPECT_THAT(e.what(), StartsWith("Failed to open TV lineups database \"" +
                                     locations_.LineupsDatabase() + "\" : "));
  }
  EXPECT_EQ(testing::ReadFile(locations_.LineupsDatabase()), std::string(2048, 'z'));

  testing::WriteFile(dir_ / "file", "");
  LineupLocations below_a_file{dir_ / "file/", locations_.tuner_config_file};
  EXPECT_THROW(
      {
        try {
          MakeObject<TTVLineups>(Services(), below_a_file);
        } catch (const Exception& e) {
          EXPECT_THAT(e.what(), StartsWith("Failed to create TV lineups database in \"" +
                                           (dir_ / "file/tv/") + "\" : "));
          throw;
        }
      },
      Exception);
  // Without the registry's library value the library is not the file system's root.
  LineupLocations unset{"/", locations_.tuner_config_file};
  try {
    MakeObject<TTVLineups>(Services(), unset);
    FAIL() << "opened lineups below /";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "KestroTV is not set up: run kestro setup");
  }
}

}  // namespace
}  // namespace kestro
