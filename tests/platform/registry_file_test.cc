#include "platform/system/registry_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/error_of.h"
#include "common/temp_dir.h"
#include "platform/exception.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;

constexpr char kTv[] = "HKEY_LOCAL_MACHINE\\Software\\Lumavo\\TV";

class RegistryFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& text) {
    testing::WriteFile(dir_ / "registry.reg", text);
    return dir_ / "registry.reg";
  }
  testing::TempDir dir_;
};

TEST_F(RegistryFileTest, ReadsRegeditFileCaseInsensitivelyAndSkipsBadLines) {
  const std::string path = Write(
      "REGEDIT4\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Lumavo\\TV]\r\n"
      "\"library\"=\"/srv/tv/lib/\"\r\n"
      "\"broken=\"no closing quote\r\n"
      "this line is garbage\r\n"
      "\"quote\"=\"say \\\"hi\\\" C:\\\\tv\"\r\n"
      "\"count\"=dword:0000002a\r\n"
      "\"bin\"=hex:01,02,\\\r\n  03\r\n"
      "@=\"default\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Lumavo\\TV\\Plugins\\One]\r\n"
      "\"a\"=\"1\"\r\n");
  const RegistryFile reg = RegistryFile::Load(path);
  EXPECT_EQ(reg.GetString("hkey_local_machine\\SOFTWARE\\lumavo\\tv", "LIBRARY"), "/srv/tv/lib/");
  EXPECT_EQ(reg.GetString(kTv, "quote"), "say \"hi\" C:\\tv");
  EXPECT_EQ(reg.GetString(kTv, "count"), "42");
  EXPECT_EQ(reg.GetString(kTv, ""), "default");
  EXPECT_FALSE(reg.HasValue(kTv, "bin"));
  EXPECT_FALSE(reg.HasValue(kTv, "broken"));
  EXPECT_EQ(reg.GetString(kTv, "missing"), "");
  EXPECT_TRUE(reg.HasKey(std::string(kTv) + "\\plugins"));  // parents exist implicitly
  EXPECT_EQ(reg.SubKeys(std::string(kTv) + "\\Plugins"), std::vector<std::string>{"One"});
}

TEST_F(RegistryFileTest, SaveAndLoadRoundTripEscapes) {
  RegistryFile reg;
  reg.SetString(std::string(kTv) + "\\Plugins\\XMLTV", "Path", "C:\\a \"b\"\nline2");
  reg.SetString(kTv, "data", "/var/lib/kestro/");
  reg.SetString(kTv, "DATA", "/srv/data/");  // same value, other spelling
  reg.SetString(kTv, "", "dflt");
  const std::string path = dir_ / "deep/er/registry.reg";
  reg.Save(path);
  EXPECT_EQ(testing::ReadFile(path).rfind("REGEDIT4\n", 0), 0u);

  const RegistryFile back = RegistryFile::Load(path);
  EXPECT_EQ(back.GetString(std::string(kTv) + "\\plugins\\xmltv", "path"), "C:\\a \"b\"\nline2");
  EXPECT_EQ(back.GetString(kTv, "data"), "/srv/data/");
  EXPECT_EQ(back.GetString(kTv, ""), "dflt");
  EXPECT_EQ(back.SubKeys("HKEY_LOCAL_MACHINE\\Software\\Lumavo"), std::vector<std::string>{"TV"});
  // No temporary file is left beside the registry.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "deep/er"), fs::directory_iterator()), 1);

  // Deleting a key takes its subtree, not a sibling whose name starts the same.
  reg.SetString(std::string(kTv) + "\\A\\B", "x", "1");
  reg.SetString(std::string(kTv) + "\\AB", "x", "2");
  reg.DeleteKey(std::string(kTv) + "\\a");
  EXPECT_FALSE(reg.HasKey(std::string(kTv) + "\\A\\B"));
  EXPECT_EQ(reg.GetString(std::string(kTv) + "\\AB", "x"), "2");
}

TEST_F(RegistryFileTest, AFileInTheWayOfTheFolderFailsTheSave) {
  Write("x");
  EXPECT_EQ(testing::ErrorOf<EOSError>([&] { RegistryFile().Save(dir_ / "registry.reg/sub.reg"); })
                .rfind("Failed to write registry file \"", 0),
            0u);
}

TEST_F(RegistryFileTest, CheckedLoadNamesTheLineThatDoesNotParse) {
  const std::string good =
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Lumavo\\TV]\n\"root\"=\"/srv/tv/\"\n"
      "\"bin\"=hex:01,02\n";
  EXPECT_EQ(RegistryFile::LoadChecked(Write(good)).GetString(kTv, "root"), "/srv/tv/");
  EXPECT_FALSE(RegistryFile::LoadChecked(dir_ / "none.reg").HasKey(kTv));
  EXPECT_FALSE(RegistryFile::Load(dir_ / "none.reg").HasKey(kTv));

  const std::pair<std::string, int> damaged[] = {
      {good + "\"library\"=\"/srv/tv/lib", 6},  // cut short inside a value
      {"\x7f\x45LF\x02\x01", 1},                 // not a registry file at all
  };
  for (const auto& [text, line] : damaged) {
    const std::string path = Write(text);
    EXPECT_THAT(testing::ErrorOf<Exception>([&] { RegistryFile::LoadChecked(path); }),
                ::testing::HasSubstr("\"" + path + "\" is damaged: line " + std::to_string(line) +
                                     " "));
    EXPECT_NO_THROW(RegistryFile::Load(path)) << "the module still reads what it can";
  }
}

}  // namespace
}  // namespace kestro
