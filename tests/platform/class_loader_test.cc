// Creating a registered class the way a host does, from the real module file.
#include <gtest/gtest.h>

#include "common/temp_dir.h"
#include "kestro/tv_system.h"
#include "platform/com/class_loader.h"
#include "platform/system/registry_file.h"

namespace kestro {
namespace {

TEST(ClassLoader, ExplainsWhatIsMissing) {
  testing::TempDir dir;
  const std::string reg_path = dir / "registry.reg";
  try {
    CreateClassInstance<IDispatch>(reg_path, kKestroTVProgID);
    FAIL();
  } catch (const EModuleLoadError& e) {
    EXPECT_STREQ(e.what(), "Class \"KestroTV.KestroTVSystem\" is not registered");
  }
  // A registration that points at a file that is not there.
  RegistryFile reg;
  const std::string clsid = GuidToString(CLSID_KestroTVSystem);
  reg.SetString("HKEY_CLASSES_ROOT\\CLSID\\" + clsid + "\\InprocServer32", "",
                dir / "gone/libKestroTV.so");
  reg.Save(reg_path);
  try {
    CreateClassInstance<IDispatch>(reg_path, clsid);
    FAIL();
  } catch (const EModuleLoadError& e) {
    EXPECT_NE(std::string(e.what()).find("Failed to load module \"" + (dir / "gone/libKestroTV.so")),
              std::string::npos)
        << e.what();
  }
}

TEST(ClassLoader, CreatesTheSystemObjectByCLSID) {
  testing::TempDir dir;
  const std::string reg_path = dir / "registry.reg";
  RegistryFile reg;
  reg.SetString("HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(CLSID_KestroTVSystem) +
                    "\\InprocServer32",
                "", KESTRO_MODULE_FILE);
  reg.Save(reg_path);
  ComPtr<IKestroTVSystem> system =
      CreateClassInstance<IKestroTVSystem>(reg_path, GuidToString(CLSID_KestroTVSystem));
  ASSERT_TRUE(system);
  ComPtr<ITVRecordScreen> screen;
  EXPECT_EQ(system->CreateRecordScreen(nullptr, nullptr, screen.ReleaseAndGetAddressOf()), S_OK);
}

}  // namespace
}  // namespace kestro
