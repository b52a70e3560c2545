// What creating a registered class says when the class or its module file is missing.
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

}  // namespace
}  // namespace kestro
