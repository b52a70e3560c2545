// Media library items (TMLItem) and search results (TMLItemList).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/host_item.h"
#include "host/media_library/ml_database.h"
#include "kestro/com_object.h"
#include "kestro/media_library.h"

namespace kestro::host {

// An item of one section. Its fields and tags live in memory until Save writes them; a new item
// (ID 0) gets its row on its first Save.
class TMLItem : public DispatchObject<IMLItem> {
 public:
  TMLItem(MLDatabasePtr db, int64_t section_id, std::string name, std::string sort_name);
  ~TMLItem() override;
  // The saved item of that ID. Throws EMediaLibraryError when there is none.
  static ComPtr<TMLItem> Load(const MLDatabasePtr& db, int64_t item_id);

  HRESULT get_Location(std::string* location) override;
  HRESULT put_Location(const std::string& location) override;
  HRESULT put_Key(const std::string& key) override;
  HRESULT get_Tags(IKestroItem** tags) override;
  HRESULT get_Name(std::string* name) override;
  HRESULT Save() override;

  // Plain C++ access for the host's own code.
  void SaveItem();
  int64_t ID() const { return id_; }
  int64_t SectionID() const { return section_id_; }
  const std::string& Key() const { return key_; }
  const std::string& SortName() const { return sort_name_; }
  THostItem& TagBag() { return *tags_; }
  // After the row was deleted: the item is new again.
  void Forget() { id_ = 0; }

 private:
  IUnknown* Identity() { return static_cast<IMLItem*>(this); }
  MLDatabasePtr db_;
  int64_t section_id_;
  int64_t id_ = 0;
  std::string name_;
  std::string sort_name_;
  std::string location_;
  std::string key_;
  ComPtr<THostItem> tags_;
};

class TMLItemList : public DispatchObject<IMLItemList> {
 public:
  explicit TMLItemList(std::vector<ComPtr<TMLItem>> items);

  HRESULT get_Count(int32_t* count) override;
  HRESULT get_Item(int32_t index, IMLItem** item) override;

 private:
  std::vector<ComPtr<TMLItem>> items_;
};

}  // namespace kestro::host
