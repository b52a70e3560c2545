// What creating a registered class says when the class or its module file is missing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error_of.h"
#include "common/temp_dir.h"
#include "kestro/tv_system.h"
#include "platform/com/class_loader.h"
#include "platform/system/registry_file.h"

namespace kestro {
namespace {

TEST(ClassLoader, ExplainsWhatIsMissing) {
  testing::TempDir dir;
  const std::string reg_path = dir / "registry.reg";
  EXPECT_EQ(testing::ErrorOf<EModuleLoadError>(
                [&] { CreateClassInstance<IDispatch>(reg_path, kKestroTVProgID); }),
            "Class \"KestroTV.KestroTVSystem\" is not registered");
  // A registration that points at a file that is not there.
  RegistryFile reg;
  const std::string clsid = GuidToString(CLSID_KestroTVSystem);
  reg.SetString("HKEY_CLASSES_ROOT\\CLSID\\" + clsid + "\\InprocServer32", "",
                dir / "gone/libKestroTV.so");
  reg.Save(reg_path);
  EXPECT_THAT(
      testing::ErrorOf<EModuleLoadError>([&] { CreateClassInstance<IDispatch>(reg_path, clsid); }),
      ::testing::HasSubstr("Failed to load module \"" + (dir / "gone/libKestroTV.so")));
}

}  // namespace
}  // namespace kestro
