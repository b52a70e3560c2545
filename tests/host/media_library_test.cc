// The reference host's media library: sections, items and their tags, searches by tag, views.
#include <gtest/gtest.h>

#include "common/temp_dir.h"
#include "host/media_library/ml_library.h"
#include "kestro/interface_reads.h"

namespace kestro {
namespace {

using host::MLViewInfo;
using host::OpenMediaLibrary;
using host::TMediaLibrary;

ComPtr<IMLSection> Open(IMediaLibrary* library, const std::string& name, bool create) {
  ComPtr<IMLSection> section;
  EXPECT_EQ(library->OpenSection(name, create, section.ReleaseAndGetAddressOf()), S_OK);
  return section;
}

// Adds and saves a recording the way the recording hand-over does.
ComPtr<IMLItem> AddRecording(IMLSection* section, const std::string& title,
                             const std::string& file, int32_t rs_id, int32_t keep_until) {
  ComPtr<IMLItem> item;
  EXPECT_EQ(section->AddItem(title, title, item.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(item->put_Location(file), S_OK);
  EXPECT_EQ(item->put_Key(file), S_OK);
  ComPtr<IKestroItem> tags = GetObject(item.Get(), &IMLItem::get_Tags);
  tags->put_Values(Variant("title"), Variant(title));
  tags->put_Values(Variant("rs_id"), Variant(rs_id));
  tags->put_Values(Variant("keep_until"), Variant(keep_until));
  tags->put_Values(Variant("watched"), Variant(false));
  tags->put_Values(Variant("date"), Variant::Date(38780.75));
  tags->put_Values(Variant("duration"), Variant(1.5));
  EXPECT_EQ(item->Save(), S_OK);
  return item;
}

std::vector<std::string> Locations(IMLSection* section, const std::string& tag,
                                   const std::string& value) {
  ComPtr<IMLItemList> list;
  EXPECT_EQ(section->FindItemsByTag(tag, value, list.ReleaseAndGetAddressOf()), S_OK);
  std::vector<std::string> result;
  for (const ComPtr<IMLItem>& item : ListItems(list.Get(), &IMLItemList::get_Item))
    result.push_back(Get(item.Get(), &IMLItem::get_Location));
  return result;
}

using Files = std::vector<std::string>;

// A library in the media-library.db file of a temporary folder.
class MediaLibrary : public ::testing::Test {
 protected:
  testing::TempDir dir;
  ComPtr<TMediaLibrary> library = OpenMediaLibrary(dir / "media-library.db");
};

TEST_F(MediaLibrary, SectionsAreOpenedByNameAndCreatedOnlyOnRequest) {
  EXPECT_FALSE(Open(library.Get(), "KestroTVRecordings", false)) << "missing, not created";
  ComPtr<IMLSection> made = Open(library.Get(), "KestroTVRecordings", true);
  ASSERT_TRUE(made);
  AddRecording(made.Get(), "News", "/rec/news.ts", 0, 0);
  ComPtr<IMLSection> again = Open(library.Get(), "kestrotvrecordings", false);
  ASSERT_TRUE(again) << "names compare ignoring case";
  EXPECT_EQ(Get(again.Get(), &IMLSection::get_ItemCount), 1);
  EXPECT_EQ(Get(Open(library.Get(), "Music", true).Get(), &IMLSection::get_ItemCount), 0)
      << "sections do not share items";

  ComPtr<IMLSection> none;
  EXPECT_EQ(library->OpenSection("  ", true, none.ReleaseAndGetAddressOf()), E_UNEXPECTED);
}

TEST_F(MediaLibrary, FindsSavedItemsByTagTextAndDeletesThem) {
  ComPtr<IMLSection> section = Open(library.Get(), "KestroTVRecordings", true);
  ComPtr<IMLItem> a = AddRecording(section.Get(), "A", "/rec/a.ts", 7, 0);
  AddRecording(section.Get(), "B", "/rec/b.ts", 7, -1);
  AddRecording(section.Get(), "C", "/rec/c.ts", 8, 0);

  ComPtr<IMLItem> unsaved;
  section->AddItem("D", "D", unsaved.ReleaseAndGetAddressOf());
  EXPECT_EQ(Get(section.Get(), &IMLSection::get_ItemCount), 3)
      << "an item joins its section on Save";

  // Integer tags are found by their decimal text, Booleans by "True"/"False"; tag names ignore
  // case; an empty tag lists everything in the order added.
  EXPECT_EQ(Locations(section.Get(), "rs_id", "7"), (Files{"/rec/a.ts", "/rec/b.ts"}));
  EXPECT_EQ(Locations(section.Get(), "KEEP_UNTIL", "-1"), (Files{"/rec/b.ts"}));
  EXPECT_EQ(Locations(section.Get(), "watched", "False").size(), 3u);
  EXPECT_EQ(Locations(section.Get(), "", "").size(), 3u);

  // A found item carries its tags with their types.
  ComPtr<IMLItemList> list;
  section->FindItemsByTag("rs_id", "8", list.ReleaseAndGetAddressOf());
  ComPtr<IMLItem> c;
  ASSERT_EQ(list->get_Item(0, c.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IKestroItem> tags = GetObject(c.Get(), &IMLItem::get_Tags);
  auto tag = [&](const char* name) {
    Variant v;
    tags->get_Values(Variant(name), &v);
    return v;
  };
  EXPECT_EQ(tag("rs_id").Type(), VT_I4);
  EXPECT_EQ(tag("date").Type(), VT_DATE);
  EXPECT_EQ(tag("watched").Type(), VT_BOOL);

  // Re-saving replaces the tags rather than adding to them.
  tags->put_Values(Variant("rs_id"), Variant(9));
  ASSERT_EQ(c->Save(), S_OK);
  EXPECT_TRUE(Locations(section.Get(), "rs_id", "8").empty());
  EXPECT_EQ(Locations(section.Get(), "rs_id", "9"), (Files{"/rec/c.ts"}));

  ASSERT_EQ(section->DeleteItem(a.Get()), S_OK);
  EXPECT_EQ(Locations(section.Get(), "rs_id", "7"), (Files{"/rec/b.ts"}));
  EXPECT_EQ(section->DeleteItem(a.Get()), E_UNEXPECTED) << "already gone";
  ComPtr<IMLSection> other = Open(library.Get(), "Other", true);
  EXPECT_EQ(other->DeleteItem(c.Get()), E_UNEXPECTED) << "an item of another section";
  EXPECT_EQ(Get(section.Get(), &IMLSection::get_ItemCount), 2);
}

// (The engine's views, stored and read back, are the recording library's tests.)
TEST_F(MediaLibrary, AViewMadeAgainReplacesTheOldOne) {
  ComPtr<host::TMLSection> section = library->Section("KestroTVRecordings", true);
  ComPtr<IMLView> view;
  ASSERT_EQ(section->AddView("New programs", view.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(view->put_Filter("{watched}=\"False\""), S_OK);
  ComPtr<IMLLevel> level;
  ASSERT_EQ(view->AddLevel("folder", level.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(section->AddView("By folder", view.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(section->AddView("new PROGRAMS", view.ReleaseAndGetAddressOf()), S_OK);

  std::vector<MLViewInfo> views = section->Views();
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[0].name, "New programs");
  EXPECT_EQ(views[0].filter, "") << "the filter went with the old view";
  EXPECT_TRUE(views[0].levels.empty());
  EXPECT_EQ(Get(view.Get(), &IMLView::get_Filter), "");
}

TEST_F(MediaLibrary, KeepsNonAsciiTextAndTheOrderOfTagsAcrossReopen) {
  const std::string file = dir / "library-2.db";
  const std::string title = "Tatort: Der König von Köln — 東京";
  AddRecording(Open(OpenMediaLibrary(file).Get(), "Aufnahmen ÄÖÜ", true).Get(), title,
               "/rec/Köln.ts", 3, 0);
  ComPtr<host::TMLSection> section = OpenMediaLibrary(file)->Section("Aufnahmen ÄÖÜ", false);
  ASSERT_TRUE(section);
  std::vector<ComPtr<host::TMLItem>> found = section->FindItems("title", title);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(Get(found[0].Get(), &IMLItem::get_Name), title);
  EXPECT_EQ(found[0]->Key(), "/rec/Köln.ts");
  std::vector<std::string> order;
  for (const auto& [key, value] : found[0]->TagBag().Values()) order.push_back(key);
  EXPECT_EQ(order, (Files{"title", "rs_id", "keep_until", "watched", "date", "duration"}));
}

TEST_F(MediaLibrary, RefusesValuesItCannotStoreAndUnwritableFiles) {
  ComPtr<IMLSection> section = Open(library.Get(), "S", true);
  ComPtr<IMLItem> item = AddRecording(section.Get(), "A", "/a.ts", 1, 0);
  ComPtr<IKestroItem> tags = GetObject(item.Get(), &IMLItem::get_Tags);
  tags->put_Values(Variant("object"), Variant(ComPtr<IKestroItem>(tags)));
  tags->put_Values(Variant("rs_id"), Variant(2));
  EXPECT_EQ(item->Save(), E_UNEXPECTED);
  ErrorInfo info;
  ASSERT_EQ(GetErrorInfo(&info), S_OK);
  EXPECT_NE(info.description.find("cannot be stored"), std::string::npos) << info.description;
  tags->Clear();  // break the bag's reference to itself
  EXPECT_EQ(Locations(section.Get(), "rs_id", "1"), (Files{"/a.ts"}))
      << "a failed Save changes nothing";

  EXPECT_THROW(OpenMediaLibrary(dir / "missing-folder/media-library.db"), host::EMediaLibraryError);
}

}  // namespace
}  // namespace kestro
