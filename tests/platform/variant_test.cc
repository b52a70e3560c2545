// Automation value conversions as the module and its hosts rely on them.
#include <gtest/gtest.h>

#include "kestro/variant.h"
#include "common/error_of.h"
#include "platform/exception.h"

namespace kestro {
namespace {

TEST(Variant, NumbersTextAndBooleansConvertBothWays) {
  EXPECT_EQ(Variant("  42 ").ToInt32(), 42);
  EXPECT_EQ(Variant("2.5").ToInt32(), 2) << "halves round to even";
  EXPECT_EQ(Variant(3.5).ToInt32(), 4);
  EXPECT_EQ(Variant(true).ToInt32(), -1);
  EXPECT_EQ(Variant(true).ToString(), "True");
  EXPECT_FALSE(Variant("False").ToBool());
  EXPECT_TRUE(Variant("7").ToBool());
  EXPECT_EQ(Variant(int64_t{1} << 40).ToString(), "1099511627776");
  EXPECT_EQ(Variant(0.1).ToString(), "0.1");
  EXPECT_EQ(VarToStr(Variant::Null()), "");
}

TEST(Variant, ImpossibleConversionsFailWithAClearMessage) {
  EXPECT_EQ(testing::ErrorOf<EVariantError>([] { Variant("abc").ToInt32(); }),
            "Could not convert variant of type (String) into type (Integer)");
  EXPECT_EQ(testing::ErrorOf<EVariantError>([] { Variant(int64_t{1} << 40).ToInt32(); }),
            "Overflow while converting variant of type (Int64) into type (Integer)");
  EXPECT_THROW(Variant(1e300).ToInt64(), EVariantError);
  EXPECT_THROW(Variant::Null().ToString(), EVariantError);
}

TEST(Variant, CompareOrdersForGrouping) {
  EXPECT_EQ(CompareVariants(Variant(), Variant::Null()), 0);
  EXPECT_LT(CompareVariants(Variant::Null(), Variant(0)), 0);
  EXPECT_LT(CompareVariants(Variant(2), Variant(10.5)), 0);
  EXPECT_EQ(CompareVariants(Variant(int64_t{3}), Variant(3.0)), 0);
  EXPECT_GT(CompareVariants(Variant("10"), Variant(9)), 0) << "numeric text compares by value";
  EXPECT_LT(CompareVariants(Variant("Apple"), Variant("Banana")), 0);
}

TEST(SafeArray, BoundsAndCopies) {
  SafeArray grid({{1, 2}, {0, 3}});  // [1..2, 0..2]
  grid.Put({2, 1}, Variant("b"));
  EXPECT_EQ(grid.LBound(1), 1);
  EXPECT_EQ(grid.UBound(2), 2);
  EXPECT_EQ(grid.Get({2, 1}).ToString(), "b");
  EXPECT_THROW(grid.Get({0, 0}), EVariantError);
  EXPECT_THROW(grid.Get({1}), EVariantError);

  Variant a(SafeArray::Vector({Variant(1), Variant(2)}));
  Variant b = a;
  b.MutableArray().Put({0}, Variant(9));
  EXPECT_EQ(a.ToArray().Get({0}).ToInt32(), 1) << "copies of a variant do not share its array";
  EXPECT_EQ(b.ToArray().Get({0}).ToInt32(), 9);
}

}  // namespace
}  // namespace kestro
