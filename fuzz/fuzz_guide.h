// What the fuzz targets share: a module configured on folders of its own (one tuner), a manual
// clock at a fixed moment, and a guide with two channels and a few programmes, one recorded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/fake_env.h"
#include "common/temp_dir.h"
#include "import/import_system.h"
#include "listings/listings_object.h"

namespace kestro::fuzzing {

struct FuzzGuide {
  // Saturday 1 January 2005, 00:00 local time: the programmes of the seeds lie after it.
  static OleDate Now();

  FuzzGuide();

  // The import run of the process into this guide (made at its first use), its saving begun.
  TTVListingsImportSystem& BeginRun();
  // Undoes what the run saved and forgets its relocations, so that each input meets the same
  // guide.
  void DiscardRun();

  testing::TempDir dir;
  std::string listings_file = dir / "library/tv/listings.1.dat";
  std::shared_ptr<testing::FakeEnv> env = std::make_shared<testing::FakeEnv>(Now());
  std::vector<std::string> log_lines;  // the run's log, cleared at each BeginRun

 private:
  ComPtr<TTVListingsImportSystem> run_;
};

// The one guide of the process, made at its first use.
FuzzGuide& SharedGuide();

}  // namespace kestro::fuzzing
