// Media library sections (TMLSection) and their views (TMLView) and view levels (TMLLevel).
// Views and levels are written to the library as they are changed; items on their Save.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/media_library/ml_database.h"
#include "host/media_library/ml_item.h"
#include "kestro/com_object.h"
#include "kestro/media_library.h"

namespace kestro::host {

// A stored view as the host's browser reads it.
struct MLLevelInfo {
  std::string tag;  // empty: the item level
  bool flag = false;
  std::string sort_tag;
  std::string caption;
  std::string style;
};
struct MLViewInfo {
  std::string name;
  std::string filter;
  std::vector<MLLevelInfo> levels;
};

class TMLLevel : public DispatchObject<IMLLevel> {
 public:
  TMLLevel(MLDatabasePtr db, int64_t level_id);

  HRESULT put_Flag(bool value) override;
  HRESULT put_SortTag(const std::string& tag) override;
  HRESULT put_Caption(const std::string& caption) override;
  HRESULT put_Style(const std::string& style) override;

 private:
  void Update(const char* sql, const std::string& text);
  MLDatabasePtr db_;
  int64_t id_;
};

class TMLView : public DispatchObject<IMLView> {
 public:
  TMLView(MLDatabasePtr db, int64_t view_id);

  HRESULT AddLevel(const std::string& tag, IMLLevel** level) override;
  HRESULT get_Filter(std::string* filter) override;
  HRESULT put_Filter(const std::string& filter) override;

 private:
  MLDatabasePtr db_;
  int64_t id_;
};

class TMLSection : public DispatchObject<IMLSection> {
 public:
  TMLSection(MLDatabasePtr db, int64_t section_id, std::string name);

  HRESULT AddItem(const std::string& name, const std::string& sort_name, IMLItem** item) override;
  HRESULT FindItemsByTag(const std::string& tag, const std::string& value,
                         IMLItemList** items) override;
  HRESULT get_ItemCount(int32_t* count) override;
  HRESULT AddView(const std::string& name, IMLView** view) override;
  HRESULT DeleteItem(IMLItem* item) override;

  // Plain C++ access for the host's own code.
  const std::string& Name() const { return name_; }
  int64_t ID() const { return id_; }
  // Saved items whose tag reads `value` as text; every saved item for an empty tag.
  std::vector<ComPtr<TMLItem>> FindItems(const std::string& tag, const std::string& value);
  int32_t ItemCount();
  // A view of that name, emptied of its levels and filter when it exists already, so that
  // making the same views again gives the same views.
  ComPtr<TMLView> NewView(const std::string& name);
  // Throws EMediaLibraryError when the item is not a saved item of this section.
  void RemoveItem(IMLItem* item);
  // The section's views in the order they were first added.
  std::vector<MLViewInfo> Views();

 private:
  MLDatabasePtr db_;
  int64_t id_;
  std::string name_;
};

}  // namespace kestro::host
