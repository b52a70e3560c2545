#include "recording/disk_space.h"

#include <algorithm>
#include <cmath>

#include "kestro/interface_reads.h"
#include "kestro/tv_schedules.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "support/file_logger.h"

namespace kestro {
namespace {

constexpr const char* kReservationTimeFormat = "mm-dd-yyyy hh:nn";

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name without its last extension: "News.ts" -> "News".
std::string BaseNameOf(const std::string& path) {
  std::string name = NameOf(path);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

Variant TagValue(IMLItem& item, const char* tag) {
  ComPtr<IKestroItem> tags = GetObject(&item, &IMLItem::get_Tags);
  Variant value;
  if (tags) CheckHResult(tags->GetValue(tag, Variant(), &value));
  return value;
}

}  // namespace

int64_t EstimatedRecordingSize(int32_t minutes, int32_t bitrate) {
  return static_cast<int64_t>(std::trunc(minutes * (bitrate / 1000.0) / 120.0 * kBytesPerGB));
}

std::string GBText(int64_t bytes) {
  const std::string plain = Format("%.2f", static_cast<double>(bytes) / kBytesPerGB);
  const size_t point = plain.find('.');
  const size_t digits_from = plain[0] == '-' ? 1 : 0;
  std::string grouped = plain.substr(point);
  for (size_t i = point, n = 0; i > digits_from; --i, ++n) {
    if (n > 0 && n % 3 == 0) grouped.insert(grouped.begin(), ',');
    grouped.insert(grouped.begin(), plain[i - 1]);
  }
  return digits_from ? "-" + grouped : grouped;
}

TDiskSpace::TDiskSpace(DiskSpaceSetup setup)
    : setup_(std::move(setup)),
      log_(*setup_.logger),
      env_(*setup_.env),
      reservations_(*setup_.reservations) {}

// --- reservations ----------------------------------------------------------------------------

int64_t TDiskSpace::ReservedSpace(const std::string& folder) {
  int64_t total = 0;
  const OleDate now = env_.NowLocal();
  const int64_t now_ms = OleDateToMillis(now);
  for (TReservation& r : reservations_) {
    if (r.size == 0) continue;
    const int64_t end_ms = OleDateToMillis(r.end_time);
    if (now_ms >= end_ms) {
      r.size = 0;
      continue;
    }
    if (!OnDrive(r.file_name, folder)) continue;
    const int64_t length_ms = end_ms - OleDateToMillis(r.start_time);
    int64_t left = 0;
    if (length_ms > 0) {
      const double share = static_cast<double>(end_ms - now_ms) / static_cast<double>(length_ms);
      left = static_cast<int64_t>(std::trunc(share * static_cast<double>(r.size)));
    }
    left = std::clamp<int64_t>(left, 0, r.size);
    total += left;
    log_.LogFmt("RESERVED : total = %s GB : left = %s GB : %s - %s : %s", GBText(r.size).c_str(),
                GBText(left).c_str(), FormatDateTime(kReservationTimeFormat, r.start_time).c_str(),
                FormatDateTime(kReservationTimeFormat, r.end_time).c_str(), r.file_name.c_str());
  }
  if (std::all_of(reservations_.begin(), reservations_.end(),
                  [](const TReservation& r) { return r.size == 0; }))
    reservations_.clear();
  return total;
}

void TDiskSpace::AddReservation(int64_t size, OleDate start, OleDate end,
                                const std::string& file_name, int32_t schedule_id) {
  reservations_.push_back(TReservation{size, start, end, file_name, schedule_id});
}

void TDiskSpace::ReleaseReservation(int32_t schedule_id) {
  for (TReservation& r : reservations_)
    if (r.schedule_id == schedule_id) r.size = 0;
}

// --- making room -----------------------------------------------------------------------------

void TDiskSpace::MakeRoom(const std::string& folder, int32_t minutes, int32_t bitrate,
                          const std::string& file_name, int32_t schedule_id) {
  if (Trim(folder).empty() || minutes <= 0) return;
  const int64_t size = EstimatedRecordingSize(minutes, bitrate);
  int64_t free = 0;
  if (!FreeSpace(folder, &free)) return;
  const int64_t reserved = ReservedSpace(folder);
  const OleDate now = env_.NowLocal();
  AddReservation(size, now, now + minutes * 60 * kOneSecond, file_name, schedule_id);
  const int64_t min_free = setup_.min_free_space_bytes;
  log_.LogFmt(
      "SPACE : recording size = %s GB : free space = %s GB : reserved space = %s GB : min free "
      "space = %s GB",
      GBText(size).c_str(), GBText(free).c_str(), GBText(reserved).c_str(),
      GBText(min_free).c_str());
  if (free - (size + reserved) > min_free) return;
  if (!setup_.make_space) {
    log_.Log(
        "SPACE : The schedule manager is not configured to automatically delete recordings to "
        "make room");
    return;
  }
  ComPtr<IMLSection> section = OpenRecordings();
  if (!section) {
    log_.Log("BAD : Failed to open the recordings media library section, cannot make room");
    return;
  }
  ComPtr<IMLItemList> found;
  CheckHResult(section->FindItemsByTag("keep_until", "0", found.ReleaseAndGetAddressOf()));
  if (!found) {
    log_.Log(
        "SPACE : Failed to find any existing recordings that are marked KEEP UNTIL SPACE NEEDED, "
        "cannot make room");
    return;
  }
  const std::vector<ComPtr<IMLItem>> items = ListItems(found.Get(), &IMLItemList::get_Item);
  if (items.empty()) {
    log_.Log(
        "SPACE : Did not find any existing recordings that are marked KEEP UNTIL SPACE NEEDED, "
        "cannot make room");
    return;
  }
  std::vector<TDeleteCandidate> candidates = BuildDeleteCandidates(items, folder);
  if (candidates.empty()) {
    log_.Log("BAD : Could not find any existing recordings to delete");
    return;
  }
  while (!candidates.empty()) {
    const TDeleteCandidate candidate = std::move(candidates.back());
    candidates.pop_back();
    if (!env_.FileExists(candidate.file_name)) continue;
    log_.LogFmt("SPACE : Deleting \"%s\" recorded on %s to \"%s\"",
                Get(candidate.item.Get(), &IMLItem::get_Name).c_str(),
                DateTimeToStr(DbTimeToDateTime(candidate.record_time)).c_str(),
                candidate.file_name.c_str());
    DeleteRecording(candidate.file_name, *section, *candidate.item);
    if (!FreeSpace(folder, &free)) return;
    if (free - (size + reserved) > min_free) {
      log_.LogFmt(
          "SPACE : Made room : recording size = %s GB : free space = %s GB : reserved space = %s "
          "GB : min free space = %s GB",
          GBText(size).c_str(), GBText(free).c_str(), GBText(reserved).c_str(),
          GBText(min_free).c_str());
      return;
    }
  }
  log_.Log(
      "SPACE : Finished deleting old recordings and we still may not have enough space to record "
      "this one");
}

std::vector<TDeleteCandidate> TDiskSpace::BuildDeleteCandidates(
    const std::vector<ComPtr<IMLItem>>& items, const std::string& drive) {
  std::vector<TDeleteCandidate> candidates;
  for (const ComPtr<IMLItem>& item : items) {
    const std::string file_name = Get(item.Get(), &IMLItem::get_Location);
    if (!drive.empty() && !OnDrive(file_name, drive)) continue;
    int32_t record_time = StrToIntDef(VarToStr(TagValue(*item, "record-time")), 0);
    FileTimes times;
    if (record_time == 0 && !env_.GetFileTimes(file_name, &times))
      record_time = DateTimeToDbTime(UnixMillisToLocal(times.modified_unix_ms));
    if (record_time == 0) continue;
    candidates.push_back(TDeleteCandidate{record_time, file_name, item});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const TDeleteCandidate& a, const TDeleteCandidate& b) {
                     return DbTimeDiff(b.record_time, a.record_time) < 0;
                   });
  return candidates;
}

// --- keep at most ----------------------------------------------------------------------------

void TDiskSpace::KeepAtMost(TTVSchedule& schedule) {
  ComPtr<ITVRepeatingSchedule> rule;
  CheckHResult(schedule.GetRepeatingSchedule(nullptr, rule.ReleaseAndGetAddressOf()));
  if (!rule) return;
  const int32_t keep_at_most = Get(rule.Get(), &ITVRepeatingSchedule::get_KeepAtMost);
  if (keep_at_most < 1) return;
  ComPtr<IMLSection> section = OpenRecordings();
  if (!section) return;
  std::vector<ComPtr<IMLItem>> items;
  try {
    items = FindItems(*section, "rs_id",
                      std::to_string(Get(rule.Get(), &ITVRepeatingSchedule::get_ID)));
  } catch (const std::exception&) {
    return;
  }
  int32_t count = static_cast<int32_t>(items.size()) + 1;
  log_.LogFmt("KAM : recorded = %d : kam = %d", count, keep_at_most);
  if (keep_at_most >= count) return;
  std::vector<TDeleteCandidate> candidates = BuildDeleteCandidates(items, "");
  while (!candidates.empty() && keep_at_most < count) {
    const TDeleteCandidate candidate = std::move(candidates.back());
    candidates.pop_back();
    int32_t keep_until = -1;
    try {
      keep_until = StrToInt(VarToStr(TagValue(*candidate.item, "keep_until")));
    } catch (const std::exception&) {
      continue;
    }
    if (keep_until != TV_KEEP_UNTIL_SPACE_NEEDED) continue;
    log_.LogFmt("KAM : Deleting \"%s\"", candidate.file_name.c_str());
    DeleteRecording(candidate.file_name, *section, *candidate.item);
    --count;
    log_.LogFmt("KAM : recorded = %d : kam = %d", count, keep_at_most);
  }
}

// --- deleting --------------------------------------------------------------------------------

void TDiskSpace::DeleteRecording(const std::string& file_name, IMLSection& section, IMLItem& item) {
  const bool existed = env_.FileExists(file_name);
  if (existed && env_.RemoveFile(file_name)) {
    log_.Log("DELETE : Failed to delete file");
    return;
  }
  if (existed) {
    try {
      TBufferedFileLogger deleted(setup_.env, FolderOf(file_name) + "deleted.txt", 0, 0);
      deleted.Log(NameOf(file_name));
    } catch (const std::exception&) {
      // The note is a courtesy; the recording is gone either way.
    }
  }
  if (Succeeded(section.DeleteItem(&item))) {
    log_.Log("DELETE : Media library item deleted");
  } else {
    log_.Log("DELETE : Failed to delete from media library");
  }
  DeleteRecordingFiles(file_name);
}

void TDiskSpace::DeleteRecordingFiles(const std::string& file_name) {
  const std::string folder = FolderOf(file_name);
  const std::string base = BaseNameOf(file_name);
  std::vector<DirEntry> entries;
  if (env_.ListDirectory(folder, &entries)) return;
  for (const DirEntry& entry : entries) {
    if (entry.is_directory || entry.name.compare(0, base.size() + 1, base + ".") != 0) continue;
    const std::string path = folder + entry.name;
    log_.LogFmt("DELETE : Deleting \"%s\"", path.c_str());
    if (env_.RemoveFile(path)) return;
  }
}

// --- helpers ---------------------------------------------------------------------------------

bool TDiskSpace::FreeSpace(const std::string& folder, int64_t* bytes) {
  uint64_t free = 0;
  if (env_.FreeSpace(folder, &free)) {
    log_.LogFmt("BAD : Failed to get free space available on \"%s\"", folder.c_str());
    return false;
  }
  *bytes = static_cast<int64_t>(free);
  return true;
}

bool TDiskSpace::OnDrive(const std::string& path, const std::string& folder) {
  bool same = false;
  if (!env_.SameDevice(path, folder, &same)) return same;
  return !env_.SameDevice(FolderOf(path), folder, &same) && same;
}

ComPtr<IMLSection> TDiskSpace::OpenRecordings() {
  ComPtr<IMLSection> section;
  if (Failed(setup_.host->OpenMediaSection(kRecordingsSection, false,
                                           section.ReleaseAndGetAddressOf())))
    return nullptr;
  return section;
}

std::vector<ComPtr<IMLItem>> TDiskSpace::FindItems(IMLSection& section, const char* tag,
                                                   const std::string& value) {
  ComPtr<IMLItemList> found;
  CheckHResult(section.FindItemsByTag(tag, value, found.ReleaseAndGetAddressOf()));
  return ListItems(found.Get(), &IMLItemList::get_Item);
}

}  // namespace kestro
