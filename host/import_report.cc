#include "host/import_report.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::host {

std::vector<std::string> ImportLogs(const std::string& library_dir, int32_t lineup_id) {
  namespace fs = std::filesystem;
  const std::string prefix = Format("listings.%d.", lineup_id);
  std::vector<std::string> logs;
  std::error_code ec;
  for (fs::directory_iterator it(library_dir + "tv/logs", ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - 4, 4, ".log") == 0 &&
        name.find('.', prefix.size()) == name.size() - 4)
      logs.push_back(it->path().string());
  }
  std::sort(logs.begin(), logs.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  return logs;
}

std::string NewImportLog(const std::vector<std::string>& before,
                         const std::vector<std::string>& after) {
  const std::set<std::string> old(before.begin(), before.end());
  for (auto it = after.rbegin(); it != after.rend(); ++it)
    if (!old.count(*it)) return *it;
  return "";
}

std::vector<std::string> ReadImportLog(const std::string& file_name) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) throw Exception("Failed to read the import log \"" + file_name + "\"");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> ImportReport(const std::string& log_file) {
  std::vector<std::string> report;
  for (const std::string& line : ReadImportLog(log_file)) {
    for (const char* marker :
         {"Channel stats : ", "Program stats : ", "Programs stored : ", "Left out : "}) {
      if (size_t at = line.find(marker); at != std::string::npos) report.push_back(line.substr(at));
    }
  }
  return report;
}

}  // namespace kestro::host
