// The host's media library as the module sees it: named sections of items (a location, a key, a
// name and a bag of tags), found again by tag value, and views that group a section's items by
// levels. Operations are declared in the host's slot order; operations the module never uses are
// left out. Their dispatch tables are part of the host type library (kestro/host_type_library.h).
#pragma once

#include <cstdint>
#include <string>

#include "kestro/com.h"
#include "kestro/dispatch.h"
#include "kestro/host.h"
#include "kestro/variant.h"

namespace kestro {

// The section the module keeps its recordings in; the host's tools read it too.
inline constexpr const char* kRecordingsSection = "KestroTVRecordings";

// The creatable media library class; its objects answer IMediaLibrary.
constexpr CLSID CLSID_MediaLibrary = MakeGuid("{3A29F7EA-25AD-4D28-B7BF-A6856BDD7236}");

// One recording, file or other entry of a section. Location, key and tags are written to the
// library by Save; a new item joins its section on its first Save.
struct IMLItem : IDispatch {
  static constexpr GUID kIID = MakeGuid("{8EACA4B9-AA38-4615-BA69-B07F086EA490}");
  using Base = IDispatch;
#define IMLItem_MEMBERS(M)                                          \
  M(propget, 1, Location, (std::string* location))                  \
  M(propput, 1, Location, (const std::string& location))            \
  M(propput, 2, Key, (const std::string& key))                      \
  /* The item's own tag bag (changes go to the library on Save). */ \
  M(propget, 3, Tags, (IKestroItem** tags))                         \
  M(propget, 4, Name, (std::string* name))                          \
  M(method, 5, Save, ())
  KESTRO_DISPATCH_MEMBERS(IMLItem, "Media library item")
};

// The result of a search: items in the order they were added.
struct IMLItemList : IDispatch {
  static constexpr GUID kIID = MakeGuid("{0081E5D7-F171-4423-BF88-7E8D76992196}");
  using Base = IDispatch;
#define IMLItemList_MEMBERS(M)                         \
  M(propget, 1, Count, (int32_t* count))               \
  /* Position 0 .. Count - 1; other positions fail. */ \
  M(propget, 0, Item, (int32_t index, IMLItem** item))
  KESTRO_DISPATCH_MEMBERS(IMLItemList, "Media library items found")
};

// One level of a view: the tag it groups by (none for the item level), whether the groups are
// shown flat (`Flag`), the tag it sorts by, its caption and its display style.
struct IMLLevel : IDispatch {
  static constexpr GUID kIID = MakeGuid("{F97C229B-2556-4295-9DBE-52467664C67A}");
  using Base = IDispatch;
#define IMLLevel_MEMBERS(M)                            \
  M(propput, 1, Flag, (bool value))                    \
  M(propput, 2, SortTag, (const std::string& tag))     \
  M(propput, 3, Caption, (const std::string& caption)) \
  M(propput, 4, Style, (const std::string& style))
  KESTRO_DISPATCH_MEMBERS(IMLLevel, "Level of a media library view")
};

// A named way of browsing a section: levels from the outermost in, and a filter such as
// {watched}="False".
struct IMLView : IDispatch {
  static constexpr GUID kIID = MakeGuid("{36F9714D-7405-4711-BDAF-55032A6559AC}");
  using Base = IDispatch;
#define IMLView_MEMBERS(M)                                           \
  /* An empty tag makes the item level. */                           \
  M(method, 1, AddLevel, (const std::string& tag, IMLLevel** level)) \
  M(propget, 2, Filter, (std::string* filter))                       \
  M(propput, 2, Filter, (const std::string& filter))
  KESTRO_DISPATCH_MEMBERS(IMLView, "Media library view")
};

// A named part of the library.
struct IMLSection : IDispatch {
  static constexpr GUID kIID = MakeGuid("{F21528AA-7D96-4384-B73A-ED6FB361A82A}");
  using Base = IDispatch;
#define IMLSection_MEMBERS(M)                                                                    \
  /* A new, unsaved item; `name` is its display name, `sort_name` the name it is sorted by. */   \
  M(method, 1, AddItem, (const std::string& name, const std::string& sort_name, IMLItem** item)) \
  /* The saved items whose tag `tag` reads `value` as text (an integer tag 0 reads "0", a        \
     Boolean "True"/"False"); tag names compare ignoring case. An empty tag lists every item. */ \
  M(method, 2, FindItemsByTag, (const std::string& tag, const std::string& value,                \
                                IMLItemList** items))                                            \
  M(propget, 3, ItemCount, (int32_t* count))                                                     \
  M(method, 4, AddView, (const std::string& name, IMLView** view))                               \
  /* Removes a saved item of this section with its tags. */                                      \
  M(method, 5, DeleteItem, (IMLItem* item))
  KESTRO_DISPATCH_MEMBERS(IMLSection, "Media library section")
};

// The library object that the MediaLibrary class creates.
struct IMediaLibrary : IDispatch {
  static constexpr GUID kIID = MakeGuid("{F96AE8CB-D456-4A68-A72D-7AED1A5BE735}");
  using Base = IDispatch;
#define IMediaLibrary_MEMBERS(M)                                                                 \
  /* The section of that name (compared ignoring case); without `create` a missing section gives \
     a null *section and S_OK. */                                                                \
  M(method, 1, OpenSection, (const std::string& name, bool create, IMLSection** section))
  KESTRO_DISPATCH_MEMBERS(IMediaLibrary, "Media library")
};

}  // namespace kestro
