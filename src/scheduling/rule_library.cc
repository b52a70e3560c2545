#include "scheduling/rule_library.h"

#include <string>

#include "kestro/interface_reads.h"
#include "kestro/media_library.h"
#include "platform/com/class_loader.h"
#include "platform/system/registry_file.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "support/failure_report.h"

namespace kestro {
namespace {

// The recordings section, or null when the host has no media library or the library no such
// section. Other failures are thrown: counting on an unreadable library would record duplicates.
ComPtr<IMLSection> OpenRecordings() {
  ComPtr<IMediaLibrary> library;
  try {
    library = CreateClassInstance<IMediaLibrary>(RegistryFile::DefaultPath(),
                                                 GuidToString(CLSID_MediaLibrary));
  } catch (const EClassNotRegistered&) {
    return nullptr;
  }
  ComPtr<IMLSection> section;
  CheckHResult(library->OpenSection(kRecordingsSection, false, section.ReleaseAndGetAddressOf()));
  return section;
}

// Calls `each(tags)` for the items whose tag reads `value` ("" and "" for every item).
template <class F>
void ForEachRecording(IMLSection& section, const std::string& tag, const std::string& value,
                      F&& each) {
  ComPtr<IMLItemList> items;
  CheckHResult(section.FindItemsByTag(tag, value, items.ReleaseAndGetAddressOf()));
  for (const ComPtr<IMLItem>& item : ListItems(items.Get(), &IMLItemList::get_Item)) {
    ComPtr<IKestroItem> tags = GetObject(item.Get(), &IMLItem::get_Tags);
    if (tags) each(*tags);
  }
}

Variant TagValue(IKestroItem& tags, const char* name) {
  Variant value;
  CheckHResult(tags.GetValue(name, Variant(), &value));
  return value;
}

}  // namespace

RecordedKeys PreviouslyRecordedKeys(IDB& db, int32_t duplicates) {
  RecordedKeys keys;
  if (duplicates == TV_DUPLICATES_ALL) return keys;
  try {
    if (ComPtr<IMLSection> section = OpenRecordings()) {
      ForEachRecording(*section, "", "", [&](IKestroItem& tags) {
        std::string key = Trim(VarToStr(TagValue(tags, "equality-key")));
        if (!key.empty()) keys.insert(std::move(key));
      });
    }
  } catch (const std::exception& e) {
    throw Exception(std::string("Failed to read the recordings of the media library : ") +
                    e.what());
  }
  if (duplicates == TV_DUPLICATES_NONE) {
    TablePtr rows = db.Query("select equality_key from recorded_programs");
    for (rows->First(); !rows->Eof(); rows->Next()) {
      std::string key = Trim(rows->Text(0));
      if (!key.empty()) keys.insert(std::move(key));
    }
  }
  return keys;
}

int32_t KeptRecordingsOfRule(int32_t rs_id) {
  if (rs_id < 1) return 0;
  int32_t count = 0;
  try {
    if (ComPtr<IMLSection> section = OpenRecordings()) {
      ForEachRecording(*section, "rs_id", std::to_string(rs_id), [&](IKestroItem& tags) {
        if (StrToIntDef(VarToStr(TagValue(tags, "keep_until")), 0) != 0) ++count;
      });
    }
  } catch (const std::exception& e) {
    throw Exception(std::string("Failed to count the kept recordings in the media library : ") +
                    e.what());
  }
  return count;
}

void LogRecordedProgram(IDB& db, ITVProgram* program) noexcept {
  if (!program) return;
  try {
    std::string key, title, subtitle;
    OleDate start = 0.0, end = 0.0;
    CheckHResult(program->get_EqualityKey(&key));
    key = Trim(key);
    if (key.empty()) return;
    CheckHResult(program->get_StartTime(&start));
    CheckHResult(program->get_EndTime(&end));
    CheckHResult(program->get_Title(&title));
    CheckHResult(program->get_Subtitle(&subtitle));
    db.ExecFmt(
        "insert into recorded_programs ( equality_key , start_time , end_time , title , "
        "subtitle ) values ( %s , %d , %d , %s , %s )",
        {SqlArg::Quoted(key), SqlArg::Int(DateTimeToDbTime(start)),
         SqlArg::Int(DateTimeToDbTime(end)), SqlArg::Quoted(title), SqlArg::Quoted(subtitle)});
  } catch (const EDatabaseError& e) {
    // A key logged before is already there: the log holds each key once.
    if (e.failure() != DbFailure::kConstraint) ReportFailure("Logging a recorded programme", e);
  } catch (const std::exception& e) {
    ReportFailure("Logging a recorded programme", e);
  }
}

bool HasBeenRecorded(IDB& db, ITVProgram* program) noexcept {
  if (!program) return false;
  try {
    std::string key;
    CheckHResult(program->get_EqualityKey(&key));
    return db.QueryIntFmt("select count(*) from recorded_programs where equality_key = %s",
                          {SqlArg::Quoted(key)}) > 0;
  } catch (const std::exception& e) {
    ReportFailure("Looking up a recorded programme", e);
    return false;
  }
}

}  // namespace kestro
