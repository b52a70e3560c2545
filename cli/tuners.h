// The tuner configuration document as the tool writes and shows it: one group per lineup, each
// naming the lineup its tuners serve (the tuner side reads it, host/tuners/tuner_list.h).
#pragma once

#include <string>

namespace kestro::cli {

inline constexpr const char* kTunerConfigurationFile = "tuner-configuration.xml";

// A new document with one group of `tuners` tuners of the test back end for lineup `lineup_id`.
std::string NewTunerConfiguration(int lineup_id, int tuners);
// One line per group: "lineup 1: 2 tuners (test)". Throws Exception naming the file when it
// cannot be read.
std::string DescribeTunerGroups(const std::string& file_name);

}  // namespace kestro::cli
