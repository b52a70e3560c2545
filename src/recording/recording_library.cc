#include "recording/recording_library.h"

#include "kestro/interface_reads.h"
#include "kestro/media_library.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "recording/disk_space.h"
#include "recording/item_values.h"
#include "recording/recording_tags.h"

namespace kestro {
namespace {

struct InitialView {
  const char* name;
  const char* group_tag;  // null: the items only
  bool dates;             // the group level shows days, sorted by date
  const char* filter;
};

constexpr InitialView kInitialViews[] = {
    {"New programs", nullptr, false, "{watched}=\"False\""},
    {"All programs", nullptr, false, nullptr},
    {"By date recorded", "day", true, nullptr},
    {"By folder", "folder", false, nullptr},
    {"By title", "sort title", false, nullptr},
    {"By genre", "genre", false, nullptr},
};

void CreateInitialViews(IKestroSystem& host, IMLSection& section) {
  for (const InitialView& v : kInitialViews) {
    std::string name;
    CheckHResult(host.LookupText(v.name, &name));
    ComPtr<IMLView> view;
    CheckHResult(section.AddView(name, view.ReleaseAndGetAddressOf()));
    if (!view) throw Exception("The media library made no view \"" + name + "\"");
    if (v.group_tag) {
      ComPtr<IMLLevel> group;
      CheckHResult(view->AddLevel(v.group_tag, group.ReleaseAndGetAddressOf()));
      if (v.dates) {
        CheckHResult(group->put_Flag(false));
        CheckHResult(group->put_Style("dates"));
        CheckHResult(group->put_SortTag("date"));
      } else {
        CheckHResult(group->put_Flag(true));
      }
    }
    ComPtr<IMLLevel> items;
    CheckHResult(view->AddLevel("", items.ReleaseAndGetAddressOf()));
    CheckHResult(items->put_Flag(false));
    CheckHResult(items->put_SortTag("date"));
    CheckHResult(items->put_Caption("Date"));
    CheckHResult(items->put_Style("tv"));
    if (v.filter) CheckHResult(view->put_Filter(v.filter));
  }
}

}  // namespace

void AddRecordingToLibrary(IKestroSystem& host, ILogger& log, TTVSchedule& schedule,
                           IKestroItem& notification, OleDate now) {
  log.Log("ADD : Adding recording to media library");
  ComPtr<IMLSection> section;
  try {
    CheckHResult(
        host.OpenMediaSection(kRecordingsSection, true, section.ReleaseAndGetAddressOf()));
    if (!section) throw Exception("Unable to open media library section");
  } catch (const std::exception& e) {
    log.LogFmt("BAD : Add recording : failed to add recording to media library : %s", e.what());
    return;
  }
  if (Get(section.Get(), &IMLSection::get_ItemCount) == 0) {
    log.Log("ADD : Creating initial views");
    CreateInitialViews(host, *section);
  }
  log.LogFmt("ADD : Add recording : %s", DescribeSchedule(schedule).c_str());
  const RecordingTags tags = BuildRecordingTags(schedule, &notification, "", now);
  ComPtr<IMLItem> item;
  CheckHResult(section->AddItem(tags.title, tags.title, item.ReleaseAndGetAddressOf()));
  if (!item) throw Exception("The media library made no item");
  const std::string file_name = TextValue(notification, "program-filename");
  CheckHResult(item->put_Location(file_name));
  CheckHResult(item->put_Key(AsciiLower(file_name)));
  ComPtr<IKestroItem> item_tags = GetObject(item.Get(), &IMLItem::get_Tags);
  if (!item_tags) throw Exception("The media library item has no tags");
  CheckHResult(item_tags->Assign(tags.tags.Get()));
  CheckHResult(item->Save());
  log.Log("ADDED : Add recording : finished");
}

}  // namespace kestro
