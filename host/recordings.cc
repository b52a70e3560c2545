#include "host/recordings.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "host/host_clock.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/format_settings.h"

namespace kestro::host {

namespace {

namespace fs = std::filesystem;

std::string TextTag(TMLItem& item, const char* tag) {
  const Variant value = item.TagBag().Get(tag);
  return value.IsEmptyOrNull() ? std::string() : value.ToString();
}

template <class T, class Convert>
T TagOr(TMLItem& item, const char* tag, T fallback, Convert convert) {
  const Variant value = item.TagBag().Get(tag);
  if (value.IsEmptyOrNull()) return fallback;
  try {
    return convert(value);
  } catch (const std::exception&) {
    return fallback;
  }
}

// The line the engine's file logger writes into "deleted.txt": its header, then the file name.
void NoteDeleted(const fs::path& file) {
  std::ofstream out(file.parent_path() / "deleted.txt", std::ios::binary | std::ios::app);
  out << FormatDateTime("dd-mmm-yyyy hh:nn:ss:zzz", NowLocal()) << " : 00.00.000 : ["
      << Format("%6d", static_cast<int>(::gettid())) << "] : " << file.filename().string()
      << "\r\n";
}

}  // namespace

std::vector<RecordingEntry> ListRecordings(TMediaLibrary& library) {
  std::vector<RecordingEntry> entries;
  ComPtr<TMLSection> section = library.Section(kRecordingsSection, false);
  if (!section) return entries;
  for (ComPtr<TMLItem>& item : section->FindItems("", "")) {
    RecordingEntry e;
    std::string location;
    CheckHResult(item->get_Location(&location));
    e.file = location;
    e.title = TextTag(*item, "title");
    if (e.title.empty()) CheckHResult(item->get_Name(&e.title));
    e.subtitle = TextTag(*item, "subtitle");
    const std::string number = TextTag(*item, "channel-number");
    e.channel = Trim(number + " " + TextTag(*item, "channel"));
    e.start = TagOr<OleDate>(*item, "program-start-time", 0.0,
                             [](const Variant& v) { return v.ToDate(); });
    e.duration_seconds =
        TagOr<double>(*item, "duration", 0.0, [](const Variant& v) { return v.ToDouble(); });
    e.keep_until =
        TagOr<int32_t>(*item, "keep_until", 0, [](const Variant& v) { return v.ToInt32(); });
    e.watched = TagOr<bool>(*item, "watched", false, [](const Variant& v) { return v.ToBool(); });
    std::error_code ec;
    const uintmax_t size = fs::file_size(e.file, ec);
    e.size = ec ? -1 : static_cast<int64_t>(size);
    e.item = std::move(item);
    entries.push_back(std::move(e));
  }
  return entries;
}

std::optional<RecordingEntry> FindRecording(TMediaLibrary& library, int64_t id) {
  for (RecordingEntry& e : ListRecordings(library))
    if (e.item->ID() == id) return std::move(e);
  return std::nullopt;
}

std::string KeepUntilText(int32_t keep_until) {
  if (keep_until == 0) return "space needed";
  if (keep_until == -1) return "until deleted";
  return std::to_string(keep_until);
}

std::vector<std::string> DeleteRecording(TMediaLibrary& library, const RecordingEntry& recording) {
  library.CheckWritable();  // before the file goes, so that file and entry go together
  std::vector<std::string> deleted;
  const fs::path file(recording.file);
  std::error_code ec;
  if (!recording.file.empty() && fs::exists(file, ec)) {
    if (!fs::remove(file, ec) || ec)
      throw Exception("Failed to delete \"" + recording.file + "\" : " + ec.message());
    deleted.push_back(recording.file);
    NoteDeleted(file);
  }
  ComPtr<TMLSection> section = library.Section(kRecordingsSection, false);
  if (section) section->RemoveItem(recording.item.Get());
  if (recording.file.empty()) return deleted;
  const std::string prefix = file.stem().string() + ".";
  for (const fs::directory_entry& entry : fs::directory_iterator(file.parent_path(), ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory(ec) || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (fs::remove(entry.path(), ec)) deleted.push_back(entry.path().string());
  }
  return deleted;
}

}  // namespace kestro::host
