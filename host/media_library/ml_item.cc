#include "host/media_library/ml_item.h"

#include "kestro/host_type_library.h"
#include "platform/text/text.h"

namespace kestro::host {

TMLItem::TMLItem(MLDatabasePtr db, int64_t section_id, std::string name, std::string sort_name)
    : DispatchObject<IMLItem>(HostTypeLibrary()),
      db_(std::move(db)),
      section_id_(section_id),
      name_(std::move(name)),
      sort_name_(std::move(sort_name)),
      tags_(NewHostItem()) {
  db_->AttachItem(Identity(), this);
}

TMLItem::~TMLItem() { db_->DetachItem(Identity()); }

ComPtr<TMLItem> TMLItem::Load(const MLDatabasePtr& db, int64_t item_id) {
  std::lock_guard lock(db->Mutex());
  MLStatement row(*db,
                  "select section_id, name, sort_name, location, key from items where item_id = ?");
  row.Bind(1, item_id);
  if (!row.Step())
    throw EMediaLibraryError(Format("Media library item %lld does not exist",
                                    static_cast<long long>(item_id)));
  auto item = MakeObject<TMLItem>(db, row.Int(0), row.Text(1), row.Text(2));
  item->id_ = item_id;
  item->location_ = row.Text(3);
  item->key_ = row.Text(4);
  MLStatement tags(*db,
                   "select name, type, value from item_tags where item_id = ? order by position");
  tags.Bind(1, item_id);
  while (tags.Step())
    item->tags_->Set(tags.Text(0), tags.Value(2, static_cast<int>(tags.Int(1))));
  return item;
}

void TMLItem::SaveItem() {
  MLTransaction transaction(*db_);
  int64_t id = id_;  // a new item gets its ID only once the row is committed
  if (id == 0) {
    MLStatement insert(*db_,
                       "insert into items (section_id, name, sort_name, location, key) "
                       "values (?, ?, ?, ?, ?)");
    insert.Bind(1, section_id_).Bind(2, name_).Bind(3, sort_name_).Bind(4, location_).Bind(5, key_);
    insert.Run();
    id = db_->LastInsertRowId();
  } else {
    MLStatement update(*db_,
                       "update items set name = ?, sort_name = ?, location = ?, key = ? "
                       "where item_id = ?");
    update.Bind(1, name_).Bind(2, sort_name_).Bind(3, location_).Bind(4, key_).Bind(5, id_);
    update.Run();
    if (sqlite3_changes(db_->Handle()) == 0) {
      // Deleted meanwhile through another object: the item is saved as a new one.
      MLStatement insert(*db_,
                         "insert into items (item_id, section_id, name, sort_name, location, key) "
                         "values (?, ?, ?, ?, ?, ?)");
      insert.Bind(1, id_).Bind(2, section_id_).Bind(3, name_).Bind(4, sort_name_);
      insert.Bind(5, location_).Bind(6, key_).Run();
    }
    MLStatement clear(*db_, "delete from item_tags where item_id = ?");
    clear.Bind(1, id).Run();
  }
  MLStatement insert(*db_,
                     "insert into item_tags (item_id, position, name, type, value, match_text) "
                     "values (?, ?, ?, ?, ?, ?)");
  int64_t position = 0;
  for (const auto& [name, value] : tags_->Values()) {
    insert.Reset();
    insert.Bind(1, id).Bind(2, position++).Bind(3, name).Bind(4, int64_t{value.Type()});
    insert.BindValue(5, value).Bind(6, value.IsEmptyOrNull() ? std::string() : value.ToString());
    insert.Run();
  }
  transaction.Commit();
  id_ = id;
}

HRESULT TMLItem::get_Location(std::string* location) { return GetProperty(location, location_); }

HRESULT TMLItem::put_Location(const std::string& location) {
  return PutProperty(location_, location);
}

HRESULT TMLItem::put_Key(const std::string& key) { return PutProperty(key_, key); }

HRESULT TMLItem::get_Tags(IKestroItem** tags) { return GetProperty(tags, tags_); }

HRESULT TMLItem::get_Name(std::string* name) { return GetProperty(name, name_); }

HRESULT TMLItem::Save() {
  return Frame([&] { SaveItem(); });
}

TMLItemList::TMLItemList(std::vector<ComPtr<TMLItem>> items)
    : DispatchObject<IMLItemList>(HostTypeLibrary()), items_(std::move(items)) {}

HRESULT TMLItemList::get_Count(int32_t* count) {
  return GetProperty(count, [&] { return static_cast<int32_t>(items_.size()); });
}

HRESULT TMLItemList::get_Item(int32_t index, IMLItem** item) {
  return GetProperty(item, [&] {
    if (index < 0 || index >= static_cast<int32_t>(items_.size()))
      throw EMediaLibraryError(Format("List index out of bounds (%d)", index));
    return ComPtr<IMLItem>(items_[index].Get());
  });
}

}  // namespace kestro::host
