#include "import/sax_parser.h"

#include <expat.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/exception.h"
#include "platform/system/unique_fd.h"
#include "platform/text/text.h"

namespace kestro {

namespace {

constexpr const char* kParseFailed = "Failed to parse data from file %s : %s";

struct GzDeleter {
  void operator()(gzFile_s* file) const { gzclose(file); }
};
using GzFile = std::unique_ptr<gzFile_s, GzDeleter>;

// Whether the file starts with the gzip magic bytes; the file position is left at the start.
bool IsGzipped(int fd) {
  unsigned char magic[2] = {0, 0};
  return pread(fd, magic, sizeof magic, 0) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
}

struct ExpatDeleter {
  void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};
using ExpatParser = std::unique_ptr<XML_ParserStruct, ExpatDeleter>;

// The part of a qualified name after its last ':'.
std::string_view LocalName(std::string_view qualified_name) {
  const size_t colon = qualified_name.rfind(':');
  return colon == std::string_view::npos ? qualified_name : qualified_name.substr(colon + 1);
}

bool IsNamespaceDeclaration(std::string_view qualified_name) {
  return qualified_name == "xmlns" || qualified_name.starts_with("xmlns:");
}

// expat's message for the parser's error with its position, e.g.
// "mismatched tag at line 9, column 3" (the column counted from 1).
std::string ReaderError(XML_Parser parser) {
  const XML_Error code = XML_GetErrorCode(parser);
  const XML_LChar* text = XML_ErrorString(code);
  return Format("%s at line %lu, column %lu", text ? text : "unknown error",
                static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser)) + 1);
}

// Teaches expat a single-byte encoding that iconv knows (windows-1252, ISO-8859-15, ...): the
// code point of every byte, -1 for bytes the encoding leaves undefined. Multi-byte and stateful
// encodings are refused, and expat then reports "unknown encoding".
int XMLCALL SingleByteEncoding(void* /*data*/, const XML_Char* name, XML_Encoding* info) {
  iconv_t cd = iconv_open("UTF-32LE", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return XML_STATUS_ERROR;
  bool single_byte = true;
  for (int byte = 0; byte < 256 && single_byte; ++byte) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in = static_cast<char>(byte);
    char* in_ptr = &in;
    size_t in_left = 1;
    unsigned char out[16];
    char* out_ptr = reinterpret_cast<char*>(out);
    size_t out_left = sizeof out;
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1)) {
      if (errno == EILSEQ) {
        info->map[byte] = -1;
      } else {
        single_byte = false;  // the byte starts a longer sequence
      }
      continue;
    }
    if (sizeof out - out_left != 4) {
      single_byte = false;  // a shift state, or several characters for one byte
      continue;
    }
    info->map[byte] = static_cast<int>(out[0] | (out[1] << 8) | (out[2] << 16) |
                                       (static_cast<uint32_t>(out[3]) << 24));
  }
  iconv_close(cd);
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return single_byte ? XML_STATUS_OK : XML_STATUS_ERROR;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TSaxElement

TSaxElement::TSaxElement(std::string name, TSaxElement* parent)
    : name_(std::move(name)), attributes_(NewDictionary()), parent_(parent) {}

std::string TSaxElement::Attribute(std::string_view name) const {
  return VarToStr(attributes_->Get(name));
}

void TSaxElement::SetAttribute(std::string_view name, std::string_view value) {
  attributes_->Set(name, Variant(value));
}

void TSaxElement::AppendText(std::string_view text) {
  if (text_truncated_) return;
  if (text_.size() + text.size() <= kMaxTextBytes) {
    text_.append(text);
    return;
  }
  text_truncated_ = true;
  size_t room = kMaxTextBytes - text_.size();
  // Cut before a character, never inside its UTF-8 sequence.
  while (room > 0 && (static_cast<unsigned char>(text[room]) & 0xC0) == 0x80) --room;
  text_.append(text.substr(0, room));
}

void TSaxElement::TrimText() { text_ = Trim(text_); }

// ---------------------------------------------------------------------------------------------
// TSaxParser

// expat's callbacks. No exception may cross expat's C frames: a throw is kept in failure_, the
// parse is stopped and Run rethrows it.
struct TSaxParser::Reader {
  template <class F>
  static void Guard(TSaxParser* self, F&& f) {
    try {
      f();
    } catch (...) {
      self->failure_ = std::current_exception();
      self->Stop();
    }
  }

  static void XMLCALL Start(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* self = static_cast<TSaxParser*>(data);
    if (!self->stopping_) Guard(self, [&] { self->OnStartTag(name, attributes); });
  }

  static void XMLCALL End(void* data, const XML_Char* /*name*/) {
    auto* self = static_cast<TSaxParser*>(data);
    if (!self->stopping_) Guard(self, [&] { self->OnEndTag(); });
  }

  static void XMLCALL Characters(void* data, const XML_Char* text, int length) {
    auto* self = static_cast<TSaxParser*>(data);
    if (!self->stopping_) {
      Guard(self, [&] { self->OnCharacters({text, static_cast<size_t>(length)}); });
    }
  }
};

TSaxParser::TSaxParser() : TSaxParser(true) {}

TSaxParser::TSaxParser(bool continue_flag)
    : initial_continue_(continue_flag), continue_(continue_flag) {}

TSaxParser::~TSaxParser() { ClearStack(); }

void TSaxParser::Parse(const std::string& file_name) {
  ClearStack();
  struct stat st {};
  if (stat(file_name.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    throw Exception(Format("The file \"%s\" does not exist", file_name.c_str()));
  }
  UniqueFd fd(open(file_name.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw Exception(Format(kParseFailed, file_name.c_str(), strerror(errno)));

  if (IsGzipped(fd.get())) {
    GzFile gz(gzdopen(fd.get(), "rb"));
    if (!gz) throw Exception(Format(kParseFailed, file_name.c_str(), "out of memory"));
    fd.release();  // the gzip reader closes it
    Run(file_name, [&](char* buffer, size_t size) -> size_t {
      const int n = gzread(gz.get(), buffer, static_cast<unsigned>(size));
      if (n >= 0) return static_cast<size_t>(n);
      int code = Z_OK;
      const char* message = gzerror(gz.get(), &code);
      throw Exception(Format(kParseFailed, file_name.c_str(),
                             code == Z_ERRNO ? strerror(errno) : message));
    });
    return;
  }
  Run(file_name, [&](char* buffer, size_t size) -> size_t {
    for (;;) {
      const ssize_t n = read(fd.get(), buffer, size);
      if (n >= 0) return static_cast<size_t>(n);
      if (errno != EINTR) throw Exception(Format(kParseFailed, file_name.c_str(), strerror(errno)));
    }
  });
}

void TSaxParser::ParseText(std::string_view xml, const std::string& source_name) {
  ClearStack();
  Run(source_name, [&](char* buffer, size_t size) -> size_t {
    const size_t n = std::min(size, xml.size());
    std::memcpy(buffer, xml.data(), n);
    xml.remove_prefix(n);
    return n;
  });
}

TSaxElement* TSaxParser::CurrentElement() const {
  return stack_.empty() ? nullptr : stack_.back().get();
}

void TSaxParser::StartElement(TSaxElement& element, bool& continue_parse) {
  if (on_start_element_) on_start_element_(element, continue_parse);
}

void TSaxParser::EndElement(TSaxElement& element, bool& continue_parse) {
  if (on_end_element_) on_end_element_(element, continue_parse);
}

void TSaxParser::Run(const std::string& source_name,
                     const std::function<size_t(char* buffer, size_t size)>& read_block) {
  continue_ = initial_continue_;
  stop_reason_.clear();
  stopping_ = false;
  failure_ = nullptr;

  ExpatParser parser(XML_ParserCreate(nullptr));
  if (!parser) throw Exception(Format(kParseFailed, source_name.c_str(), "out of memory"));
  XML_Parser p = parser.get();
  XML_SetUserData(p, this);
  XML_SetElementHandler(p, &Reader::Start, &Reader::End);
  XML_SetCharacterDataHandler(p, &Reader::Characters);
  XML_SetUnknownEncodingHandler(p, &SingleByteEncoding, nullptr);
  // No external DTD or parameter entity is read, and with no external-entity handler no
  // external general entity is fetched either.
  XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);

  struct Attach {
    TSaxParser& self;
    Attach(TSaxParser& s, XML_Parser parser) : self(s) { self.expat_ = parser; }
    ~Attach() { self.expat_ = nullptr; }
  } attach(*this, p);

  for (;;) {
    void* buffer = XML_GetBuffer(p, static_cast<int>(kReadBlockBytes));
    if (buffer == nullptr) break;
    const size_t n = read_block(static_cast<char*>(buffer), kReadBlockBytes);
    const bool last = n == 0;
    if (XML_ParseBuffer(p, static_cast<int>(n), last) != XML_STATUS_OK || stopping_) break;
    if (last) return;
  }

  if (failure_) std::rethrow_exception(failure_);
  if (!stop_reason_.empty()) throw Exception(stop_reason_);
  throw Exception(Format(kParseFailed, source_name.c_str(), ReaderError(p).c_str()));
}

void TSaxParser::ClearStack() {
  // Innermost first: a child never outlives the parent it points to.
  while (!stack_.empty()) stack_.pop_back();
  open_tags_.clear();
}

void TSaxParser::Stop() {
  stopping_ = true;
  if (expat_) XML_StopParser(static_cast<XML_Parser>(expat_), XML_FALSE);
}

void TSaxParser::OnStartTag(const char* qualified_name, const char** attributes) {
  const std::string_view name = LocalName(qualified_name);
  if (IgnoreElement(name)) {
    open_tags_.push_back(false);
    return;
  }
  BeforeElement(name);
  if (!continue_) {
    open_tags_.push_back(false);
    return;
  }

  auto element = std::make_unique<TSaxElement>(std::string(name), CurrentElement());
  for (const char** a = attributes; a[0] != nullptr; a += 2) {
    if (!IsNamespaceDeclaration(a[0])) element->SetAttribute(LocalName(a[0]), a[1]);
  }
  stack_.push_back(std::move(element));
  open_tags_.push_back(true);

  continue_ = true;
  StartElement(*stack_.back(), continue_);
  if (!continue_) Stop();
}

void TSaxParser::OnEndTag() {
  if (open_tags_.empty()) return;
  const bool has_element = open_tags_.back();
  open_tags_.pop_back();
  if (!has_element || !continue_ || stack_.empty()) return;

  TSaxElement& element = *stack_.back();
  element.TrimText();
  continue_ = true;
  EndElement(element, continue_);
  stack_.pop_back();
  if (!continue_) Stop();
}

void TSaxParser::OnCharacters(std::string_view text) {
  // Text of an ignored element is dropped rather than given to its parent.
  if (!open_tags_.empty() && open_tags_.back() && !stack_.empty()) {
    stack_.back()->AppendText(text);
  }
}

}  // namespace kestro
