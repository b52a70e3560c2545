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
#define IKestroItem_MEMBERS(M)                                                               \
  /* A text key reads by name, an ordinal key by position; anything else reads Empty. */     \
  M(propget, 0, Values, (const Variant& key, Variant* value))                                \
  M(propput, 0, Values, (const Variant& key, const Variant& value))                          \
  M(propget, 1, Count, (int32_t* count))                                                     \
  M(method, 2, HasValue, (const std::string& name, bool* result))                            \
  M(propget, 3, KeyNames, (int32_t index, std::string* name))                                \
  M(method, 4, Clear, ())                                                                    \
  /* The value by name, or `fallback` when it is missing or Empty. */                        \
  M(method, 5, GetValue, (const std::string& name, const Variant& fallback, Variant* value)) \
  /* Copies every value of `source` into this bag by name. */                                \
  M(method, 6, Assign, (IKestroItem* source))                                                \
  M(method, 7, BeginUpdate, ())                                                              \
  M(method, 8, EndUpdate, ())
  KESTRO_DISPATCH_MEMBERS(IKestroItem, "Property bag of named values")
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
#define IKestroLog_MEMBERS(M)                        \
  M(method, 1, WriteLine, (const std::string& line))
  KESTRO_DISPATCH_MEMBERS(IKestroLog, "Host log")
};

// Progress of a long import. `percent` is 0..100, or -1 when unknown. *go_on false asks the
// importer to cancel.
struct IMLImportProgress : IDispatch {
  static constexpr GUID kIID = MakeGuid("{196756F0-E75E-4000-B6BF-CF1B63CE110D}");
  using Base = IDispatch;
#define IMLImportProgress_MEMBERS(M)                                                      \
  M(method, 1, ReportProgress, (int32_t percent, const std::string& status, bool* go_on))
  KESTRO_DISPATCH_MEMBERS(IMLImportProgress, "Progress of an import")
};

struct IKestroSystem;

// A host message: its values are those of an item; the subject says what it is about.
struct IKestroMessage : IKestroItem {
  static constexpr GUID kIID = MakeGuid("{987F7034-5F8E-4B13-9B35-448100A459F2}");
  using Base = IKestroItem;
#define IKestroMessage_MEMBERS(M)                                        \
  M(propget, 101, Subject, (std::string* subject))                       \
  /* Whether the subject matches a pattern ("tv-scheduler.notify.*"). */ \
  M(method, 102, Matches, (const std::string& pattern, bool* result))    \
  M(method, 103, Send, ())                                               \
  M(method, 104, SendTo, (const Variant& target))                        \
  M(method, 105, IsShutdown, (bool* result))
  KESTRO_DISPATCH_MEMBERS(IKestroMessage, "Host message")
};

// A component the host loads and talks to through messages and settings.
struct IKestroPlugin : IDispatch {
  static constexpr GUID kIID = MakeGuid("{69C291C2-F54A-4B83-BB17-CB071C2EEC8B}");
  using Base = IDispatch;
#define IKestroPlugin_MEMBERS(M)                                                             \
  M(method, 1, OnMessage, (IKestroSystem* system, IKestroMessage* message, bool* handled))   \
  /* Fills `descriptor` with the setting at a 1-based index; *ok false past the last one. */ \
  M(method, 2, DescribeSetting, (int32_t index, IKestroItem* descriptor, bool* ok))          \
  M(method, 3, ApplySettings, (IKestroItem* settings, std::string* error, bool* ok))         \
  M(method, 4, IsAvailable, (bool* result))
  KESTRO_DISPATCH_MEMBERS(IKestroPlugin, "Host plug-in")
};

// What a screen shows; the host's screens are outside this module.
struct IKestroScreen : IDispatch {
  static constexpr GUID kIID = MakeGuid("{361A2470-EC80-46E5-9E3E-A06856320113}");
  using Base = IDispatch;
#define IKestroScreen_MEMBERS(M)
  KESTRO_DISPATCH_MEMBERS(IKestroScreen, "Host screen")
};

struct IMLSection;

// The host system object as the module sees it. Messages: a message made by CreateMessage and
// sent is delivered on the host's plug-in thread, after the call that sent it has returned, to
// every plug-in subscribed to a pattern its subject matches ("*" matches any run of characters);
// SendTo delivers it to the one plug-in PluginTarget names.
struct IKestroSystem : IDispatch {
  static constexpr GUID kIID = MakeGuid("{94A257B2-AF0C-4FEC-BE4C-A4814631C482}");
  using Base = IDispatch;
#define IKestroSystem_MEMBERS(M)                                                              \
  M(method, 1, CreateMessage, (const std::string& subject, IKestroMessage** message))         \
  M(method, 2, Subscribe, (const std::string& pattern, IKestroPlugin* subscriber))            \
  M(method, 4, ShowTrace, (const std::string& text))                                          \
  M(method, 5, ShowStatus, (const std::string& text))                                         \
  /* The value IKestroMessage.SendTo takes to reach `plugin` alone. */                        \
  M(method, 6, PluginTarget, (IKestroPlugin* plugin, Variant* target))                        \
  M(method, 7, CreateItem, (IKestroItem** item))                                              \
  /* A section of the host's media library; with `create`, made when missing. */              \
  M(method, 15, OpenMediaSection, (const std::string& name, bool create, IMLSection** section)) \
  /* The display text of a phrase (the phrase itself when the host has no other). */          \
  M(method, 25, LookupText, (const std::string& phrase, std::string* text))                   \
  M(method, 34, GetLog, (int32_t kind, IKestroLog** log))                                     \
  /* The folder of a named kind ("logs", "recordings", ...), with a trailing "/". */          \
  M(method, 37, GetFolder, (const std::string& kind, std::string* path))                      \
  M(method, 39, SetRuntimeProperty, (const std::string& name, IKestroItem* value))
  KESTRO_DISPATCH_MEMBERS(IKestroSystem, "Host system")
};

// The host's instrumentation: usage events, asked for from the host system object with
// QueryInterface. Not an automation interface.
struct IKestroInstrumentation : IUnknown {
  static constexpr GUID kIID = MakeGuid("{4529AE06-FDA5-4B5B-BACD-64DA8D719F58}");
  using Base = IUnknown;
  // Records event `name` with the values of `pairs`.
  virtual HRESULT RecordEvent(const std::string& name, IKestroItem* pairs) = 0;
};

}  // namespace kestro
