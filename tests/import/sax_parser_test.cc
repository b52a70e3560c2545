#include "import/sax_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "platform/exception.h"

namespace kestro {
namespace {

using testing::TempDir;
using testing::WriteFile;

// Records every element event as "<name" (with the attributes) and ">name=text", and keeps the
// parent name seen at the end.
class RecordingParser : public TSaxParser {
 public:
  RecordingParser() {
    SetOnStartElement([this](TSaxElement& e, bool&) {
      std::string line = "<" + e.Name();
      for (int32_t i = 0; i < e.Attributes().Count(); ++i) {
        const std::string key = e.Attributes().KeyAt(i);
        line += " " + key + "=" + e.Attribute(key);
      }
      if (!e.Text().empty()) line += " text-at-start";
      events.push_back(line);
    });
    SetOnEndElement([this](TSaxElement& e, bool&) {
      events.push_back(">" + e.Name() + "=" + e.Text());
      parents.push_back(e.Parent() ? e.Parent()->Name() : "");
    });
  }
  std::vector<std::string> events;
  std::vector<std::string> parents;
};

// The message of parsing the file `file`, or of the text `xml` named "mem.xml".
std::string ParseError(TSaxParser& parser, const std::string& file, const std::string& xml = {}) {
  try {
    if (file.empty()) parser.ParseText(xml, "mem.xml");
    else parser.Parse(file);
  } catch (const Exception& e) {
    return e.what();
  }
  return "(no error)";
}
std::string ParseTextError(TSaxParser& parser, const std::string& xml) {
  return ParseError(parser, "", xml);
}

// Parses a file "<tv><desc>`desc`</desc><title>after</title></tv>" in blocks as a file is read.
struct DescAndTitle {
  std::string desc, title;
  bool truncated = false;
};
DescAndTitle ReadDescAndTitle(const std::string& desc) {
  TempDir dir;
  WriteFile(dir / "big.xml", "<tv><desc>" + desc + "</desc><title>after</title></tv>");
  DescAndTitle read;
  TSaxParser parser;
  parser.SetOnEndElement([&](TSaxElement& e, bool&) {
    if (e.Name() == "desc") read.desc = e.Text(), read.truncated = e.TextTruncated();
    if (e.Name() == "title") read.title = e.Text();
  });
  parser.Parse(dir / "big.xml");
  return read;
}

TEST(SaxParserTest, ElementsArriveAtStartWithAttributesAndAtEndWithTrimmedText) {
  RecordingParser parser;
  parser.ParseText(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
      "<?xml-stylesheet type=\"text/xsl\" href=\"tv.xsl\"?>\n"
      "<tv>\n"
      "  <programme start=\"20050101190000 +0100\" channel=\"c1\">\n"
      "    <title lang=\"en\">  News  </title><!-- a comment -->\n"
      "    <desc>first <b>bold</b> second<?pi ignored?></desc>\n"
      "  </programme>\n"
      "</tv>\n");
  EXPECT_EQ(parser.events,
            (std::vector<std::string>{"<tv", "<programme start=20050101190000 +0100 channel=c1",
                                      "<title lang=en", ">title=News", "<desc", "<b", ">b=bold",
                                      ">desc=first  second", ">programme=", ">tv="}));
  EXPECT_EQ(parser.parents, (std::vector<std::string>{"programme", "desc", "programme", "tv", ""}));
}

TEST(SaxParserTest, TextSplitAcrossBlocksAndEventsIsJoinedInOrder) {
  // Entities, line ends and block boundaries all split character data into separate events.
  std::string text;
  for (int i = 0; text.size() < 5 * TSaxParser::kReadBlockBytes / 2; ++i) {
    text += "line " + std::to_string(i) + " caf\xC3\xA9 &amp; \xE2\x82\xAC\n";
  }
  std::string expected;
  for (size_t pos = 0; pos < text.size();) {
    if (text.compare(pos, 5, "&amp;") == 0) {
      expected += '&';
      pos += 5;
    } else {
      expected += text[pos++];
    }
  }
  expected.pop_back();  // the trailing line end is trimmed

  const DescAndTitle read = ReadDescAndTitle("\n\t  " + text + "  ");
  EXPECT_EQ(read.desc.size(), expected.size());
  EXPECT_TRUE(read.desc == expected);
  EXPECT_EQ(read.title, "after");
}

TEST(SaxParserTest, TextBecomesUtf8AndNothingOutsideTheDocumentIsFetched) {
  TempDir dir;
  WriteFile(dir / "secret.txt", "SECRET");
  WriteFile(dir / "tv.dtd", "<!ENTITY fromdtd \"FROM-DTD\">");
  const struct {
    std::string xml;
    std::vector<std::string> events;
  } cases[] = {
      {"<t a=\"x &amp; y &#233;\">Tom &amp; Jerry &#233;t&#xE9; &#x3b1;&#946; &lt;b&gt; "
       "&quot;q&apos;<![CDATA[ <raw> & ]]>&#x6771;</t>",
       {"<t a=x & y é", ">t=Tom & Jerry été αβ <b> \"q' <raw> & 東"}},
      // Namespace prefixes are dropped; their declarations are no attributes.
      {"<x:tv xmlns:x=\"urn:x\" xmlns=\"urn:default\"><x:programme x:start=\"1\" channel=\"c\" "
       "xml:lang=\"en\"/><undeclared:thing/></x:tv>",
       {"<tv", "<programme start=1 channel=c lang=en", ">programme=", "<thing", ">thing=", ">tv="}},
      // External entities and DTDs are never read.
      {"<?xml version=\"1.0\"?>\n<!DOCTYPE tv SYSTEM \"" + dir / "tv.dtd" +
           "\" [\n  <!ENTITY secret SYSTEM \"file://" + dir / "secret.txt" +
           "\">\n  <!ENTITY inner \"inside\">\n]>\n<tv>a&secret;b&inner;c&fromdtd;d</tv>",
       {"<tv", ">tv=abinsidecd"}},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><t>\xA3 caf\xE9</t>", {"<t", ">t=£ café"}},
      {"<?xml version=\"1.0\" encoding=\"KOI8-R\"?><t>\xEE\xCF\xD7\xCF\xD3\xD4\xC9</t>",
       {"<t", ">t=Новости"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    RecordingParser parser;
    parser.ParseText(c.xml);
    EXPECT_EQ(parser.events, c.events);
  }
}

TEST(SaxParserTest, EnormousTextIsCappedOnACharacterBoundaryAndTheParseGoesOn) {
  std::string euros;
  for (size_t i = 0; i < 3 * TSaxElement::kMaxTextBytes / 3 + 1000; ++i) euros += "\xE2\x82\xAC";
  const DescAndTitle read = ReadDescAndTitle(euros);
  // 2^20 is not a multiple of 3: the cut moves back to the last whole character.
  EXPECT_EQ(read.desc.size(), TSaxElement::kMaxTextBytes / 3 * 3);
  EXPECT_TRUE(read.truncated);
  EXPECT_TRUE(read.desc == euros.substr(0, read.desc.size()));
  EXPECT_EQ(read.title, "after");
}

// ---------------------------------------------------------------------------------------------
// Stopping and failures.

constexpr const char* kThreeProgrammes =
    "<tv><programme n=\"1\"><title>a</title></programme><programme n=\"2\"><title>b</title>"
    "</programme><programme n=\"3\"/></tv>";

TEST(SaxParserTest, AHandlerStopsTheParseAndItsReasonIsTheError) {
  RecordingParser parser;
  parser.SetOnStartElement([&](TSaxElement& e, bool& continue_parse) {
    parser.events.push_back("<" + e.Name());
    if (e.Attribute("n") == "2") {
      parser.SetStopReason("canceled");
      continue_parse = false;
    }
  });
  EXPECT_EQ(ParseTextError(parser, kThreeProgrammes), "canceled");
  EXPECT_EQ(parser.events, (std::vector<std::string>{"<tv", "<programme", "<title", ">title=a",
                                                     ">programme=", "<programme"}));
  // The same parser reads the next document afresh.
  parser.events.clear();
  parser.SetOnStartElement(nullptr);
  parser.ParseText("<tv><programme n=\"9\"/></tv>");
  EXPECT_EQ(parser.events, (std::vector<std::string>{">programme=", ">tv="}));
  EXPECT_EQ(parser.StopReason(), "");
}

TEST(SaxParserTest, AStopWithoutAReasonIsAParseFailureEvenAtTheLastTag) {
  TSaxParser parser;
  std::vector<std::string> ends;
  parser.SetOnEndElement([&](TSaxElement& e, bool& continue_parse) {
    ends.push_back(e.Name());
    continue_parse = e.Name() != "tv";
  });
  EXPECT_EQ(ParseTextError(parser, "<tv><a/></tv>"),
            "Failed to parse data from file mem.xml : parsing aborted at line 1, column 14");
  EXPECT_EQ(ends, (std::vector<std::string>{"a", "tv"}));
}

TEST(SaxParserTest, AnExceptionFromAHandlerEndsTheParseUnchanged) {
  TSaxParser parser;
  int ends = 0;
  parser.SetOnEndElement([&](TSaxElement& e, bool&) {
    ++ends;
    if (e.Name() == "title") throw EConvertError("'x' is not a valid integer value");
  });
  try {
    parser.ParseText(kThreeProgrammes);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
  }
  EXPECT_EQ(ends, 1);
}

TEST(SaxParserTest, FailuresNameTheFileAndWhereTheXmlWentWrong) {
  TempDir dir;
  TSaxParser parser;
  EXPECT_EQ(ParseError(parser, dir / "missing.xml"),
            "The file \"" + dir / "missing.xml" + "\" does not exist");
  WriteFile(dir / "bad.xml", "<tv>\n  <programme>\n    <title>x</programme>\n</tv>\n");
  EXPECT_EQ(ParseError(parser, dir / "bad.xml"),
            "Failed to parse data from file " + dir / "bad.xml" +
                " : mismatched tag at line 3, column 15");
  EXPECT_EQ(ParseError(parser, dir.path()),
            "Failed to parse data from file " + dir.path() + " : Is a directory");
  // Encodings iconv does not know are not guessed at.
  EXPECT_EQ(ParseTextError(parser, "<?xml version=\"1.0\" encoding=\"x-no-such\"?><t/>"),
            "Failed to parse data from file mem.xml : unknown encoding at line 1, column 31");
}

}  // namespace
}  // namespace kestro
