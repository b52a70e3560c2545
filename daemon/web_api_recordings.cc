// The API's recordings: the media library's recordings section as kestro recordings shows it,
// deleting one, and its file streamed with range requests so that a player can seek.
//
// A file is served only when it lies inside the recordings folder once every symbolic link is
// resolved: a library item whose location (or a link on the way to it) points elsewhere is
// refused, so a download never leaves that folder.
#include <fcntl.h>
#include <httplib.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <optional>

#include "daemon/web_api.h"
#include "host/input_error.h"
#include "host/recordings.h"
#include "platform/system/unique_fd.h"
#include "platform/text/text.h"

namespace kestro::daemon {

namespace {

namespace fs = std::filesystem;
using host::RecordingEntry;
using httplib::Request;
using httplib::Response;

constexpr size_t kChunk = 64 * 1024;

Json KeepJson(int32_t keep_until) {
  if (keep_until == 0) return "space-needed";
  if (keep_until == -1) return "until-deleted";
  return keep_until;
}

std::string ContentType(const std::string& file) {
  const std::string ext = AsciiLower(fs::path(file).extension().string());
  if (ext == ".ts" || ext == ".m2ts") return "video/mp2t";
  if (ext == ".mpg" || ext == ".mpeg") return "video/mpeg";
  if (ext == ".mp4" || ext == ".m4v") return "video/mp4";
  if (ext == ".mkv") return "video/x-matroska";
  if (ext == ".webm") return "video/webm";
  return "application/octet-stream";
}

Json RecordingJson(const RecordingEntry& e) {
  const int64_t id = e.item->ID();
  return {{"id", id},
          {"title", e.title},
          {"subtitle", e.subtitle},
          {"channel", e.channel},
          {"start", web::TimeJson(e.start)},
          {"duration", static_cast<int64_t>(e.duration_seconds + 0.5)},
          {"size", e.size < 0 ? Json(nullptr) : Json(e.size)},
          {"keep", KeepJson(e.keep_until)},
          {"watched", e.watched},
          {"file", fs::path(e.file).filename().string()},
          {"url", Format("/api/v1/recordings/%lld/file", static_cast<long long>(id))}};
}

// Whether `path` lies inside the folder `within` (both absolute and without links).
bool Inside(const fs::path& path, const fs::path& within) {
  const fs::path relative = path.lexically_relative(within);
  return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

class Recordings {
 public:
  explicit Recordings(std::string folder) : folder_(std::move(folder)) {}

  Json List(const Request&, Response&) const {
    Json list = Json::array();
    for (const RecordingEntry& e : host::ListRecordings(*Library()))
      list.push_back(RecordingJson(e));
    return list;
  }

  // Deletes the file (noted in "deleted.txt"), its companions and the entry. The entry's own
  // location must lie in the folder; a link there is removed, never what it points to.
  Json Delete(const Request& req, Response&) const {
    ComPtr<host::TMediaLibrary> library = Library();
    const RecordingEntry e = Find(*library, req);
    if (!e.file.empty()) {
      const fs::path location(e.file);
      std::error_code ec;
      const fs::path parent = fs::weakly_canonical(location.parent_path(), ec);
      if (ec || !Inside(parent / location.filename(), Folder())) throw Refused(e);
    }
    Json files = Json::array();
    for (const std::string& file : host::DeleteRecording(*library, e))
      files.push_back(fs::path(file).filename().string());
    return {{"deleted", e.item->ID()}, {"files", files}};
  }

  // The file, whole (200) or the byte range of the header "Range" (206 with Content-Range);
  // 416 for a range that starts beyond the end.
  Json File(const Request& req, Response& res) const {
    const RecordingEntry e = Find(*Library(), req);
    std::error_code ec;
    const fs::path file = fs::canonical(e.file, ec);
    if (ec) throw HttpError(404, "The file of recording " + req.matches[1].str() + " is missing");
    if (!Inside(file, Folder())) throw Refused(e);
    // Opened without following a link: the canonical path has none, unless one was put there
    // since.
    auto fd = std::make_shared<UniqueFd>(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat st {};
    if (!fd->valid() || ::fstat(fd->get(), &st) != 0 || !S_ISREG(st.st_mode))
      throw HttpError(403, "The file of recording " + req.matches[1].str() + " cannot be read");
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    uint64_t first = 0, last = size - 1;
    const std::string range = req.get_header_value("Range");
    res.set_header("Accept-Ranges", "bytes");
    if (!range.empty() && range.find(',') == std::string::npos) {  // several ranges: all of it
      if (!ParseRange(range, size, &first, &last)) {
        res.set_header("Content-Range",
                       Format("bytes */%llu", static_cast<unsigned long long>(size)));
        throw HttpError(416, "The range \"" + range + "\" is not within the file's " +
                                 std::to_string(size) + " bytes");
      }
      res.status = 206;
      res.set_header(
          "Content-Range",
          Format("bytes %llu-%llu/%llu", static_cast<unsigned long long>(first),
                 static_cast<unsigned long long>(last), static_cast<unsigned long long>(size)));
    }
    const uint64_t length = size == 0 ? 0 : last - first + 1;
    if (length == 0) {
      res.set_content("", ContentType(e.file));
      return nullptr;
    }
    auto read = [fd, first](size_t offset, size_t wanted, httplib::DataSink& sink) {
      char buffer[kChunk];
      const ssize_t n = ::pread(fd->get(), buffer, std::min(wanted, kChunk),
                                static_cast<off_t>(first + offset));
      return n > 0 && sink.write(buffer, static_cast<size_t>(n));
    };
    res.set_content_provider(length, ContentType(e.file), read);
    return nullptr;
  }

 private:
  static ComPtr<host::TMediaLibrary> Library() {
    return host::OpenMediaLibrary(host::DefaultMediaLibraryPath());
  }

  // The recordings folder without links; 500 when it is missing.
  fs::path Folder() const {
    std::error_code ec;
    fs::path folder = fs::canonical(folder_, ec);
    if (ec) throw Exception("The recordings folder \"" + folder_ + "\" is missing");
    return folder;
  }

  static RecordingEntry Find(host::TMediaLibrary& library, const Request& req) {
    const int32_t id = web::PathId(req, 1);
    std::optional<RecordingEntry> e = host::FindRecording(library, id);
    if (!e) throw HttpError(404, Format("No recording with id %d", id));
    return std::move(*e);
  }

  HttpError Refused(const RecordingEntry& e) const {
    return HttpError(403, Format("Recording %lld lies outside the recordings folder \"%s\"",
                                 static_cast<long long>(e.item->ID()), folder_.c_str()));
  }

  // "bytes=FIRST-", "bytes=FIRST-LAST" or "bytes=-SUFFIX" within a file of `size` bytes; LAST
  // beyond the end means the end.
  static bool ParseRange(const std::string& header, uint64_t size, uint64_t* first,
                         uint64_t* last) {
    if (header.rfind("bytes=", 0) != 0) return false;
    const std::string range = Trim(header.substr(6));
    const size_t dash = range.find('-');
    if (dash == std::string::npos) return false;
    const std::string a = Trim(range.substr(0, dash)), b = Trim(range.substr(dash + 1));
    int64_t from = 0, to = 0;
    if (a.empty()) {  // the last `b` bytes
      if (!TryStrToInt64(b, &to) || to <= 0 || size == 0) return false;
      *first = size - std::min<uint64_t>(size, static_cast<uint64_t>(to));
      *last = size - 1;
      return true;
    }
    if (!TryStrToInt64(a, &from) || from < 0 || static_cast<uint64_t>(from) >= size) return false;
    if (!b.empty() && (!TryStrToInt64(b, &to) || to < from)) return false;
    *first = static_cast<uint64_t>(from);
    *last = b.empty() ? size - 1 : std::min<uint64_t>(static_cast<uint64_t>(to), size - 1);
    return true;
  }

  const std::string folder_;
};

}  // namespace

void AddRecordingCalls(const AddCall& add, const std::string& recordings_dir) {
  auto recordings = std::make_shared<const Recordings>(recordings_dir);
  auto call = [recordings](Json (Recordings::*method)(const Request&, Response&) const) {
    return [recordings, method](const Request& req, Response& res, host::ModuleSession&) {
      return (*recordings.*method)(req, res);
    };
  };
  add("GET", "/recordings", call(&Recordings::List));
  add("DELETE", R"(/recordings/([^/]+))", call(&Recordings::Delete));
  add("GET", R"(/recordings/([^/]+)/file)", call(&Recordings::File));
}

}  // namespace kestro::daemon
