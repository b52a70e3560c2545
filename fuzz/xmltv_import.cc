// The XMLTV import end to end: the input is a grabber's file, imported into the shared guide
// (which has a recording to relocate) with the relocation and the integrity checks, all in the
// run's transaction, which is then discarded so that every input meets the same guide.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_guide.h"
#include "import/finalize_import.h"
#include "import/xmltv_import.h"
#include "support/dictionary.h"

using namespace kestro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzGuide& guide = fuzzing::SharedGuide();
  static ComPtr<TDictionary> settings = NewDictionary();
  const std::string file = guide.dir / "input.xml";
  testing::WriteFile(file, std::string(reinterpret_cast<const char*>(data), size));

  TTVListingsImportSystem& run = guide.BeginRun();
  std::string error;
  if (ImportXMLTVFile(&run, settings.Get(), file, &error)) {
    RelocateRecordings(run);
    RunIntegrityChecks(*run.DB(), *run.Logger());
  }
  guide.DiscardRun();
  return 0;
}
