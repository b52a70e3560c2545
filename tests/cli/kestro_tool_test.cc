// The kestro tool run as a user runs it: a separate process against a temporary registry.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "common/kestro_tool.h"

namespace kestro {
namespace {

using testing::KestroToolTest;
using testing::ToolRun;

TEST_F(KestroToolTest, SetupThenInfoLoadsTheModuleThroughTheRegistry) {
  ToolRun setup = Kestro("setup --root " + (dir_ / "tv") + " --tuners 3");
  ASSERT_EQ(setup.exit_code, 0) << setup.err;
  for (const char* sub : {"library", "plugins", "data"})
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / (std::string("tv/") + sub)));
  const std::string tuners = testing::ReadFile(dir_ / "tv/data/tuner-configuration.xml");

  ToolRun info = Kestro("info");
  ASSERT_EQ(info.exit_code, 0) << info.err;
  EXPECT_NE(info.out.find("KestroTV 1.0 {EFBDED27-DD25-4461-8427-94AD766C3182}"),
            std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find(dir_ / "tv/library/"), std::string::npos);
  EXPECT_NE(info.out.find("Tuners               lineup 1: 3 tuners (test)"), std::string::npos)
      << info.out;

  // A second setup keeps the root set up already and its tuner configuration.
  ASSERT_EQ(Kestro("setup").exit_code, 0);
  EXPECT_EQ(testing::ReadFile(dir_ / "tv/data/tuner-configuration.xml"), tuners);
  EXPECT_NE(Kestro("info").out.find(dir_ / "tv/library/"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "xdg/kestro"));
}

TEST_F(KestroToolTest, ExitCodesTellFailureFromMisuse) {
  ToolRun info = Kestro("info");  // nothing registered in this registry yet
  EXPECT_EQ(info.exit_code, 1);
  EXPECT_NE(info.err.find("KestroTV is not set up: run kestro setup"), std::string::npos)
      << info.err;
  for (const char* misuse :
       {"frobnicate", "setup --tuners many", ""}) {
    ToolRun run = Kestro(misuse);
    EXPECT_EQ(run.exit_code, 2) << misuse;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << misuse;
  }
  ToolRun group = Kestro("lineup");
  EXPECT_EQ(group.exit_code, 2);
  EXPECT_NE(group.err.find("kestro lineup add"), std::string::npos) << group.err;
  ToolRun help = Kestro("channel-list --help");
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("kestro channel-list list"), std::string::npos) << help.out;
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
  ToolRun under_file = Kestro("setup --root " + (dir_ / "file/tv"));
  EXPECT_EQ(under_file.exit_code, 1);
  EXPECT_NE(under_file.err.find(dir_ / "file"), std::string::npos) << under_file.err;
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
  ToolRun guide = Kestro("guide 1");
  EXPECT_EQ(guide.exit_code, 1);
  EXPECT_NE(guide.err.find("KestroTV is not set up: run kestro setup"), std::string::npos)
      << guide.err;

  // Cut short in the middle of a value: every command names the line, setup keeps the file.
  const std::string truncated = registry.substr(0, registry.find("\"data\"=") + 12);
  testing::WriteFile(registry_, truncated);
  const int line = static_cast<int>(std::count(truncated.begin(), truncated.end(), '\n')) + 1;
  for (const char* command : {"lineup list", "setup"}) {
    ToolRun run = Kestro(command);
    EXPECT_EQ(run.exit_code, 1) << command;
    EXPECT_NE(run.err.find("is damaged: line " + std::to_string(line)), std::string::npos)
        << command << ": " << run.err;
  }
  EXPECT_EQ(testing::ReadFile(registry_), truncated);
}

TEST_F(KestroToolTest, EachLineupRecordsOnTheTunersOfItsOwnGroups) {
  SetUpTool(2);
  ASSERT_EQ(Kestro("lineup add --name Cable --plugin xmltv").exit_code, 0);
  ASSERT_EQ(Kestro("lineup add --name Air --plugin xmltv").exit_code, 0);
  ToolRun none = Kestro("record 2 --channel 1 --start now+1h --end now+2h --title T");
  EXPECT_EQ(none.exit_code, 1);
  EXPECT_NE(none.err.find("Lineup 2 has no tuners"), std::string::npos) << none.err;
  EXPECT_NE(none.err.find("kestro tuners set N --lineup 2"), std::string::npos) << none.err;

  ToolRun set = Kestro("tuners set 1 --lineup 2");
  ASSERT_EQ(set.exit_code, 0) << set.err;
  EXPECT_EQ(set.out, "lineup 1: 2 tuners (test)\nlineup 2: 1 tuner (test)\n");
  ASSERT_EQ(Kestro("tuners set 3").exit_code, 0);
  EXPECT_EQ(Kestro("tuners list").out, "lineup 1: 3 tuners (test)\nlineup 2: 1 tuner (test)\n");
  EXPECT_EQ(Kestro("tuners set -1").exit_code, 2);
  ASSERT_EQ(Kestro("setup --root " + root_ + " --tuners 1 --force").exit_code, 0);
  EXPECT_EQ(Kestro("tuners list").out, "lineup 1: 1 tuner (test)\n");

  // A tuner configuration that is not XML is named, with what is wrong, wherever it is read.
  testing::WriteFile(root_ + "/data/tuner-configuration.xml", "tuners: 2");
  ToolRun damaged = Kestro("tuners set 2");
  EXPECT_EQ(damaged.exit_code, 1);
  EXPECT_NE(damaged.err.find("Failed to load tuner configuration \"" + root_ +
                             "/data/tuner-configuration.xml\""),
            std::string::npos)
      << damaged.err;
}

}  // namespace
}  // namespace kestro
