// The COM frame every module object shares: reference counting, QueryInterface along the
// interface chain and the error convention.
#include <gtest/gtest.h>

#include <memory>

#include "core/kestro_object.h"
#include "kestro/host.h"
#include "platform/exception.h"

namespace kestro {
namespace {

// A host-library object whose one method fails on demand.
class TProbeLog : public TKestroIntfObject<IKestroLog> {
 public:
  explicit TProbeLog(bool ref_counted) : TKestroIntfObject<IKestroLog>(ref_counted) {}
  HRESULT WriteLine(const std::string& line) override {
    return Frame([&] {
      if (line == "fail") throw Exception("Failed to write line \"fail\" : disk full");
      lines.push_back(line);
    });
  }
  std::vector<std::string> lines;
};

TEST(ComFrame, FailingMethodReturnsUnexpectedWithErrorInfo) {
  ComPtr<TProbeLog> log = MakeObject<TProbeLog>(true);
  ClearErrorInfo();
  EXPECT_EQ(log->WriteLine("fail"), static_cast<HRESULT>(0x8000FFFF));
  ErrorInfo info;
  ASSERT_EQ(GetErrorInfo(&info), S_OK);
  EXPECT_EQ(info.description, "Failed to write line \"fail\" : disk full");
  EXPECT_EQ(info.iid, IKestroLog::kIID);
  EXPECT_EQ(GetErrorInfo(&info), S_FALSE) << "error info is taken once";
  EXPECT_EQ(log->WriteLine("ok"), S_OK);
}

TEST(ComFrame, NotRefCountedObjectSurvivesRelease) {
  auto owned = std::make_unique<TProbeLog>(false);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(owned->Release(), static_cast<ULONG>(-1));
  EXPECT_EQ(owned->AddRef(), static_cast<ULONG>(-1));
  {
    ComPtr<IKestroLog> borrowed(owned.get());  // AddRef/Release pairs do nothing
  }
  EXPECT_EQ(owned->WriteLine("still here"), S_OK);
  EXPECT_EQ(owned->lines.size(), 1u);
}

TEST(ComFrame, QueryInterfaceFollowsTheInterfaceChain) {
  ComPtr<TProbeLog> log = MakeObject<TProbeLog>(true);
  EXPECT_TRUE(log.As<IUnknown>());
  EXPECT_TRUE(log.As<IDispatch>());
  EXPECT_TRUE(log.As<IKestroLog>());
  EXPECT_FALSE(log.As<IKestroItem>());
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(log->QueryInterface(IKestroItem::kIID, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace kestro
