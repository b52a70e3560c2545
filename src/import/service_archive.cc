#include "import/service_archive.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro {
namespace {

struct ZipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};

// Answers at least this long are taken for archives, never for the service's error text.
constexpr size_t kLongestErrorAnswer = 1024 * 1024;

bool IsTextName(const std::string& name) {
  return name.size() >= 4 && SameText(std::string_view(name).substr(name.size() - 4), ".txt");
}

}  // namespace

int32_t ExtractListingsText(const std::string& archive, const std::string& target) {
  std::unique_ptr<void, ZipCloser> zip(unzOpen64(archive.c_str()));
  if (!zip) throw Exception("\"" + archive + "\" is not a ZIP archive");
  int status = unzGoToFirstFile(zip.get());
  std::string name;
  for (; status == UNZ_OK; status = unzGoToNextFile(zip.get())) {
    unz_file_info64 info{};
    char buffer[1024] = {};
    status = unzGetCurrentFileInfo64(zip.get(), &info, buffer, sizeof buffer - 1, nullptr, 0,
                                     nullptr, 0);
    if (status != UNZ_OK) break;
    if (IsTextName(buffer)) {
      name = buffer;
      break;
    }
  }
  if (name.empty()) {
    if (status == UNZ_OK || status == UNZ_END_OF_LIST_OF_FILE)
      throw Exception("Text file not found inside listings archive");
    throw Exception(Format("Failed to read the contents of the archive (error %d)", status));
  }

  if (unzOpenCurrentFile(zip.get()) != UNZ_OK)
    throw Exception("Failed to open \"" + name + "\" inside the archive");
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out) throw Exception("Failed to open \"" + target + "\" : " + std::strerror(errno));
  std::vector<char> buffer(1 << 16);
  int read = 0;
  int32_t lines = 0;
  char last = '\n';
  while ((read = unzReadCurrentFile(zip.get(), buffer.data(), 1 << 16)) > 0) {
    lines += static_cast<int32_t>(std::count(buffer.data(), buffer.data() + read, '\n'));
    last = buffer[read - 1];
    out.write(buffer.data(), read);
    if (!out) throw Exception("Failed to write \"" + target + "\" : " + std::strerror(errno));
  }
  // A damaged entry shows as a read error or, at its end, as a wrong checksum.
  const int closed = unzCloseCurrentFile(zip.get());
  if (read < 0 || closed != UNZ_OK)
    throw Exception(Format("\"%s\" inside the archive is damaged (error %d)", name.c_str(),
                           read < 0 ? read : closed));
  out.close();
  if (!out) throw Exception("Failed to write \"" + target + "\" : " + std::strerror(errno));
  return last == '\n' ? lines : lines + 1;
}

std::string UnreadableAnswerMessage(const std::string& archive, const std::string& unpack_error) {
  std::ifstream in(archive, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
  if (size < 0 || static_cast<size_t>(size) >= kLongestErrorAnswer)
    return "There was a problem unpacking the downloaded listings : " + unpack_error;
  in.seekg(0);
  const std::string text = Trim(std::string(std::istreambuf_iterator<char>(in), {}));
  if (text.size() >= 8 && StartsWithText(text, "ERROR") &&
      SameText(std::string_view(text).substr(text.size() - 3), "END")) {
    return "An error ocurred while retrieving listings : " +
           Trim(std::string_view(text).substr(5, text.size() - 8));
  }
  return "An unexpected error ocurred while retrieving listings : " + text.substr(0, 100);
}

}  // namespace kestro
