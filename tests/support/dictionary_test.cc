#include "support/dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_item.h"

namespace kestro {
namespace {

Variant Read(IKestroItem& item, const Variant& key) {
  Variant value;
  EXPECT_EQ(item.get_Values(key, &value), S_OK);
  return value;
}

std::vector<std::string> Keys(const TDictionary& d) {
  std::vector<std::string> keys;
  for (int32_t i = 0; i < d.Count(); ++i) keys.push_back(d.KeyAt(i));
  return keys;
}

TEST(DictionaryTest, NamesIgnoreCaseKeysArePositionsOrNamesAndFallbacksOnlyForMissing) {
  ComPtr<TDictionary> d = NewDictionary();
  ASSERT_EQ(d->put_Values("Start-Time", 1), S_OK);
  ASSERT_EQ(d->put_Values("START-TIME", 2), S_OK);
  d->Set("Ärger", Variant());
  EXPECT_EQ(Keys(*d), (std::vector<std::string>{"Start-Time", "Ärger"})) << "the first spelling";
  EXPECT_EQ(Read(*d, "start-time"), Variant(2));
  EXPECT_TRUE(d->Has("ärger"));

  EXPECT_EQ(Read(*d, 0), Variant(2));
  EXPECT_TRUE(Read(*d, 2).IsEmpty());  // == Count
  EXPECT_TRUE(Read(*d, 0.0).IsEmpty());
  ASSERT_EQ(d->put_Values(int64_t{0}, "two"), S_OK);
  ASSERT_EQ(d->put_Values(2, "ignored"), S_OK);
  EXPECT_EQ(d->Count(), 2);
  EXPECT_EQ(d->Get("start-TIME"), Variant("two"));

  d->Set("null", Variant::Null());
  Variant v;
  for (const char* missing_or_empty : {"missing", "ÄRGER"}) {
    ASSERT_EQ(d->GetValue(missing_or_empty, 42, &v), S_OK);
    EXPECT_EQ(v, Variant(42)) << missing_or_empty;
  }
  ASSERT_EQ(d->GetValue("null", 42, &v), S_OK);
  EXPECT_TRUE(v.IsNull());

  void* alt = nullptr;  // the second interface ID is the same object
  ASSERT_EQ(d->QueryInterface(TDictionary::kAltIID, &alt), S_OK);
  ComPtr<IKestroItem> item = ComPtr<IKestroItem>::Attach(static_cast<IKestroItem*>(alt));
  EXPECT_EQ(item.Get(), static_cast<IKestroItem*>(d.Get()));
}

TEST(DictionaryTest, ClearForgetsEveryNameAndSortOrdersIgnoringCase) {
  ComPtr<TDictionary> d = NewDictionary();
  for (const char* name : {"m", "c", "x", "a"}) d->Set(name, name);
  ASSERT_EQ(d->Clear(), S_OK);
  EXPECT_EQ(d->Count(), 0);
  // Nodes are reused: a reused one keeps nothing of its old key.
  for (const char* name : {"delta", "Bravo", "alpha"}) d->Set(name, 0);
  for (const char* name : {"m", "c", "x", "a"}) EXPECT_FALSE(d->Has(name)) << name;
  d->Sort();
  d->Set("Aardvark", 0);
  EXPECT_EQ(Keys(*d), (std::vector<std::string>{"alpha", "Bravo", "delta", "Aardvark"}));
}

TEST(DictionaryTest, UpdatesGroupNotifications) {
  struct Recording : TDictionary {
    std::vector<std::string> events;
    void Changed() override { events.push_back("changed"); }
  };
  ComPtr<Recording> d = MakeObject<Recording>();
  d->SetOnChange([&](TDictionary&) { d->events.push_back("event"); });
  d->Set("a", 1);
  EXPECT_EQ(d->events, (std::vector<std::string>{"event", "changed"}));

  d->events.clear();
  d->BeginUpdate();
  d->put_Values("a", 2);
  d->put_Values(0, 3);
  d->Clear();
  EXPECT_TRUE(d->events.empty());
  d->EndUpdate();
  EXPECT_EQ(d->events.size(), 2u);
  d->EndUpdate();  // unbalanced: notifies again, the count stays at 0
  EXPECT_EQ(d->events.size(), 4u);
  EXPECT_EQ(d->UpdateCount(), 0);
}

TEST(DictionaryTest, AssignReadsAHostItemThroughItsInterface) {
  ComPtr<host::THostItem> source = host::NewHostItem();
  source->Set("Title", "News");
  source->Set("channel", 7);
  ComPtr<TDictionary> d = NewDictionary();
  d->Set("TITLE", "old");
  int notifications = 0;
  d->SetOnChange([&](TDictionary&) { ++notifications; });
  ASSERT_EQ(d->Assign(source.Get()), S_OK);
  EXPECT_EQ(notifications, 2);
  EXPECT_EQ(Keys(*d), (std::vector<std::string>{"TITLE", "channel"}));
  EXPECT_EQ(d->Get("title"), Variant("News"));
  EXPECT_EQ(d->Get("Channel"), Variant(7));
}

}  // namespace
}  // namespace kestro
