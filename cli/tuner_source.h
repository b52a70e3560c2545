// The stream source of the tuner groups in the tuner configuration document, as kestro setup
// sets it and kestro info shows it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/args.h"

namespace kestro::cli {

struct TunerSource {
  std::string backend;  // "test" or "http"
  std::string url_template;
  std::string m3u;
  std::string host;
};

// The source the options --tuner-source, --url-template, --m3u and --tuner-host give, or none
// when --tuner-source is absent. UsageError for a combination that cannot work.
std::optional<TunerSource> ParseTunerSource(const ArgParser& args);

// Sets every group of the document to `source`, keeping its tuners. Throws Exception naming the
// file when it cannot be read or written.
void ApplyTunerSource(const std::string& file_name, const TunerSource& source);

// One line per group: its lineup, tuner count and source.
std::vector<std::string> DescribeTunerSources(const std::string& file_name);

}  // namespace kestro::cli
