// The lineups collection over its own database in a temporary library directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/error_of.h"
#include "common/temp_dir.h"
#include "common/fake_env.h"
#include "kestro/interface_reads.h"
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

  // Saves the lineup, expecting success.
  static void Save(ITVLineup* lineup) {
    std::string error;
    bool saved = false;
    EXPECT_EQ(lineup->Save(&error, &saved), S_OK);
    EXPECT_TRUE(saved) << error;
  }
  // Adds and saves a lineup; returns its ID.
  static int32_t Add(ITVLineups* lineups, const std::string& name,
                     std::vector<std::pair<std::string, std::string>> props = {}) {
    ComPtr<ITVLineup> lineup = GetObject(lineups, &ITVLineups::NewLineup);
    lineup->put_Name(name);
    ComPtr<IKestroItem> bag = GetObject(lineup.Get(), &ITVLineup::get_PluginProperties);
    for (const auto& [key, value] : props) bag->put_Values(Variant(key), Variant(value));
    Save(lineup.Get());
    return Get(lineup.Get(), &ITVLineup::get_ID);
  }
  static std::vector<std::string> Names(ITVLineups* lineups) {
    std::vector<std::string> names;
    for (const ComPtr<ITVLineup>& lineup : ListItems(lineups))
      names.push_back(Get(lineup.Get(), &ITVLineup::get_Name));
    return names;
  }
  int32_t CountRows(const std::string& sql) {
    return OpenSQLiteDatabase(locations_.LineupsDatabase(), env_)->QueryInt(sql);
  }

  testing::TempDir dir_;
  LineupLocations locations_{dir_ / "library/", dir_ / "tuner-configuration.xml"};
  std::shared_ptr<testing::FakeEnv> env_ = std::make_shared<testing::FakeEnv>();
};

TEST_F(Lineups, SavedValuesReadBackOnceAndTunerCountComesFromTheConfiguration) {
  const double update_time = EncodeDateTime({2005, 3, 7, 21, 30, 0, 0});
  const double last_update = EncodeDateTime({2044, 1, 2, 3, 4, 6, 0});  // db time below zero
  ComPtr<TTVLineups> lineups = Open();
  const int32_t id = Add(lineups.Get(), "cable", {{"file", "/tmp/a.xml"}, {"grabber", "tv_grab"}});
  {
    // Saving again updates the row and its properties instead of adding new ones.
    ComPtr<ITVLineup> lineup;
    lineups->GetLineup(id, lineup.ReleaseAndGetAddressOf());
    lineup->put_Name("Cable \"North\"");
    lineup->put_UpdateTime(update_time);
    lineup->put_LastUpdateTime(last_update);
    EXPECT_EQ(lineup->put_TunerCount(99), S_OK);
    Save(lineup.Get());
  }
  EXPECT_EQ(CountRows("select count ( * ) from lineups"), 1);
  EXPECT_EQ(CountRows("select count ( * ) from plugin_props"), 2);

  ComPtr<ITVLineup> lineup;
  ASSERT_EQ(Open()->GetLineup(id, lineup.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_TRUE(lineup);
  EXPECT_EQ(Get(lineup.Get(), &ITVLineup::get_Name), "Cable \"North\"");
  EXPECT_DOUBLE_EQ(Get(lineup.Get(), &ITVLineup::get_UpdateTime), update_time);
  EXPECT_DOUBLE_EQ(Get(lineup.Get(), &ITVLineup::get_LastUpdateTime), last_update);
  EXPECT_EQ(Get(lineup.Get(), &ITVLineup::get_TunerCount), 2)
      << "the tuners of the group naming lineup 1 only";
  Variant file;
  GetObject(lineup.Get(), &ITVLineup::get_PluginProperties)->get_Values(Variant("FILE"), &file);
  EXPECT_EQ(file.ToString(), "/tmp/a.xml");
  // The saved lineup opens its guide, making the listings file.
  EXPECT_TRUE(GetObject(lineup.Get(), &ITVLineup::GetListings));
  EXPECT_TRUE(std::filesystem::exists(locations_.ListingsDatabase(id)));

  ComPtr<ITVLineup> none = lineup;
  EXPECT_EQ(lineups->GetLineup(id + 1, none.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(none.Get(), nullptr);
}

TEST_F(Lineups, FailedSaveRollsBackAndReportsTheMessage) {
  ComPtr<TTVLineups> lineups = Open();
  OpenSQLiteDatabase(locations_.LineupsDatabase(), env_)->Exec("drop table plugin_props");
  ComPtr<ITVLineup> lineup = GetObject(lineups.Get(), &ITVLineups::NewLineup);
  lineup->put_Name("cable");
  std::string error;
  bool saved = true;
  EXPECT_EQ(lineup->Save(&error, &saved), S_OK) << "a database failure is not a failed call";
  EXPECT_FALSE(saved);
  EXPECT_THAT(error, HasSubstr("plugin_props"));
  EXPECT_EQ(Get(lineup.Get(), &ITVLineup::get_ID), 0);
  EXPECT_EQ(CountRows("select count ( * ) from lineups"), 0) << "the insert was rolled back";
}

// A listings file that cannot be deleted keeps its lineup; once it can, both go.
TEST_F(Lineups, DeleteRemovesTheLineupAndItsListingsFileOrNeither) {
  ComPtr<TTVLineups> lineups = Open();
  Add(lineups.Get(), "antenna", {{"a", "1"}});
  const int32_t gone = Add(lineups.Get(), "cable", {{"b", "2"}});
  const std::string listings = locations_.ListingsDatabase(gone);
  EXPECT_EQ(listings, dir_ / "library/tv/listings." + std::to_string(gone) + ".dat");
  testing::WriteFile(listings, "guide");
  testing::WriteFile(listings + "-wal", "log");

  env_->FailFileOp(testing::FakeEnv::FileOp::kRemove, EBUSY, listings);
  bool deleted = true;
  EXPECT_EQ(lineups->DeleteLineup(gone, &deleted), S_OK);
  EXPECT_FALSE(deleted);
  EXPECT_THAT(Names(lineups.Get()), ElementsAre("antenna", "cable"));
  EXPECT_THAT(Names(Open().Get()), ElementsAre("antenna", "cable"));
  EXPECT_EQ(CountRows("select count ( * ) from plugin_props"), 2);
  EXPECT_FALSE(OpenSQLiteDatabase(locations_.LineupsDatabase(), env_)->InTransaction());

  env_->ClearFailures();
  EXPECT_EQ(lineups->DeleteLineup(gone, &deleted), S_OK);
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(std::filesystem::exists(listings));
  EXPECT_FALSE(std::filesystem::exists(listings + "-wal"));
  EXPECT_THAT(Names(lineups.Get()), ElementsAre("antenna"));
  EXPECT_EQ(CountRows("select count ( * ) from plugin_props"), 1);
  EXPECT_THAT(Names(Open().Get()), ElementsAre("antenna"));

  EXPECT_EQ(lineups->DeleteLineup(gone, &deleted), S_OK);
  EXPECT_FALSE(deleted);
}

TEST_F(Lineups, DatabaseThatCannotBeOpenedFailsTheConstructor) {
  auto failure = [&](const LineupLocations& locations) {
    return testing::ErrorOf<Exception>([&] { MakeObject<TTVLineups>(Services(), locations); });
  };
  std::filesystem::create_directories(dir_ / "library/tv");
  testing::WriteFile(locations_.LineupsDatabase(), std::string(2048, 'z'));
  EXPECT_THAT(failure(locations_), StartsWith("Failed to open TV lineups database \"" +
                                              locations_.LineupsDatabase() + "\" : "));
  EXPECT_EQ(testing::ReadFile(locations_.LineupsDatabase()), std::string(2048, 'z'));

  testing::WriteFile(dir_ / "file", "");
  EXPECT_THAT(failure({dir_ / "file/", locations_.tuner_config_file}),
              StartsWith("Failed to create TV lineups database in \"" + (dir_ / "file/tv/") +
                         "\" : "));
  // Without the registry's library value the library is not the file system's root.
  EXPECT_EQ(failure({"/", locations_.tuner_config_file}),
            "KestroTV is not set up: run kestro setup");
}

}  // namespace
}  // namespace kestro
