// The reference host's own objects.
#include <gtest/gtest.h>

#include "common/temp_dir.h"
#include "host/host_item.h"
#include "host/host_log.h"
#include "kestro/interface_reads.h"

namespace kestro {
namespace {

TEST(HostItem, BehavesLikeAPropertyBag) {
  ComPtr<host::THostItem> item = host::NewHostItem();
  ASSERT_EQ(item->put_Values(Variant("Lineup-ID"), Variant(3)), S_OK);
  ASSERT_EQ(item->put_Values(Variant("LINEUP-id"), Variant(4)), S_OK);
  EXPECT_EQ(Get(item.Get(), &IKestroItem::get_Count), 1);
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

}  // namespace
}  // namespace kestro
