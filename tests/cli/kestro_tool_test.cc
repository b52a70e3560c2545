// The kestro tool run as a user runs it: a separate process against a temporary registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "common/kestro_tool.h"

namespace kestro {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using testing::KestroToolTest;
using testing::ToolRun;

TEST_F(KestroToolTest, SetupThenInfoLoadsTheModuleThroughTheRegistry) {
  Succeeds("setup --root " + (dir_ / "tv") + " --tuners 3");
  for (const char* sub : {"library", "plugins", "data"})
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / (std::string("tv/") + sub)));
  const std::string tuners = testing::ReadFile(dir_ / "tv/data/tuner-configuration.xml");

  EXPECT_THAT(Succeeds("info"),
              AllOf(HasSubstr("KestroTV 1.0 {EFBDED27-DD25-4461-8427-94AD766C3182}"),
                    HasSubstr(dir_ / "tv/library/"),
                    HasSubstr("Tuners               lineup 1: 3 tuners (test)")));

  // A second setup keeps the root set up already and its tuner configuration.
  ASSERT_EQ(Kestro("setup").exit_code, 0);
  EXPECT_EQ(testing::ReadFile(dir_ / "tv/data/tuner-configuration.xml"), tuners);
  EXPECT_THAT(Kestro("info").out, HasSubstr(dir_ / "tv/library/"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "xdg/kestro"));
}

TEST_F(KestroToolTest, ExitCodesTellFailureFromMisuse) {
  // Nothing registered in this registry yet.
  ExpectFails("info", 1, "KestroTV is not set up: run kestro setup");
  for (const char* misuse : {"frobnicate", "setup --tuners many", ""})
    ExpectFails(misuse, 2, "usage:");
  ExpectFails("lineup", 2, "kestro lineup add");
  EXPECT_THAT(Succeeds("channel-list --help"), HasSubstr("kestro channel-list list"));
}

TEST_F(KestroToolTest, TheRegistryOptionOverridesTheEnvironmentAndTheRootDefaultsToUserData) {
  const std::string other = dir_ / "other.reg";
  ASSERT_EQ(Kestro("--registry " + other + " setup").exit_code, 0);
  EXPECT_TRUE(std::filesystem::exists(other));
  EXPECT_FALSE(std::filesystem::exists(registry_));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "xdg/kestro/data/tuner-configuration.xml"));
  EXPECT_EQ(Kestro("info --registry=" + other).exit_code, 0);
}

TEST_F(KestroToolTest, ASetupThatFailsChangesNothing) {
  testing::WriteFile(dir_ / "file", "x");
  ExpectFails("setup --root " + (dir_ / "file/tv"), 1, dir_ / "file");
  EXPECT_FALSE(std::filesystem::exists(registry_)) << "no registry without the folders";

  ASSERT_EQ(Kestro("setup --root " + (dir_ / "tv")).exit_code, 0);
  const std::string registry = testing::ReadFile(registry_);
  std::filesystem::create_directories(dir_ / "locked");
  std::filesystem::permissions(dir_ / "locked", std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::owner_exec);
  if (::access((dir_ / "locked").c_str(), W_OK) != 0) {  // not when run as root
    EXPECT_EQ(Kestro("setup --root " + (dir_ / "locked/tv")).exit_code, 1);
    EXPECT_EQ(testing::ReadFile(registry_), registry);
  }
  EXPECT_EQ(Kestro("setup --tuners 0").exit_code, 2);
  EXPECT_EQ(testing::ReadFile(registry_), registry);
}

TEST_F(KestroToolTest, CommandsRefuseARegistryWithoutTheFoldersOrThatDoesNotParse) {
  ASSERT_EQ(Kestro("setup --root " + (dir_ / "tv")).exit_code, 0);
  std::string registry = testing::ReadFile(registry_);
  // The module registered, the folder values gone: as a set-up that failed half-way once left it.
  const size_t tv_key = registry.find("[HKEY_LOCAL_MACHINE\\Software\\Lumavo\\TV]");
  ASSERT_NE(tv_key, std::string::npos) << registry;
  testing::WriteFile(registry_, registry.substr(0, tv_key));
  ExpectFails("guide 1", 1, "KestroTV is not set up: run kestro setup");

  // Cut short in the middle of a value: every command names the line, setup keeps the file.
  const std::string truncated = registry.substr(0, registry.find("\"data\"=") + 12);
  testing::WriteFile(registry_, truncated);
  const int line = static_cast<int>(std::count(truncated.begin(), truncated.end(), '\n')) + 1;
  for (const char* command : {"lineup list", "setup"}) {
    ExpectFails(command, 1, "is damaged: line " + std::to_string(line));
  }
  EXPECT_EQ(testing::ReadFile(registry_), truncated);
}

TEST_F(KestroToolTest, EachLineupRecordsOnTheTunersOfItsOwnGroups) {
  SetUpTool(2);
  ASSERT_EQ(Kestro("lineup add --name Cable --plugin xmltv").exit_code, 0);
  ASSERT_EQ(Kestro("lineup add --name Air --plugin xmltv").exit_code, 0);
  ToolRun none = Kestro("record 2 --channel 1 --start now+1h --end now+2h --title T");
  EXPECT_EQ(none.exit_code, 1);
  EXPECT_THAT(none.err, AllOf(HasSubstr("Lineup 2 has no tuners"),
                              HasSubstr("kestro tuners set N --lineup 2")));

  EXPECT_EQ(Succeeds("tuners set 1 --lineup 2"), "lineup 1: 2 tuners (test)\nlineup 2: 1 tuner (test)\n");
  ASSERT_EQ(Kestro("tuners set 3").exit_code, 0);
  EXPECT_EQ(Kestro("tuners list").out, "lineup 1: 3 tuners (test)\nlineup 2: 1 tuner (test)\n");
  EXPECT_EQ(Kestro("tuners set -1").exit_code, 2);
  ASSERT_EQ(Kestro("setup --root " + root_ + " --tuners 1 --force").exit_code, 0);
  EXPECT_EQ(Kestro("tuners list").out, "lineup 1: 1 tuner (test)\n");

  // A tuner configuration that is not XML is named, with what is wrong, wherever it is read.
  testing::WriteFile(root_ + "/data/tuner-configuration.xml", "tuners: 2");
  ExpectFails("tuners set 2", 1,
              "Failed to load tuner configuration \"" + root_ + "/data/tuner-configuration.xml\"");
}

}  // namespace
}  // namespace kestro
