#include <gtest/gtest.h>

#include <sstream>

#include "cli/args.h"
#include "cli/output.h"

namespace kestro::cli {
namespace {

TableOutput Sample() {
  TableOutput t({"id", "title"});  // text columns
  t.AddRow({"1", "Café \"Noir\""});
  t.AddRow({"22", "Tab\there"});
  return t;
}

template <class Output>
std::string Print(const Output& t, OutputFormat f) {
  std::ostringstream out;
  t.Print(out, f);
  return out.str();
}

TEST(Output, ThreeFormatsEscapeWhatWouldBreakThem) {
  EXPECT_EQ(Print(Sample(), OutputFormat::kTsv), "id\ttitle\n1\tCafé \"Noir\"\n22\tTab here\n");
  EXPECT_EQ(Print(Sample(), OutputFormat::kJson),
            "[\n {\"id\": \"1\", \"title\": \"Café \\\"Noir\\\"\"},\n"
            " {\"id\": \"22\", \"title\": \"Tab here\"}\n]\n");
  // Columns align by characters, not bytes.
  EXPECT_EQ(Print(Sample(), OutputFormat::kTable),
            "id  title\n--  -----------\n1   Café \"Noir\"\n22  Tab here\n");
  EXPECT_EQ(Print(TableOutput({"a"}), OutputFormat::kJson), "[]\n");

  // JSON: numbers, Booleans and null where the column says so, snake-case keys.
  TableOutput t({Number("id"), "short name", Flag("wanted"), Number("last-update")});
  t.AddRow({"7", "WABC", "yes", ""});
  t.AddRow({"12", "9", "no", "x"});
  EXPECT_EQ(Print(t, OutputFormat::kJson),
            "[\n {\"id\": 7, \"short_name\": \"WABC\", \"wanted\": true, \"last_update\": null},\n"
            " {\"id\": 12, \"short_name\": \"9\", \"wanted\": false, \"last_update\": \"x\"}\n]\n");
}

TEST(Output, WideCharactersTakeTwoColumnsAndCombiningMarksNone) {
  EXPECT_EQ(DisplayWidth("東京ニュース"), 12u);
  EXPECT_EQ(DisplayWidth("e\u0301te\u0301"), 3u);  // été with combining accents
  EXPECT_EQ(DisplayWidth("ＡＢ"), 4u);            // full-width Latin
  TableOutput t({"title", "ch"});
  t.AddRow({"東京", "1"});
  t.AddRow({"News", "2"});
  EXPECT_EQ(Print(t, OutputFormat::kTable), "title  ch\n-----  --\n東京   1\nNews   2\n");
}

TEST(Args, OptionsFlagsAndPositionals) {
  ArgParser p({"7", "--name=News", "--set", "a=1", "--all", "--set", "b=2", "--", "--x"},
              {"name", "set"}, {"all"});
  EXPECT_EQ(p.Value("name"), "News");
  EXPECT_EQ(p.Values("set"), (std::vector<std::string>{"a=1", "b=2"}));
  EXPECT_TRUE(p.Flag("all"));
  EXPECT_EQ(p.Positionals(), (std::vector<std::string>{"7", "--x"}));
  EXPECT_THROW(ArgParser({"--name"}, {"name"}, {}), UsageError);
  EXPECT_THROW(ArgParser({"--all=1"}, {}, {"all"}), UsageError);
  EXPECT_THROW(ParseOutputFormat("xml"), UsageError);
  EXPECT_THROW(p.Positional(2, "CHANNEL"), UsageError);
}

}  // namespace
}  // namespace kestro::cli
