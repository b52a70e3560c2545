// What the fuzz targets share: a module configured on folders of its own (one tuner), a manual
// clock at a fixed moment, and a guide with two channels and a few programmes, one recorded.
#pragma once

#include <memory>
#include <string>

#include "common/fake_env.h"
#include "common/temp_dir.h"
#include "listings/listings_object.h"

namespace kestro::fuzzing {

struct FuzzGuide {
  // Saturday 1 January 2005, 00:00 local time: the programmes of the seeds lie after it.
  static OleDate Now();

  FuzzGuide();

  testing::TempDir dir;
  std::string listings_file = dir / "library/tv/listings.1.dat";
  std::shared_ptr<testing::FakeEnv> env = std::make_shared<testing::FakeEnv>(Now());
};

// The one guide of the process, made at its first use.
FuzzGuide& SharedGuide();

}  // namespace kestro::fuzzing
