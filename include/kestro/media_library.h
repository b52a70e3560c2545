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

// The creatable media library class; its objects answer IMediaLibrary.
constexpr CLSID CLSID_MediaLibrary = MakeGuid("{3A29F7EA-25AD-4D28-B7BF-A6856BDD7236}");

// One recording, file or other entry of a section. Location, key and tags are written to the
// library by Save; a new item joins its section on its first Save.
struct IMLItem : IDispatch {
  static constexpr GUID kIID = MakeGuid("{8EACA4B9-AA38-4615-BA69-B07F086EA490}");
  using Base = IDispatch;
  virtual HRESULT get_Location(std::string* location) = 0;
  virtual HRESULT put_Location(const std::string& location) = 0;
  virtual HRESULT put_Key(const std::string& key) = 0;
  // The item's own tag bag (changes go to the library on Save).
  virtual HRESULT get_Tags(IKestroItem** tags) = 0;
  virtual HRESULT get_Name(std::string* name) = 0;
  virtual HRESULT Save() = 0;
};

// The result of a search: items in the order they were added.
struct IMLItemList : IDispatch {
  static constexpr GUID kIID = MakeGuid("{0081E5D7-F171-4423-BF88-7E8D76992196}");
  using Base = IDispatch;
  virtual HRESULT get_Count(int32_t* count) = 0;
  // Position 0 .. Count - 1; other positions fail.
  virtual HRESULT get_Item(int32_t index, IMLItem** item) = 0;
};

// One level of a view: the tag it groups by (none for the item level), whether the groups are
// shown flat (`Flag`), the tag it sorts by, its caption and its display style.
struct IMLLevel : IDispatch {
  static constexpr GUID kIID = MakeGuid("{F97C229B-2556-4295-9DBE-52467664C67A}");
  using Base = IDispatch;
  virtual HRESULT put_Flag(bool value) = 0;
  virtual HRESULT put_SortTag(const std::string& tag) = 0;
  virtual HRESULT put_Caption(const std::string& caption) = 0;
  virtual HRESULT put_Style(const std::string& style) = 0;
};

// A named way of browsing a section: levels from the outermost in, and a filter such as
// {watched}="False".
struct IMLView : IDispatch {
  static constexpr GUID kIID = MakeGuid("{36F9714D-7405-4711-BDAF-55032A6559AC}");
  using Base = IDispatch;
  // An empty tag makes the item level.
  virtual HRESULT AddLevel(const std::string& tag, IMLLevel** level) = 0;
  virtual HRESULT get_Filter(std::string* filter) = 0;
  virtual HRESULT put_Filter(const std::string& filter) = 0;
};

// A named part of the library.
struct IMLSection : IDispatch {
  static constexpr GUID kIID = MakeGuid("{F21528AA-7D96-4384-B73A-ED6FB361A82A}");
  using Base = IDispatch;
  // A new, unsaved item; `name` is its display name, `sort_name` the name it is sorted by.
  virtual HRESULT AddItem(const std::string& name, const std::string& sort_name,
                          IMLItem** item) = 0;
  // The saved items whose tag `tag` reads `value` as text (an integer tag 0 reads "0", a
  // Boolean "True"/"False"); tag names compare ignoring case. An empty tag lists every item.
  virtual HRESULT FindItemsByTag(const std::string& tag, const std::string& value,
                                 IMLItemList** items) = 0;
  virtual HRESULT get_ItemCount(int32_t* count) = 0;
  virtual HRESULT AddView(const std::string& name, IMLView** view) = 0;
  // Removes a saved item of this section with its tags.
  virtual HRESULT DeleteItem(IMLItem* item) = 0;
};

// The library object that the MediaLibrary class creates.
struct IMediaLibrary : IDispatch {
  static constexpr GUID kIID = MakeGuid("{F96AE8CB-D456-4A68-A72D-7AED1A5BE735}");
  using Base = IDispatch;
  // The section of that name (compared ignoring case); without `create` a missing section gives
  // a null *section and S_OK.
  virtual HRESULT OpenSection(const std::string& name, bool create, IMLSection** section) = 0;
};

}  // namespace kestro
