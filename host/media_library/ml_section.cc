#include "host/media_library/ml_section.h"

#include "kestro/host_type_library.h"
#include "platform/text/text.h"

namespace kestro::host {

TMLLevel::TMLLevel(MLDatabasePtr db, int64_t level_id)
    : DispatchObject<IMLLevel>(HostTypeLibrary()), db_(std::move(db)), id_(level_id) {}

void TMLLevel::Update(const char* sql, const std::string& text) {
  std::lock_guard lock(db_->Mutex());
  MLStatement(*db_, sql).Bind(1, text).Bind(2, id_).Run();
}

HRESULT TMLLevel::put_Flag(bool value) {
  return PutProperty([&] {
    std::lock_guard lock(db_->Mutex());
    MLStatement(*db_, "update levels set flag = ? where level_id = ?")
        .Bind(1, int64_t{value ? 1 : 0})
        .Bind(2, id_)
        .Run();
  });
}

HRESULT TMLLevel::put_SortTag(const std::string& tag) {
  return PutProperty([&] { Update("update levels set sort_tag = ? where level_id = ?", tag); });
}

HRESULT TMLLevel::put_Caption(const std::string& caption) {
  return PutProperty([&] { Update("update levels set caption = ? where level_id = ?", caption); });
}

HRESULT TMLLevel::put_Style(const std::string& style) {
  return PutProperty([&] { Update("update levels set style = ? where level_id = ?", style); });
}

TMLView::TMLView(MLDatabasePtr db, int64_t view_id)
    : DispatchObject<IMLView>(HostTypeLibrary()), db_(std::move(db)), id_(view_id) {}

HRESULT TMLView::AddLevel(const std::string& tag, IMLLevel** level) {
  return FrameOut(level, [&] {
    std::lock_guard lock(db_->Mutex());
    MLStatement(*db_, "insert into levels (view_id, tag) values (?, ?)")
        .Bind(1, id_)
        .Bind(2, tag)
        .Run();
    return MakeObject<TMLLevel>(db_, db_->LastInsertRowId());
  });
}

HRESULT TMLView::get_Filter(std::string* filter) {
  return GetProperty(filter, [&] {
    std::lock_guard lock(db_->Mutex());
    MLStatement row(*db_, "select filter from views where view_id = ?");
    row.Bind(1, id_);
    return row.Step() ? row.Text(0) : std::string();
  });
}

HRESULT TMLView::put_Filter(const std::string& filter) {
  return PutProperty([&] {
    std::lock_guard lock(db_->Mutex());
    MLStatement(*db_, "update views set filter = ? where view_id = ?")
        .Bind(1, filter)
        .Bind(2, id_)
        .Run();
  });
}

TMLSection::TMLSection(MLDatabasePtr db, int64_t section_id, std::string name)
    : DispatchObject<IMLSection>(HostTypeLibrary()),
      db_(std::move(db)),
      id_(section_id),
      name_(std::move(name)) {}

std::vector<ComPtr<TMLItem>> TMLSection::FindItems(const std::string& tag,
                                                   const std::string& value) {
  std::lock_guard lock(db_->Mutex());
  std::vector<int64_t> ids;
  if (tag.empty()) {
    MLStatement rows(*db_, "select item_id from items where section_id = ? order by item_id");
    rows.Bind(1, id_);
    while (rows.Step()) ids.push_back(rows.Int(0));
  } else {
    MLStatement rows(*db_,
                     "select item_id from items where section_id = ? and item_id in "
                     "(select item_id from item_tags where name = ? and match_text = ?) "
                     "order by item_id");
    rows.Bind(1, id_).Bind(2, tag).Bind(3, value);
    while (rows.Step()) ids.push_back(rows.Int(0));
  }
  std::vector<ComPtr<TMLItem>> items;
  items.reserve(ids.size());
  for (int64_t id : ids) items.push_back(TMLItem::Load(db_, id));
  return items;
}

int32_t TMLSection::ItemCount() {
  std::lock_guard lock(db_->Mutex());
  MLStatement row(*db_, "select count(*) from items where section_id = ?");
  row.Bind(1, id_);
  return row.Step() ? static_cast<int32_t>(row.Int(0)) : 0;
}

ComPtr<TMLView> TMLSection::NewView(const std::string& name) {
  MLTransaction transaction(*db_);
  MLStatement find(*db_, "select view_id from views where section_id = ? and name = ?");
  find.Bind(1, id_).Bind(2, name);
  int64_t view_id = 0;
  if (find.Step()) {
    view_id = find.Int(0);
    MLStatement(*db_, "delete from levels where view_id = ?").Bind(1, view_id).Run();
    MLStatement(*db_, "update views set filter = '' where view_id = ?").Bind(1, view_id).Run();
  } else {
    MLStatement(*db_, "insert into views (section_id, name) values (?, ?)")
        .Bind(1, id_)
        .Bind(2, name)
        .Run();
    view_id = db_->LastInsertRowId();
  }
  transaction.Commit();
  return MakeObject<TMLView>(db_, view_id);
}

void TMLSection::RemoveItem(IMLItem* item) {
  if (!item) throw EMediaLibraryError("No media library item to delete");
  ComPtr<IUnknown> identity;
  item->QueryInterface(IUnknown::kIID,
                       reinterpret_cast<void**>(identity.ReleaseAndGetAddressOf()));
  TMLItem* own = db_->FindItem(identity.Get());
  if (!own || own->ID() == 0 || own->SectionID() != id_)
    throw EMediaLibraryError(
        Format("The item is not in the media library section \"%s\"", name_.c_str()));
  std::lock_guard lock(db_->Mutex());
  MLStatement(*db_, "delete from items where item_id = ?").Bind(1, own->ID()).Run();
  own->Forget();
}

std::vector<MLViewInfo> TMLSection::Views() {
  std::lock_guard lock(db_->Mutex());
  std::vector<MLViewInfo> views;
  std::vector<int64_t> ids;
  MLStatement rows(*db_,
                   "select view_id, name, filter from views where section_id = ? order by view_id");
  rows.Bind(1, id_);
  while (rows.Step()) {
    ids.push_back(rows.Int(0));
    views.push_back({rows.Text(1), rows.Text(2), {}});
  }
  for (size_t i = 0; i < ids.size(); ++i) {
    MLStatement levels(*db_,
                       "select tag, flag, sort_tag, caption, style from levels where view_id = ? "
                       "order by level_id");
    levels.Bind(1, ids[i]);
    while (levels.Step())
      views[i].levels.push_back(
          {levels.Text(0), levels.Int(1) != 0, levels.Text(2), levels.Text(3), levels.Text(4)});
  }
  return views;
}

HRESULT TMLSection::AddItem(const std::string& name, const std::string& sort_name,
                            IMLItem** item) {
  return FrameOut(item, [&] { return MakeObject<TMLItem>(db_, id_, name, sort_name); });
}

HRESULT TMLSection::FindItemsByTag(const std::string& tag, const std::string& value,
                                   IMLItemList** items) {
  return FrameOut(items, [&] { return MakeObject<TMLItemList>(FindItems(tag, value)); });
}

HRESULT TMLSection::get_ItemCount(int32_t* count) {
  return GetProperty(count, [&] { return ItemCount(); });
}

HRESULT TMLSection::AddView(const std::string& name, IMLView** view) {
  return FrameOut(view, [&] { return NewView(name); });
}

HRESULT TMLSection::DeleteItem(IMLItem* item) {
  return Frame([&] { RemoveItem(item); });
}

}  // namespace kestro::host
