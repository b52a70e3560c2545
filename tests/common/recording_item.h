// A recording in the media library's recordings section as kestrod adds it: its file (`bytes`
// given) and its item with the tags the engine writes.
#pragma once

#include <string>

#include "common/temp_dir.h"
#include "host/media_library/ml_item.h"
#include "host/media_library/ml_library.h"
#include "kestro/interface_reads.h"
#include "platform/time/date_time.h"

namespace kestro::testing {

// Adds the item (its location `file`, which is written when `bytes` is not null) to the library
// in `library_file`; returns its id.
inline int64_t AddRecordingItem(const std::string& library_file, const std::string& title,
                                const std::string& file, const std::string* bytes) {
  if (bytes) WriteFile(file, *bytes);
  ComPtr<host::TMLSection> section =
      host::OpenMediaLibrary(library_file)->Section("KestroTVRecordings", true);
  ComPtr<IMLItem> item;
  CheckHResult(section->AddItem(title, title, item.ReleaseAndGetAddressOf()));
  CheckHResult(item->put_Location(file));
  ComPtr<IKestroItem> tags = GetObject(item.Get(), &IMLItem::get_Tags);
  const std::pair<const char*, Variant> values[] = {
      {"title", Variant(title)},
      {"channel", Variant("ABC")},
      {"channel-number", Variant(7)},
      {"duration", Variant(5400.0)},
      {"keep_until", Variant(-1)},
      {"watched", Variant(false)},
      {"program-start-time", Variant::Date(EncodeDateTime({2030, 5, 1, 20, 0, 0, 0}))}};
  for (const auto& [name, value] : values) CheckHResult(tags->put_Values(Variant(name), value));
  CheckHResult(item->Save());
  return static_cast<host::TMLItem*>(item.Get())->ID();
}

}  // namespace kestro::testing
