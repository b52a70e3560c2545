// The XMLTV plug-in in directory mode inside a whole import run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "import/xmltv_plugin.h"
#include "import_run_fixture.h"

namespace kestro::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

const std::string kDataDir = KESTRO_DATA_DIR;

class XMLTVPluginTest : public ImportRunTest {
 protected:
  // The lineup runs a TXMLTVListingsWizard with `props`; files "imported" are recorded, and a
  // file whose name holds "bad" fails.
  void UseWizard(const std::vector<std::pair<std::string, std::string>>& props) {
    SetProperties(props);
    plugins_->Set(kTestPluginID, [this](const std::shared_ptr<Env>& env) {
      TXMLTVListingsWizard::Options options;
      options.import_file = [this](ITVListingsImportSystem&, const std::string& file,
                                   IKestroItem* settings) {
        imported_.push_back(fs::path(file).filename().string());
        Variant lang;
        settings->GetValue("lang", Variant(), &lang);
        langs_.push_back(VarToStr(lang));
        if (file.find("bad") != std::string::npos) throw Exception("broken file");
      };
      return ComPtr<ITVListingsImportPlugin>(MakeObject<TXMLTVListingsWizard>(env, options).Get());
    });
  }

  std::string Folder() {
    const std::string folder = dir_ / "xmltv";
    fs::create_directories(folder + "/sub.xml");
    WriteFile(folder + "/b.XML", "<tv/>");
    WriteFile(folder + "/a.xml", "<tv/>");
    WriteFile(folder + "/c.xmltv", "<tv/>");
    WriteFile(folder + "/d.XMLTV.GZ", "");
    WriteFile(folder + "/notes.txt", "");
    WriteFile(folder + "/notes.gz", "");
    WriteFile(folder + "/sub.xml/c.xml", "<tv/>");
    return folder;
  }

  std::vector<std::string> imported_;
  std::vector<std::string> langs_;
};

TEST_F(XMLTVPluginTest, DirectoryModeImportsTheXmlFilesAndRenamesDeletesOrKeepsThem) {
  const std::string folder = Folder();
  UseWizard({{"mode", "I"}, {"dir", folder}, {"after-import", "Rename"}, {"lang", "fr"}});
  std::string error;
  ASSERT_TRUE(Import(&error)) << error;
  // Only the files directly in the folder, in name order; the settings reach the reader.
  EXPECT_THAT(imported_, ElementsAre("a.xml", "b.XML", "c.xmltv", "d.XMLTV.GZ"));
  EXPECT_THAT(langs_, ElementsAre("fr", "fr", "fr", "fr"));
  EXPECT_TRUE(fs::exists(folder + "/a.xml.imported"));
  EXPECT_TRUE(fs::exists(folder + "/b.XML.imported"));
  EXPECT_FALSE(fs::exists(folder + "/a.xml"));
  EXPECT_TRUE(fs::exists(folder + "/sub.xml/c.xml"));

  // The renamed files are not imported again, nor is a folder that is missing.
  imported_.clear();
  for (const std::string& empty : {folder, dir_ / "nowhere"}) {
    UseWizard({{"mode", "I"}, {"dir", empty}});
    EXPECT_FALSE(Import(&error));
    EXPECT_EQ(error, "The listings import plugin failed to perform the import : "
                     "No files to import in \"" + empty + "\"");
    EXPECT_EQ(LastUpdateStatus(), error);
  }

  // "i" is not "I": the plug-in runs a grabber, and there is none.
  UseWizard({{"mode", "i"}, {"dir", Folder()}, {"exe", dir_ / "no-grabber"}});
  EXPECT_FALSE(Import(&error));
  EXPECT_EQ(error, "The listings import plugin failed to perform the import : "
                   "The XMLTV executable \"" + (dir_ / "no-grabber") + "\" does not exist");
  EXPECT_TRUE(imported_.empty());

  // A failed file fails the run and keeps every file; "delete" or "nothing" once all import.
  Folder();
  fs::remove(folder + "/a.xml.imported");
  WriteFile(folder + "/bad.xml", "");
  UseWizard({{"mode", "I"}, {"dir", folder}, {"after-import", "DELETE"}});
  EXPECT_FALSE(Import(&error));
  EXPECT_EQ(error, "The listings import plugin failed to perform the import : broken file");
  EXPECT_TRUE(fs::exists(folder + "/a.xml"));
  EXPECT_EQ(LastUpdateStatus(), error);

  fs::remove(folder + "/bad.xml");
  ASSERT_TRUE(Import(&error)) << error;
  EXPECT_FALSE(fs::exists(folder + "/a.xml"));
  EXPECT_FALSE(fs::exists(folder + "/b.XML"));
  EXPECT_TRUE(fs::exists(folder + "/notes.txt"));

  Folder();
  UseWizard({{"mode", "I"}, {"dir", folder}, {"after-import", "nothing"}});
  ASSERT_TRUE(Import(&error)) << error;
  EXPECT_TRUE(fs::exists(folder + "/a.xml"));
  EXPECT_FALSE(fs::exists(folder + "/a.xml.imported"));
}

TEST_F(XMLTVPluginTest, TheReaderImportsTheSample) {
  env_->SetLocal(EncodeDateTime({2026, 11, 30, 12, 0, 0, 0}));
  const std::string folder = dir_ / "in";
  fs::create_directories(folder);
  // Compressed, as some grabbers write their listings.
  {
    const std::string xml = ReadFile(kDataDir + "/sample.xml");
    gzFile gz = gzopen((folder + "/sample.xml.gz").c_str(), "wb");
    ASSERT_TRUE(gz);
    ASSERT_EQ(gzwrite(gz, xml.data(), static_cast<unsigned>(xml.size())),
              static_cast<int>(xml.size()));
    ASSERT_EQ(gzclose(gz), Z_OK);
  }
  SetProperties({{"mode", "I"}, {"dir", folder}, {"after-import", "rename"}});
  lineup_->put_PluginID(std::string(kXMLTVPluginID));  // the module's own plug-in
  std::string error;
  ASSERT_TRUE(Import(&error)) << error;
  EXPECT_EQ(Count("channels"), 10);
  EXPECT_GT(Count("programs"), 500);
  EXPECT_TRUE(fs::exists(folder + "/sample.xml.gz.imported"));
}

}  // namespace
}  // namespace kestro::testing
