// The host application's interfaces: what the module calls on its host and what it implements
// for it. Operations are declared in the host's slot order; operations the module never uses are
// left out. Their dispatch tables form the host type library (kestro/host_type_library.h).
#pragma once

#include <cstdint>
#include <string>

#include "kestro/com.h"
#include "kestro/dispatch.h"
#include "kestro/variant.h"

namespace kestro {

// Host type library.
constexpr GUID LIBID_KestroHost = MakeGuid("{C6A348C4-2852-4658-A1DE-010089BFD728}");

// A property bag of named values. Keys compare ignoring case; the first spelling is kept.
struct IKestroItem : IDispatch {
  static constexpr GUID kIID = MakeGuid("{1624C2C5-2054-4933-8835-83F606F743B3}");
  using Base = IDispatch;
  // A text key reads by name, an ordinal key by position; anything else reads Empty.
  virtual HRESULT get_Values(const Variant& key, Variant* value) = 0;
  virtual HRESULT put_Values(const Variant& key, const Variant& value) = 0;
  virtual HRESULT get_Count(int32_t* count) = 0;
  virtual HRESULT HasValue(const std::string& name, bool* result) = 0;
  virtual HRESULT get_KeyNames(int32_t index, std::string* name) = 0;
  virtual HRESULT Clear() = 0;
  // The value by name, or `fallback` when it is missing or Empty.
  virtual HRESULT GetValue(const std::string& name, const Variant& fallback, Variant* value) = 0;
  // Copies every value of `source` into this bag by name.
  virtual HRESULT Assign(IKestroItem* source) = 0;
  virtual HRESULT BeginUpdate() = 0;
  virtual HRESULT EndUpdate() = 0;
};

// Calls visit(name, value) for each entry of a bag in its order, through the interface alone (the
// bag may be the host's or the module's). A failed call throws, as CheckHResult does.
template <class F>
void ForEachItemValue(IKestroItem* item, F&& visit) {
  if (!item) return;
  int32_t count = 0;
  CheckHResult(item->get_Count(&count));
  for (int32_t i = 0; i < count; ++i) {
    Variant value;
    std::string name;
    CheckHResult(item->get_Values(Variant(i), &value));
    CheckHResult(item->get_KeyNames(i, &name));
    visit(name, std::move(value));
  }
}

// The host's log.
struct IKestroLog : IDispatch {
  static constexpr GUID kIID = MakeGuid("{15A9AEBE-AFEA-401D-BF10-AABFB9AB911B}");
  using Base = IDispatch;
  virtual HRESULT WriteLine(const std::string& line) = 0;
};

// Progress of a long import. `percent` is 0..100, or -1 when unknown. *go_on false asks the
// importer to cancel.
struct IMLImportProgress : IDispatch {
  static constexpr GUID kIID = MakeGuid("{196756F0-E75E-4000-B6BF-CF1B63CE110D}");
  using Base = IDispatch;
  virtual HRESULT ReportProgress(int32_t percent, const std::string& status, bool* go_on) = 0;
};

struct IKestroSystem;

// A host message: its values are those of an item; the subject says what it is about.
struct IKestroMessage : IKestroItem {
  static constexpr GUID kIID = MakeGuid("{987F7034-5F8E-4B13-9B35-448100A459F2}");
  using Base = IKestroItem;
  virtual HRESULT get_Subject(std::string* subject) = 0;
  // Whether the subject matches a pattern ("tv-scheduler.notify.*").
  virtual HRESULT Matches(const std::string& pattern, bool* result) = 0;
  virtual HRESULT Send() = 0;
  virtual HRESULT SendTo(const Variant& target) = 0;
  virtual HRESULT IsShutdown(bool* result) = 0;
};

// A component the host loads and talks to through messages and settings.
struct IKestroPlugin : IDispatch {
  static constexpr GUID kIID = MakeGuid("{69C291C2-F54A-4B83-BB17-CB071C2EEC8B}");
  using Base = IDispatch;
  virtual HRESULT OnMessage(IKestroSystem* system, IKestroMessage* message, bool* handled) = 0;
  // Fills `descriptor` with the setting at a 1-based index; *ok false past the last one.
  virtual HRESULT DescribeSetting(int32_t index, IKestroItem* descriptor, bool* ok) = 0;
  virtual HRESULT ApplySettings(IKestroItem* settings, std::string* error, bool* ok) = 0;
  virtual HRESULT IsAvailable(bool* result) = 0;
};

// What a screen shows; the host's screens are outside this module.
struct IKestroScreen : IDispatch {
  static constexpr GUID kIID = MakeGuid("{361A2470-EC80-46E5-9E3E-A06856320113}");
  using Base = IDispatch;
};

// The host system object as the module sees it.
struct IKestroSystem : IDispatch {
  static constexpr GUID kIID = MakeGuid("{94A257B2-AF0C-4FEC-BE4C-A4814631C482}");
  using Base = IDispatch;
  virtual HRESULT CreateMessage(const std::string& subject, IKestroMessage** message) = 0;
  virtual HRESULT Subscribe(const std::string& pattern, IKestroPlugin* subscriber) = 0;
  virtual HRESULT ShowTrace(const std::string& text) = 0;
  virtual HRESULT ShowStatus(const std::string& text) = 0;
  virtual HRESULT CreateItem(IKestroItem** item) = 0;
  virtual HRESULT LookupText(const std::string& phrase, std::string* text) = 0;
  virtual HRESULT GetLog(int32_t kind, IKestroLog** log) = 0;
  virtual HRESULT GetFolder(const std::string& kind, std::string* path) = 0;
  virtual HRESULT SetRuntimeProperty(const std::string& name, IKestroItem* value) = 0;
};

}  // namespace kestro
