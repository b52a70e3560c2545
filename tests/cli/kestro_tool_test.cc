// The kestro tool run as a user runs it: a separate process against a temporary registry.
#include <gtest/gtest.h>

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
  std::string tuners = testing::ReadFile(dir_ / "tv/data/tuner-configuration.xml");
  size_t count = 0;
  for (size_t p = 0; (p = tuners.find("<tuner ", p)) != std::string::npos; ++p) ++count;
  EXPECT_EQ(count, 3u);

  // The host's media library is registered for the module to create.
  EXPECT_NE(testing::ReadFile(registry_).find("{3A29F7EA-25AD-4D28-B7BF-A6856BDD7236}\\InprocServer32"),
            std::string::npos);

  ToolRun info = Kestro("info");
  ASSERT_EQ(info.exit_code, 0) << info.err;
  EXPECT_NE(info.out.find("KestroTV 1.0 {EFBDED27-DD25-4461-8427-94AD766C3182}"),
            std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("KestroTV.KestroTVSystem"), std::string::npos);
  EXPECT_NE(info.out.find(dir_ / "tv/library/"), std::string::npos);
  EXPECT_NE(info.out.find("Debug output          off"), std::string::npos);

  // A second setup keeps an existing tuner configuration.
  ASSERT_EQ(Kestro("setup --root " + (dir_ / "tv")).exit_code, 0);
  EXPECT_EQ(testing::ReadFile(dir_ / "tv/data/tuner-configuration.xml"), tuners);
}

TEST_F(KestroToolTest, DefaultRootIsUnderTheUserDataFolder) {
  ASSERT_EQ(Kestro("setup").exit_code, 0);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "xdg/kestro/data/tuner-configuration.xml"));
}

TEST_F(KestroToolTest, ExitCodesTellFailureFromMisuse) {
  ToolRun info = Kestro("info");  // nothing registered in this registry yet
  EXPECT_EQ(info.exit_code, 1);
  EXPECT_NE(info.err.find("Class \"KestroTV.KestroTVSystem\" is not registered"),
            std::string::npos)
      << info.err;

  ToolRun unknown = Kestro("frobnicate");
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_NE(unknown.err.find("usage:"), std::string::npos);

  ToolRun bad = Kestro("setup --tuners many");
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_NE(bad.err.find("usage: kestro setup"), std::string::npos);

  EXPECT_EQ(Kestro("setup --colour blue").exit_code, 2);
  EXPECT_EQ(Kestro("").exit_code, 2);

  ToolRun help = Kestro("setup --help");
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("--tuners"), std::string::npos);
  EXPECT_EQ(Kestro("--help").exit_code, 0);
}

TEST_F(KestroToolTest, RegistryOptionOverridesTheEnvironment) {
  const std::string other = dir_ / "other.reg";
  ASSERT_EQ(Kestro("--registry " + other + " setup --root " + (dir_ / "tv")).exit_code, 0);
  EXPECT_TRUE(std::filesystem::exists(other));
  EXPECT_FALSE(std::filesystem::exists(registry_));
  EXPECT_EQ(Kestro("info --registry=" + other).exit_code, 0);
}

}  // namespace
}  // namespace kestro
