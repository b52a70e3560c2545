#include "kestro/dispatch.h"

#include <algorithm>
#include <vector>

#include "kestro/com_object.h"
#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro {

namespace {

bool KindSuits(MemberKind kind, uint16_t flags) {
  switch (kind) {
    case MemberKind::kMethod:
      return flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    case MemberKind::kGet:
      return flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    case MemberKind::kPut:
      return flags & DISPATCH_PROPERTYPUT;
  }
  return false;
}

}  // namespace

const MemberInfo* InterfaceInfo::Find(DISPID id, uint16_t flags,
                                      const InterfaceInfo** owner) const {
  for (const InterfaceInfo* itf = this; itf; itf = itf->base) {
    for (const MemberInfo& m : itf->members) {
      if (m.dispid == id && KindSuits(m.kind, flags)) {
        if (owner) *owner = itf;
        return &m;
      }
    }
  }
  return nullptr;
}

DISPID InterfaceInfo::IdOfName(std::string_view name) const {
  for (const InterfaceInfo* itf = this; itf; itf = itf->base)
    for (const MemberInfo& m : itf->members)
      if (SameText(m.name, name)) return m.dispid;
  return DISPID_UNKNOWN;
}

const InterfaceInfo* TypeLibInfo::FindInterface(const IID& iid) const {
  for (const InterfaceInfo* itf : interfaces)
    if (itf->iid == iid) return itf;
  return nullptr;
}

HRESULT DispatchGetIDsOfNames(const InterfaceInfo& info, const char* const* names, uint32_t count,
                              DISPID* ids) {
  if (count == 0) return S_OK;
  if (!names || !ids) return E_POINTER;
  // Only the member name is looked up; argument names are not supported and come back unknown.
  ids[0] = info.IdOfName(names[0] ? names[0] : "");
  for (uint32_t i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT DispatchInvoke(const InterfaceInfo& info, void* itf, DISPID id, uint16_t flags,
                       DispParams* params, Variant* result, ExcepInfo* excep, uint32_t* arg_err) {
  const MemberInfo* member = info.Find(id, flags);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  DispParams none;
  if (!params) params = &none;
  // The only named argument understood is the value of a property put.
  for (uint32_t i = 0; i < params->named_arg_count; ++i)
    if (params->named_args[i] != DISPID_PROPERTYPUT) return DISP_E_UNKNOWNNAME;

  // Automation passes arguments last first; thunks take them in order.
  std::vector<Variant> args(params->args, params->args + params->arg_count);
  std::reverse(args.begin(), args.end());
  Variant value;
  HRESULT hr = member->invoke(itf, args.data(), static_cast<uint32_t>(args.size()),
                              result ? result : &value);
  if (hr == DISP_E_TYPEMISMATCH && arg_err) *arg_err = 0;
  if (Failed(hr) && hr != DISP_E_BADPARAMCOUNT && hr != DISP_E_TYPEMISMATCH && excep) {
    ErrorInfo error;
    excep->scode = hr;
    if (GetErrorInfo(&error) == S_OK) {
      excep->description = error.description;
      excep->source = error.source.empty() ? info.name : error.source;
      SetErrorInfo(error.iid, error.description, error.source);  // left for GetErrorInfo callers
    }
    return DISP_E_EXCEPTION;
  }
  if (Succeeded(hr)) {  // by-reference arguments go back to the caller
    for (uint32_t i = 0; i < params->arg_count; ++i)
      params->args[params->arg_count - 1 - i] = std::move(args[i]);
  }
  return hr;
}

namespace dispatch_detail {

void ThrowInterfaceMismatch() {
  throw EVariantError("Could not convert variant of type (Unknown) into the interface required");
}

HRESULT ConvertFailure(const std::exception& e) {
  SetErrorInfo(IDispatch::kIID, e.what());
  return DISP_E_TYPEMISMATCH;
}

}  // namespace dispatch_detail

void ThrowMissingTypeInfo(const TypeLibInfo& lib, const IID& iid) {
  throw Exception(Format("Type information for interface %s is not in library %s",
                         GuidToString(iid).c_str(), lib.name));
}

// ---------------------------------------------------------------------------------------------

namespace {

class TypeLib : public ComObject<ITypeLib> {
 public:
  explicit TypeLib(const TypeLibInfo& lib) : lib_(lib) {}
  HRESULT GetLibAttr(GUID* libid, uint16_t* major, uint16_t* minor) override {
    if (libid) *libid = lib_.libid;
    if (major) *major = lib_.major;
    if (minor) *minor = lib_.minor;
    return S_OK;
  }
  HRESULT GetDocumentation(int32_t index, std::string* name, std::string* help) override {
    if (index == -1) {
      if (name) *name = lib_.name;
      if (help) *help = lib_.help;
      return S_OK;
    }
    if (index < 0 || static_cast<size_t>(index) >= lib_.interfaces.size())
      return TYPE_E_ELEMENTNOTFOUND;
    if (name) *name = lib_.interfaces[index]->name;
    if (help) *help = lib_.interfaces[index]->help;
    return S_OK;
  }
  uint32_t GetTypeInfoCount() override { return static_cast<uint32_t>(lib_.interfaces.size()); }
  HRESULT GetTypeInfo(uint32_t index, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index >= lib_.interfaces.size()) return TYPE_E_ELEMENTNOTFOUND;
    *out = MakeTypeInfo(lib_, *lib_.interfaces[index]).Detach();
    return S_OK;
  }
  HRESULT GetTypeInfoOfGuid(const GUID& iid, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    const InterfaceInfo* itf = lib_.FindInterface(iid);
    if (!itf) return TYPE_E_ELEMENTNOTFOUND;
    *out = MakeTypeInfo(lib_, *itf).Detach();
    return S_OK;
  }

 private:
  const TypeLibInfo& lib_;
};

class TypeInfo : public ComObject<ITypeInfo> {
 public:
  TypeInfo(const TypeLibInfo& lib, const InterfaceInfo& itf) : lib_(lib), itf_(itf) {}
  HRESULT GetGuid(GUID* iid) override {
    if (!iid) return E_POINTER;
    *iid = itf_.iid;
    return S_OK;
  }
  HRESULT GetDocumentation(DISPID memid, std::string* name, std::string* help) override {
    if (memid == DISPID_UNKNOWN) {
      if (name) *name = itf_.name;
      if (help) *help = itf_.help;
      return S_OK;
    }
    const MemberInfo* m = itf_.Find(memid, DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT);
    if (!m) return TYPE_E_ELEMENTNOTFOUND;
    if (name) *name = m->name;
    if (help) help->clear();
    return S_OK;
  }
  HRESULT GetIDsOfNames(const char* const* names, uint32_t count, DISPID* ids) override {
    return DispatchGetIDsOfNames(itf_, names, count, ids);
  }
  HRESULT GetContainingTypeLib(ITypeLib** lib, uint32_t* index) override {
    if (index) {
      *index = 0;
      for (size_t i = 0; i < lib_.interfaces.size(); ++i)
        if (lib_.interfaces[i] == &itf_) *index = static_cast<uint32_t>(i);
    }
    if (lib) *lib = MakeTypeLib(lib_).Detach();
    return S_OK;
  }
  const InterfaceInfo* Info() override { return &itf_; }

 private:
  const TypeLibInfo& lib_;
  const InterfaceInfo& itf_;
};

}  // namespace

ComPtr<ITypeLib> MakeTypeLib(const TypeLibInfo& lib) { return MakeObject<TypeLib>(lib); }

ComPtr<ITypeInfo> MakeTypeInfo(const TypeLibInfo& lib, const InterfaceInfo& itf) {
  return MakeObject<TypeInfo>(lib, itf);
}

}  // namespace kestro
