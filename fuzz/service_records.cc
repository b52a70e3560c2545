// The listings service's record lines: the input is a text file of the service, each line turned
// from code page 437 into UTF-8, split into a record and saved as a programme of the shared guide
// (channel "c2" is there), in a run that is then discarded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_guide.h"
#include "import/service_records.h"
#include "kestro/dispatch.h"
#include "platform/exception.h"

using namespace kestro;

namespace {

// Whether `text` is well-formed UTF-8 (shortest forms, no surrogates, up to U+10FFFF).
bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2
                          : lead >= 0xE0 && lead < 0xF0               ? 3
                          : lead >= 0xF0 && lead < 0xF5               ? 4
                                                                      : 0;
    if (length == 0 || i + length > text.size()) return false;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
      return false;
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzGuide& guide = fuzzing::SharedGuide();
  TTVListingsImportSystem& run = guide.BeginRun();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (int32_t number = 1; !input.empty(); ++number) {
    const size_t end = input.find('\n');
    std::string_view line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    std::string text = Cp437ToUtf8(line);
    if (!IsUtf8(text)) std::abort();
    try {
      const ServiceRecord record(std::move(text), number);
      ComPtr<ITVNewProgram> program;
      CheckHResult(run.NewProgram(program.ReleaseAndGetAddressOf()));
      record.FillProgram(*program);
      TV_PROGRAM_SAVE_RESULT result = TV_PROGRAM_SAVE_FAILED;
      program->Save(&result);  // a programme the guide refuses is the input's fault
    } catch (const Exception&) {
      // A record refused with its line number: what the import reports.
    }
  }
  guide.DiscardRun();
  return 0;
}
