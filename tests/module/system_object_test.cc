// The system object as a host reaches it: through the exported entry points of the real module
// file.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "common/temp_dir.h"
#include "kestro/tv_system.h"
#include "module/class_factory.h"
#include "platform/system/registry_file.h"

namespace kestro {
namespace {

class LoadedModule : public ::testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(KESTRO_MODULE_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    get_class_object_ =
        reinterpret_cast<DllGetClassObjectFn>(dlsym(handle_, "DllGetClassObject"));
    can_unload_ = reinterpret_cast<DllCanUnloadNowFn>(dlsym(handle_, "DllCanUnloadNow"));
    ASSERT_TRUE(get_class_object_ && can_unload_);
    ASSERT_TRUE(dlsym(handle_, "DllRegisterServer") && dlsym(handle_, "DllUnregisterServer"));
  }
  void TearDown() override {
    if (handle_) dlclose(handle_);
  }

  ComPtr<IKestroTVSystem> CreateSystem() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(get_class_object_(&CLSID_KestroTVSystem, &IClassFactory::kIID,
                                reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
              S_OK);
    ComPtr<IKestroTVSystem> system;
    EXPECT_EQ(factory->CreateInstance(nullptr, IKestroTVSystem::kIID,
                                      reinterpret_cast<void**>(system.ReleaseAndGetAddressOf())),
              S_OK);
    return system;
  }

  void* handle_ = nullptr;
  DllGetClassObjectFn get_class_object_ = nullptr;
  DllCanUnloadNowFn can_unload_ = nullptr;
};

TEST_F(LoadedModule, ClassObjectOnlyForItsClass) {
  void* out = nullptr;
  const CLSID other = MakeGuid("{00000000-1111-2222-3333-444444444444}");
  EXPECT_EQ(get_class_object_(&other, &IClassFactory::kIID, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(get_class_object_(&CLSID_KestroTVSystem, &IKestroItem::kIID, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

TEST_F(LoadedModule, EachCallMakesANewObjectAndUnloadWaitsForThem) {
  EXPECT_EQ(can_unload_(), S_OK);
  ComPtr<IKestroTVSystem> a = CreateSystem();
  ComPtr<IKestroTVSystem> b = CreateSystem();
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.Get(), b.Get());
  ComPtr<ITVProgramScreen> s1, s2;
  EXPECT_EQ(a->CreateProgramScreen(nullptr, nullptr, s1.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(a->CreateProgramScreen(nullptr, nullptr, s2.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_NE(s1.Get(), s2.Get());
  EXPECT_EQ(can_unload_(), S_FALSE);
  a = nullptr;
  b = nullptr;
  s1 = nullptr;
  EXPECT_EQ(can_unload_(), S_FALSE) << "a screen is still alive";
  s2 = nullptr;
  EXPECT_EQ(can_unload_(), S_OK);
}

// The schedule manager it hands out is a host plug-in whose failures follow the error convention.
TEST_F(LoadedModule, TheScheduleManagerFailsByTheErrorConvention) {
  ComPtr<IKestroTVSystem> system = CreateSystem();
  ComPtr<ITVScheduleManager> manager;
  ASSERT_EQ(system->GetScheduleManager(manager.ReleaseAndGetAddressOf()), S_OK);
  bool handled = false;
  ClearErrorInfo();
  EXPECT_EQ(manager->OnMessage(nullptr, nullptr, &handled), E_UNEXPECTED);
  EXPECT_TRUE(handled) << "every message counts as handled";
  ErrorInfo info;
  ASSERT_EQ(GetErrorInfo(&info), S_OK);
  EXPECT_EQ(info.iid, ITVScheduleManager::kIID);
  EXPECT_FALSE(info.description.empty());
}

TEST(Registration, WritesAndRemovesTheClassAndTypeLibrary) {
  testing::TempDir dir;
  const std::string reg_path = dir / "registry.reg";
  RegisterClasses(ModuleClasses(), reg_path, "/opt/kestro/libKestroTV.so");
  RegistryFile reg = RegistryFile::Load(reg_path);
  const std::string clsid = "HKEY_CLASSES_ROOT\\CLSID\\{FA05402F-BD2E-42CE-BD15-C6859CB22A0E}";
  EXPECT_EQ(reg.GetString(clsid + "\\InprocServer32", ""), "/opt/kestro/libKestroTV.so");
  EXPECT_EQ(reg.GetString("HKEY_CLASSES_ROOT\\KestroTV.KestroTVSystem\\CLSID", ""),
            "{FA05402F-BD2E-42CE-BD15-C6859CB22A0E}");
  EXPECT_TRUE(reg.HasKey("HKEY_CLASSES_ROOT\\TypeLib\\{EFBDED27-DD25-4461-8427-94AD766C3182}\\1.0"));

  UnregisterClasses(ModuleClasses(), reg_path);
  reg = RegistryFile::Load(reg_path);
  EXPECT_FALSE(reg.HasKey(clsid));
  EXPECT_FALSE(reg.HasKey("HKEY_CLASSES_ROOT\\KestroTV.KestroTVSystem"));
  EXPECT_FALSE(reg.HasKey("HKEY_CLASSES_ROOT\\TypeLib\\{EFBDED27-DD25-4461-8427-94AD766C3182}"));
}

}  // namespace
}  // namespace kestro
