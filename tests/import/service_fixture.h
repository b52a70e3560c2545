// Answers of the listings service for tests: record lines and the ZIP archives holding them.
#pragma once

#include <zip.h>

#include <map>
#include <string>

#include "common/temp_dir.h"
#include "platform/exception.h"

namespace kestro::testing {

// One record: the fixed fields, and the details a test sets (every other detail empty).
struct ServiceLine {
  std::string channel = "C1";
  std::string number = "5";
  std::string name = "WKES";
  std::string program_id = "EP000001";
  std::string date = "20290310";
  std::string time = "1800";
  std::string duration = "0030";
  std::string title = "News";
  std::string episode;
  std::map<int, std::string> details;
  int detail_count = 176;

  std::string Text() const {
    std::string line = channel + "|" + number + "|" + name + "|" + program_id + "|" + date + "|" +
                       time + "|" + duration + "|" + title + "|" + episode + "|TV-G|NR|Series";
    for (int d = 0; d < detail_count; ++d) {
      auto it = details.find(d);
      line += "|" + (it == details.end() ? std::string() : it->second);
    }
    return line;
  }
};

// A ZIP archive of the entries (name, content), as bytes.
inline std::string ZipArchive(const std::map<std::string, std::string>& entries) {
  TempDir dir;
  const std::string path = dir / "answer.zip";
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) throw Exception("Failed to create " + path);
  for (const auto& [name, content] : entries) {
    zip_fileinfo info{};
    zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                          Z_DEFAULT_COMPRESSION, 1);
    zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size()));
    zipCloseFileInZip(zip);
  }
  zipClose(zip, nullptr);
  return ReadFile(path);
}

}  // namespace kestro::testing
