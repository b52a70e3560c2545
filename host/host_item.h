// Host-made property bags (THostItem): what the host hands to the module as IKestroItem.
// They behave like the module's own for Values, GetValue and Assign: keys compare ignoring case,
// the first spelling is kept, an ordinal key reads and writes by position.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "kestro/com_object.h"
#include "kestro/host.h"

namespace kestro::host {

// Implements the IKestroItem slots of any interface that extends it (items, messages).
template <class I>
class ItemBase : public DispatchObject<I> {
 public:
  HRESULT get_Values(const Variant& key, Variant* value) override;
  HRESULT put_Values(const Variant& key, const Variant& value) override;
  HRESULT get_Count(int32_t* count) override;
  HRESULT HasValue(const std::string& name, bool* result) override;
  HRESULT get_KeyNames(int32_t index, std::string* name) override;
  HRESULT Clear() override;
  HRESULT GetValue(const std::string& name, const Variant& fallback, Variant* value) override;
  HRESULT Assign(IKestroItem* source) override;
  HRESULT BeginUpdate() override { return S_OK; }
  HRESULT EndUpdate() override { return S_OK; }

  // Plain C++ access for the host's own code.
  void Set(const std::string& name, Variant value);
  Variant Get(const std::string& name) const;
  const std::vector<std::pair<std::string, Variant>>& Values() const { return values_; }

 protected:
  ItemBase();

 private:
  std::pair<std::string, Variant>* Find(const std::string& name);
  std::vector<std::pair<std::string, Variant>> values_;
};

class THostItem : public ItemBase<IKestroItem> {};

ComPtr<THostItem> NewHostItem();

extern template class ItemBase<IKestroItem>;
extern template class ItemBase<IKestroMessage>;

}  // namespace kestro::host
