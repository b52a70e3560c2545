#include "platform/text/text.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/exception.h"

namespace kestro {
namespace {

TEST(TextTest, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim("\t\r\n \x01 Title \x1f\n"), "Title");
  EXPECT_EQ(TrimRight(" a b\x7f"), " a b\x7f");  // DEL is above the blank range
  EXPECT_EQ(Trim(" \xC3\xA9 "), "\xC3\xA9");
}

TEST(TextTest, CaseMappingAndComparisonCoverEveryScript) {
  EXPECT_EQ(UnicodeLower("ÉCOLE ΑΘΗΝΑ МОСКВА"), "école αθηνα москва");
  EXPECT_EQ(UnicodeUpper("straße ñ"), "STRAßE Ñ");  // simple mapping keeps ß
  EXPECT_EQ(AsciiLower("ÉCOLE"), "École");
  EXPECT_EQ(UnicodeLower("A\xFF\xC3"), "a\xFF\xC3");  // invalid bytes pass through untouched
  EXPECT_TRUE(SameText("ΟΔΟΣ", "οδος"));
  EXPECT_FALSE(SameText("οδος", "οδoς"));  // Latin o is not omicron
  EXPECT_LT(CompareText("apple", "Banana"), 0);
  EXPECT_GT(CompareText("abc", "AB"), 0);
  EXPECT_TRUE(StartsWithText("Éric Rohmer", "éRIC"));
  EXPECT_FALSE(StartsWithText("Ér", "éric"));
}

TEST(TextTest, LetterOrDigitIsUnicodeAware) {
  for (char32_t c : {U'7', U'é', U'Ж', U'中', U'٣'}) EXPECT_TRUE(IsLetterOrDigit(c)) << uint32_t(c);
  for (char32_t c : {U'-', U'«', U'—', U'\u00A0'}) EXPECT_FALSE(IsLetterOrDigit(c)) << uint32_t(c);
}

TEST(TextTest, Utf8DecodingRejectsMalformedSequences) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xBA\xC0\xAF\xED\xA0\x80\xC3";
  std::u32string got;
  size_t pos = 0;
  char32_t cp;
  while (NextCodePoint(text, pos, cp)) got.push_back(cp);
  // Overlong '/', a surrogate and a truncated sequence each give U+FFFD per byte.
  EXPECT_EQ(got, U"aé€📺\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
  std::string out;
  AppendUtf8(out, U'📺');
  AppendUtf8(out, 0xD800);
  EXPECT_EQ(out, "📺\xEF\xBF\xBD");
}

TEST(TextTest, TryStrToIntAcceptsOnlyWholeNumbersInRange) {
  int32_t v = 0;
  const std::pair<const char*, int32_t> good[] = {
      {" -42 ", -42}, {"+7", 7}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
      {"$1F", 31}, {"0xFFFFFFFF", -1}};
  for (const auto& [text, expected] : good) {
    EXPECT_TRUE(TryStrToInt(text, &v)) << text;
    EXPECT_EQ(v, expected) << text;
  }
  for (const char* bad : {"", "+-1", "12a", "2147483648", "-2147483649", "$", "$1FFFFFFFF",
                          "1.5", "٣"}) {
    EXPECT_FALSE(TryStrToInt(bad, &v)) << bad;
  }
  int64_t big = 0;
  EXPECT_TRUE(TryStrToInt64("9223372036854775807", &big));
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", &big));
  EXPECT_EQ(StrToIntDef("x", -5), -5);
  EXPECT_THROW(StrToInt("12x"), EConvertError);
}

TEST(TextTest, TryStrToFloatAcceptsDecimalNotation) {
  double d = 0;
  EXPECT_TRUE(TryStrToFloat(" -1.5e3 ", &d) && d == -1500.0);
  EXPECT_TRUE(TryStrToFloat(".25", &d) && d == 0.25);
  for (const char* bad : {"", ".", "1,5", "inf", "nan", "0x1p3", "1e", "1e999"}) {
    EXPECT_FALSE(TryStrToFloat(bad, &d)) << bad;
  }
}

TEST(TextTest, SplitKeepsEmptyFieldsAndJoinInverts) {
  const auto parts = Split(",a,,b,", ',');
  EXPECT_EQ(parts, (std::vector<std::string>{"", "a", "", "b", ""}));
  EXPECT_EQ(Join(parts, ","), ",a,,b,");
  EXPECT_EQ(Format("%s-%05d", std::string(300, 'x').c_str(), 42).size(), 306u);
}

}  // namespace
}  // namespace kestro
