// TSaxParser: a streaming XML reader for listings files. It keeps a stack of the open elements,
// collects each element's attributes and text, and hands every element to its subclasses (the
// XMLTV readers) or to event handlers twice: at the start tag with its attributes only, and at the
// end tag with its attributes and its trimmed text, while its ancestors are still on the stack.
// Any handler can stop the parse.
//
// Built on expat, fed in blocks of kReadBlockBytes, so memory does not grow with the file: it
// holds one block plus the open elements. Namespaces are ignored (names and attributes keep only
// the part after the last ':'; xmlns declarations are not attributes). External entities and
// external DTDs are never fetched; a DOCTYPE naming one still parses. Besides what expat reads
// itself (UTF-8, UTF-16, ISO-8859-1, US-ASCII), any single-byte encoding that iconv knows is
// accepted (windows-1252, ISO-8859-15, KOI8-R, ...). All text handed out is UTF-8. A file in
// gzip form is read through zlib, whatever its name.
//
// Not thread-safe: a parser belongs to one thread.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/dictionary.h"

namespace kestro {

// One open element.
class TSaxElement {
 public:
  // An element's text keeps at most this many bytes; the rest of an enormous text node is read
  // and dropped (the cut falls on a character boundary).
  static constexpr size_t kMaxTextBytes = size_t{1} << 20;

  // `parent` is the element below this one on the stack, or null; it outlives this element.
  TSaxElement(std::string name, TSaxElement* parent);
  TSaxElement(const TSaxElement&) = delete;
  TSaxElement& operator=(const TSaxElement&) = delete;

  // The local name.
  const std::string& Name() const { return name_; }
  // The character data between the start and end tags, without the text of child elements;
  // empty at the start tag, trimmed (blanks and control characters) at the end tag.
  const std::string& Text() const { return text_; }
  // True when text beyond kMaxTextBytes was dropped.
  bool TextTruncated() const { return text_truncated_; }
  // Attributes by local name, values as text. A property bag of its own per element, so readers
  // may add values of their own to it.
  TDictionary& Attributes() const { return *attributes_; }
  // The attribute's text; empty when it is missing.
  std::string Attribute(std::string_view name) const;
  void SetAttribute(std::string_view name, std::string_view value);
  TSaxElement* Parent() const { return parent_; }

  // Appends character data, up to kMaxTextBytes in all.
  void AppendText(std::string_view text);
  void TrimText();

 private:
  const std::string name_;
  std::string text_;
  bool text_truncated_ = false;
  const ComPtr<TDictionary> attributes_;
  TSaxElement* const parent_;
};

class TSaxParser {
 public:
  // Both handlers get the element and the continue flag, true on entry; setting it false stops
  // the parse. A handler that stops may first set the stop reason, which becomes the error.
  using ElementHandler = std::function<void(TSaxElement& element, bool& continue_parse)>;

  static constexpr size_t kReadBlockBytes = 64 * 1024;

  TSaxParser();
  virtual ~TSaxParser();
  TSaxParser(const TSaxParser&) = delete;
  TSaxParser& operator=(const TSaxParser&) = delete;

  // Parses one file, streaming it. Throws kestro::Exception:
  //   "The file "<name>" does not exist";
  //   the stop reason, exactly, when a handler stopped the parse after setting one;
  //   "Failed to parse data from file <name> : <reason>" for malformed XML (the reason names the
  //   line and column: "mismatched tag at line 9, column 3"), an unreadable file, or a stop
  //   without a reason.
  // An exception thrown by a handler or a subclass ends the parse and propagates unchanged.
  // Elements left open by a stopped parse stay on the stack until the next Parse or destruction.
  void Parse(const std::string& file_name);
  // Parses XML held in memory, in blocks as a file is; `source_name` stands for the file name in
  // messages.
  void ParseText(std::string_view xml, const std::string& source_name = "(memory)");

  // The innermost open element, or null.
  TSaxElement* CurrentElement() const;

  void SetOnStartElement(ElementHandler handler) { on_start_element_ = std::move(handler); }
  void SetOnEndElement(ElementHandler handler) { on_end_element_ = std::move(handler); }

  // Cleared at the start of each parse.
  const std::string& StopReason() const { return stop_reason_; }
  void SetStopReason(std::string reason) { stop_reason_ = std::move(reason); }

 protected:
  // A parser created with continue_flag false builds no elements: it sees start tags through
  // BeforeElement only (a counting pass). Every parse starts with the flag as created.
  explicit TSaxParser(bool continue_flag);

  // Called for every start tag that is not ignored, before anything else.
  virtual void BeforeElement(std::string_view name) {}
  // The element has its attributes and an empty text. Calls OnStartElement when set.
  virtual void StartElement(TSaxElement& element, bool& continue_parse);
  // The element has its attributes and its trimmed text. Calls OnEndElement when set.
  virtual void EndElement(TSaxElement& element, bool& continue_parse);
  // True skips this element: no element is built, its own text is dropped and its end tag is
  // not reported. Its children are still offered.
  virtual bool IgnoreElement(std::string_view name) { return false; }

 private:
  struct Reader;  // expat's callbacks

  // Runs one parse over blocks that `read_block` fills; it returns the bytes written, 0 at the
  // end. `source_name` is used in messages.
  void Run(const std::string& source_name,
           const std::function<size_t(char* buffer, size_t size)>& read_block);
  void ClearStack();
  // Ends the running parse after the current event.
  void Stop();

  // The expat events.
  void OnStartTag(const char* qualified_name, const char** attributes);
  void OnEndTag();
  void OnCharacters(std::string_view text);

  std::vector<std::unique_ptr<TSaxElement>> stack_;
  // One entry per open tag: whether it has an element on stack_ (false for ignored tags and for
  // tags seen while the continue flag was false).
  std::vector<bool> open_tags_;
  ElementHandler on_start_element_;
  ElementHandler on_end_element_;
  const bool initial_continue_;
  bool continue_;
  std::string stop_reason_;
  // Set when the current parse must end: the continue flag went false or a handler threw.
  bool stopping_ = false;
  std::exception_ptr failure_;
  void* expat_ = nullptr;  // the XML_Parser of the running parse
};

}  // namespace kestro
