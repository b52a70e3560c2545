// The reference host's property bag.
#include <gtest/gtest.h>

#include "host/host_item.h"
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

}  // namespace
}  // namespace kestro
