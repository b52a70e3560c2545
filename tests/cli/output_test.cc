#include <gtest/gtest.h>

#include <sstream>

#include "cli/args.h"
#include "cli/output.h"

namespace kestro::cli {
namespace {

TableOutput Sample() {
  TableOutput t({"id", "title"});
  t.AddRow({"1", "Café \"Noir\""});
  t.AddRow({"22", "Tab\there"});
  return t;
}

std::string Print(const TableOutput& t, OutputFormat f) {
  std::ostringstream out;
  t.Print(out, f);
  return out.str();
}

TEST(Output, ThreeFormats) {
  EXPECT_EQ(Print(Sample(), OutputFormat::kTsv), "id\ttitle\n1\tCafé \"Noir\"\n22\tTab here\n");
  EXPECT_EQ(Print(Sample(), OutputFormat::kJson),
            "[\n {\"id\": \"1\", \"title\": \"Café \\\"Noir\\\"\"},\n"
            " {\"id\": \"22\", \"title\": \"Tab here\"}\n]\n");
  // Columns align by characters, not bytes.
  EXPECT_EQ(Print(Sample(), OutputFormat::kTable),
            "id  title\n--  -----------\n1   Café \"Noir\"\n22  Tab here\n");
  EXPECT_EQ(Print(TableOutput({"a"}), OutputFormat::kJson), "[]\n");
  EXPECT_THROW(ParseOutputFormat("xml"), UsageError);
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
  EXPECT_THROW(p.Positional(2, "CHANNEL"), UsageError);
}

}  // namespace
}  // namespace kestro::cli
