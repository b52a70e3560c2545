// The reference host's own objects and its module loader.
#include <gtest/gtest.h>

#include "common/temp_dir.h"
#include "host/host_item.h"
#include "host/host_log.h"
#include "host/module_loader.h"
#include "kestro/tv_system.h"
#include "platform/system/registry_file.h"

namespace kestro {
namespace {

TEST(HostItem, BehavesLikeAPropertyBag) {
  ComPtr<host::THostItem> item = host::NewHostItem();
  ASSERT_EQ(item->put_Values(Variant("Lineup-ID"), Variant(3)), S_OK);
  ASSERT_EQ(item->put_Values(Variant("LINEUP-id"), Variant(4)), S_OK);
  int32_t count = 0;
  item->get_Count(&count);
  EXPECT_EQ(count, 1);
  std::string key;
  item->get_KeyNames(0, &key);
  EXPECT_EQ(key, "Lineup-ID") << "the first spelling is kept";
  Variant v;
  item->get_Values(Variant(0), &v);
  EXPECT_EQ(v.ToInt32(), 4);
  item->GetValue("missing", Variant("fallback"), &v);
  EXPECT_EQ(v.ToString(), "fallback");
  item->get_Values(Variant(1), &v);
  EXPECT_TRUE(v.IsEmpty());

  ComPtr<host::THostItem> copy = host::NewHostItem();
  copy->Set("other", Variant(true));
  ASSERT_EQ(copy->Assign(item.Get()), S_OK);
  EXPECT_EQ(copy->Get("lineup-id").ToInt32(), 4);
  EXPECT_TRUE(copy->Get("other").ToBool());
}

TEST(HostLog, AppendsTimedLines) {
  testing::TempDir dir;
  ComPtr<host::THostLog> log = host::NewHostLog(dir / "logs/host.log");
  ASSERT_EQ(log->WriteLine("first"), S_OK);
  ASSERT_EQ(log->WriteLine("second"), S_OK);
  std::string text = testing::ReadFile(dir / "logs/host.log");
  EXPECT_NE(text.find(" first\n"), std::string::npos);
  EXPECT_NE(text.find(" second\n"), std::string::npos);
}

TEST(ModuleLoader, ExplainsWhatIsMissing) {
  testing::TempDir dir;
  const std::string reg_path = dir / "registry.reg";
  try {
    host::CreateInstance<IDispatch>(reg_path, kKestroTVProgID);
    FAIL();
  } catch (const host::EModuleLoadError& e) {
    EXPECT_STREQ(e.what(), "Class \"KestroTV.KestroTVSystem\" is not registered");
  }
  // A registration that points at a file that is not there.
  RegistryFile reg;
  const std::string clsid = GuidToString(CLSID_KestroTVSystem);
  reg.SetString("HKEY_CLASSES_ROOT\\CLSID\\" + clsid + "\\InprocServer32", "",
                dir / "gone/libKestroTV.so");
  reg.Save(reg_path);
  try {
    host::CreateInstance<IDispatch>(reg_path, clsid);
    FAIL();
  } catch (const host::EModuleLoadError& e) {
    EXPECT_NE(std::string(e.what()).find("Failed to load module \"" + (dir / "gone/libKestroTV.so")),
              std::string::npos)
        << e.what();
  }
}

TEST(ModuleLoader, CreatesTheSystemObjectByCLSID) {
  testing::TempDir dir;
  const std::string reg_path = dir / "registry.reg";
  RegistryFile reg;
  reg.SetString("HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(CLSID_KestroTVSystem) +
                    "\\InprocServer32",
                "", KESTRO_MODULE_FILE);
  reg.Save(reg_path);
  ComPtr<IKestroTVSystem> system =
      host::CreateInstance<IKestroTVSystem>(reg_path, GuidToString(CLSID_KestroTVSystem));
  ASSERT_TRUE(system);
  ComPtr<ITVRecordScreen> screen;
  EXPECT_EQ(system->CreateRecordScreen(nullptr, nullptr, screen.ReleaseAndGetAddressOf()), S_OK);
}

}  // namespace
}  // namespace kestro
