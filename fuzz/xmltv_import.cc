// The XMLTV import end to end: the input is a grabber's file, imported into the shared guide
// (which has a recording to relocate) with the relocation and the integrity checks, all in the
// run's transaction, which is then discarded so that every input meets the same guide.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_guide.h"
#include "import/finalize_import.h"
#include "import/import_system.h"
#include "import/listings_import.h"
#include "import/xmltv_import.h"
#include "support/dictionary.h"
#include "support/logger.h"

using namespace kestro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzGuide& guide = fuzzing::SharedGuide();
  static std::vector<std::string> lines;
  static ComPtr<TTVListingsImportSystem> run = MakeObject<TTVListingsImportSystem>(
      guide.listings_file, 1, guide.env, std::make_shared<TStringsLogger>(guide.env, lines),
      MakeObject<TNoProgress>(), guide.dir / "temp/");
  static ComPtr<TDictionary> settings = NewDictionary();
  const std::string file = guide.dir / "input.xml";
  testing::WriteFile(file, std::string(reinterpret_cast<const char*>(data), size));

  lines.clear();
  run->BeginSaving();
  std::string error;
  if (ImportXMLTVFile(run.Get(), settings.Get(), file, &error)) {
    RelocateRecordings(*run);
    RunIntegrityChecks(*run->DB(), *run->Logger());
  }
  run->DiscardSaving();
  TTVProgramList& relocations = run->RelocationList();
  while (relocations.Count() > 0) relocations.RemoveAt(0);
  return 0;
}
