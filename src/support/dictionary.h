// TDictionary: the module's property bag, the IKestroItem behind every item it hands out
// (GetAsKestroItem views, genres, people, display flags, plug-in properties).
//
// Values are kept in a TBTree: names compare ignoring case and keep their first spelling; the
// position order is insertion order until Sort. Every write notifies (change event, then
// Changed) unless an update is open (BeginUpdate ... EndUpdate), which notifies once at its end.
// Not thread-safe: a dictionary belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "core/kestro_object.h"
#include "kestro/host.h"
#include "support/btree.h"

namespace kestro {

class TDictionary : public TKestroIntfObject<IKestroItem> {
 public:
  // A second interface identity of the item; it has the IKestroItem slots.
  static constexpr GUID kAltIID = MakeGuid("{8208757F-7B2F-4311-81BE-36170952E71F}");

  using ChangeEvent = std::function<void(TDictionary&)>;

  // With ref_counted false, AddRef/Release do nothing and the owner deletes the object.
  explicit TDictionary(bool ref_counted = true);

  // IKestroItem.
  HRESULT get_Values(const Variant& key, Variant* value) override;
  HRESULT put_Values(const Variant& key, const Variant& value) override;
  HRESULT get_Count(int32_t* count) override;
  HRESULT HasValue(const std::string& name, bool* result) override;
  HRESULT get_KeyNames(int32_t index, std::string* name) override;
  // Empties the bag (its nodes are kept for reuse) and notifies. Never fails.
  HRESULT Clear() override;
  HRESULT GetValue(const std::string& name, const Variant& fallback, Variant* value) override;
  // Writes every value of `source` here by name, one notification per value; null does nothing.
  HRESULT Assign(IKestroItem* source) override;
  HRESULT BeginUpdate() override;
  // Closes one update (extra calls keep the count at 0); notifies when none is left open.
  HRESULT EndUpdate() override;

  // Module-internal access. Writes notify as the interface's do.
  void Set(std::string_view name, Variant value);
  // Sets the value at a position; a position out of range is ignored (but still notifies, as a
  // write by position through Values does).
  void SetAt(int64_t index, Variant value);
  // The value by name / by position; Empty when missing. The reference is valid until the next
  // write or Clear.
  const Variant& Get(std::string_view name) const;
  const Variant& GetAt(int64_t index) const;
  // Value by name, or `fallback` when it is missing or Empty.
  Variant GetOr(std::string_view name, const Variant& fallback) const;
  bool Has(std::string_view name) const { return tree_.Find(name) != nullptr; }
  int32_t Count() const { return static_cast<int32_t>(tree_.Count()); }
  // The key at a position; empty for a position out of range.
  std::string KeyAt(int64_t index) const;
  // Position order becomes key order, ignoring case. Does not notify.
  void Sort() { tree_.Sort(); }

  void SetOnChange(ChangeEvent event) { on_change_ = std::move(event); }
  int32_t UpdateCount() const { return update_count_; }
  // Nodes kept for reuse after Clear.
  size_t FreeNodeCount() const { return tree_.FreeCount(); }

 protected:
  // Runs after the change event on every notification.
  virtual void Changed() {}
  void* QueryExtraInterface(const IID& iid) override;

 private:
  bool InRange(int64_t index) const { return index >= 0 && index < Count(); }
  // Calls the change event and Changed, only while no update is open.
  void NotifyChange();

  TBTree tree_;
  ChangeEvent on_change_;
  int32_t update_count_ = 0;
};

// A new, reference-counted, empty dictionary.
ComPtr<TDictionary> NewDictionary();

}  // namespace kestro
