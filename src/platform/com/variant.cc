#include "kestro/variant.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "kestro/dispatch.h"
#include "platform/env/real_env.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/format_settings.h"

namespace kestro {

namespace {

// Text of an OLE date as automation gives it: the time alone when the date part is 0, the date
// alone when the time is midnight, else both.
std::string DateToText(double date) {
  if (std::trunc(date) == 0.0 && date != 0.0) return FormatDateTime("tt", date);
  return DateTimeToStr(date);
}

std::string DoubleToText(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return buf;
}

bool TextToDouble(const std::string& s, double* out) {
  int64_t i;
  if (TryStrToInt64(s, &i)) {
    *out = static_cast<double>(i);
    return true;
  }
  return TryStrToFloat(s, out);
}

}  // namespace

bool Variant::ArrayBox::operator==(const ArrayBox& o) const {
  if (!array || !o.array) return array == o.array;
  return *array == *o.array;
}

Variant::Variant(const SafeArray& array) : v_(ArrayBox{std::make_unique<SafeArray>(array)}) {}
Variant::Variant(SafeArray&& array)
    : v_(ArrayBox{std::make_unique<SafeArray>(std::move(array))}) {}

Variant::Variant(const Variant& other) { *this = other; }

Variant& Variant::operator=(const Variant& other) {
  if (this == &other) return *this;
  if (const auto* box = std::get_if<ArrayBox>(&other.v_)) {
    v_ = ArrayBox{std::make_unique<SafeArray>(*box->array)};  // arrays copy deeply
  } else {
    std::visit(
        [this](const auto& value) {
          using T = std::decay_t<decltype(value)>;
          if constexpr (!std::is_same_v<T, ArrayBox>) v_ = value;
        },
        other.v_);
  }
  return *this;
}

Variant::~Variant() = default;

Variant Variant::Null() {
  Variant v;
  v.v_ = NullTag{};
  return v;
}

Variant::Variant(OleDate date) : v_(DateValue{date.value}) {}

Variant Variant::Date(OleDate date) { return Variant(date); }

VarType Variant::Type() const {
  switch (v_.index()) {
    case 0: return VT_EMPTY;
    case 1: return VT_NULL;
    case 2: return VT_BOOL;
    case 3: return VT_I4;
    case 4: return VT_I8;
    case 5: return VT_R8;
    case 6: return VT_DATE;
    case 7: return VT_BSTR;
    case 8: return std::get<Interface>(v_).dispatch ? VT_DISPATCH : VT_UNKNOWN;
    default: return VT_ARRAY;
  }
}

bool Variant::IsOrdinal() const {
  VarType t = Type();
  return t == VT_BOOL || t == VT_I4 || t == VT_I8;
}

bool Variant::IsNumeric() const {
  VarType t = Type();
  return IsOrdinal() || t == VT_R8 || t == VT_DATE;
}

const char* Variant::TypeName(VarType type) {
  switch (type) {
    case VT_EMPTY: return "Empty";
    case VT_NULL: return "Null";
    case VT_BOOL: return "Boolean";
    case VT_I4: return "Integer";
    case VT_I8: return "Int64";
    case VT_R8: return "Double";
    case VT_DATE: return "Date";
    case VT_BSTR: return "String";
    case VT_DISPATCH: return "Dispatch";
    case VT_UNKNOWN: return "Unknown";
    case VT_ARRAY: return "Array";
    default: return "Variant";
  }
}

void Variant::FailConversion(VarType to) const {
  throw EVariantError(Format("Could not convert variant of type (%s) into type (%s)",
                             TypeName(Type()), TypeName(to)));
}

void Variant::FailOverflow(VarType to) const {
  throw EVariantError(Format("Overflow while converting variant of type (%s) into type (%s)",
                             TypeName(Type()), TypeName(to)));
}

bool Variant::ToBool() const {
  switch (Type()) {
    case VT_EMPTY: return false;
    case VT_BOOL: return std::get<bool>(v_);
    case VT_I4: return std::get<int32_t>(v_) != 0;
    case VT_I8: return std::get<int64_t>(v_) != 0;
    case VT_R8: return std::get<double>(v_) != 0.0;
    case VT_DATE: return std::get<DateValue>(v_).value != 0.0;
    case VT_BSTR: {
      const std::string& s = std::get<std::string>(v_);
      std::string t = Trim(s);
      if (SameText(t, "true")) return true;
      if (SameText(t, "false")) return false;
      double d;
      if (TextToDouble(t, &d)) return d != 0.0;
      FailConversion(VT_BOOL);
    }
    default: FailConversion(VT_BOOL);
  }
}

int64_t Variant::ToInt64() const {
  auto from_double = [this](double d) -> int64_t {
    double r = std::nearbyint(d);  // round half to even, as automation does
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) FailOverflow(VT_I8);
    return static_cast<int64_t>(r);
  };
  switch (Type()) {
    case VT_EMPTY: return 0;
    case VT_BOOL: return std::get<bool>(v_) ? -1 : 0;
    case VT_I4: return std::get<int32_t>(v_);
    case VT_I8: return std::get<int64_t>(v_);
    case VT_R8: return from_double(std::get<double>(v_));
    case VT_DATE: return from_double(std::get<DateValue>(v_).value);
    case VT_BSTR: {
      const std::string& s = std::get<std::string>(v_);
      int64_t i;
      if (TryStrToInt64(s, &i)) return i;
      double d;
      if (TryStrToFloat(s, &d)) return from_double(d);
      FailConversion(VT_I8);
    }
    default: FailConversion(VT_I8);
  }
}

int32_t Variant::ToInt32() const {
  if (Type() == VT_I4) return std::get<int32_t>(v_);
  int64_t i;
  try {
    i = ToInt64();
  } catch (const EVariantError&) {
    if (Type() == VT_R8 || Type() == VT_DATE) FailOverflow(VT_I4);
    FailConversion(VT_I4);
  }
  if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<int32_t>::max())
    FailOverflow(VT_I4);
  return static_cast<int32_t>(i);
}

double Variant::ToDouble() const {
  switch (Type()) {
    case VT_EMPTY: return 0.0;
    case VT_BOOL: return std::get<bool>(v_) ? -1.0 : 0.0;
    case VT_I4: return std::get<int32_t>(v_);
    case VT_I8: return static_cast<double>(std::get<int64_t>(v_));
    case VT_R8: return std::get<double>(v_);
    case VT_DATE: return std::get<DateValue>(v_).value;
    case VT_BSTR: {
      double d;
      if (TextToDouble(std::get<std::string>(v_), &d)) return d;
      FailConversion(VT_R8);
    }
    default: FailConversion(VT_R8);
  }
}

OleDate Variant::ToDate() const {
  if (Type() == VT_BSTR) {
    const std::string& s = std::get<std::string>(v_);
    // The conversion stands in for the system's: a date without a year is in the machine's year.
    static const std::shared_ptr<Env> machine = MakeRealEnv();
    OleDate date;
    if (TryStrToDateTime(s, machine->NowLocal(), &date)) return date;
    double d;
    if (TextToDouble(s, &d)) return d;
    FailConversion(VT_DATE);
  }
  try {
    return ToDouble();
  } catch (const EVariantError&) {
    FailConversion(VT_DATE);
  }
}

std::string Variant::ToString() const {
  switch (Type()) {
    case VT_EMPTY: return {};
    case VT_BOOL: return std::get<bool>(v_) ? "True" : "False";
    case VT_I4: return std::to_string(std::get<int32_t>(v_));
    case VT_I8: return std::to_string(std::get<int64_t>(v_));
    case VT_R8: return DoubleToText(std::get<double>(v_));
    case VT_DATE: return DateToText(std::get<DateValue>(v_).value);
    case VT_BSTR: return std::get<std::string>(v_);
    default: FailConversion(VT_BSTR);
  }
}

ComPtr<IUnknown> Variant::ToInterface() const {
  switch (Type()) {
    case VT_EMPTY:
    case VT_NULL: return nullptr;
    case VT_DISPATCH:
    case VT_UNKNOWN: return std::get<Interface>(v_).ptr;
    default: FailConversion(VT_UNKNOWN);
  }
}

const SafeArray& Variant::ToArray() const {
  if (Type() != VT_ARRAY) FailConversion(VT_ARRAY);
  return *std::get<ArrayBox>(v_).array;
}

SafeArray& Variant::MutableArray() {
  if (Type() != VT_ARRAY) FailConversion(VT_ARRAY);
  return *std::get<ArrayBox>(v_).array;
}

bool Variant::operator==(const Variant& other) const { return v_ == other.v_; }

std::string VarToStr(const Variant& value) {
  return value.IsEmptyOrNull() ? std::string() : value.ToString();
}

int CompareVariants(const Variant& a, const Variant& b) {
  auto sign = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  bool a_none = a.IsEmptyOrNull(), b_none = b.IsEmptyOrNull();
  if (a_none || b_none) return a_none == b_none ? 0 : (a_none ? -1 : 1);
  if (a.IsNumeric() && b.IsNumeric()) {
    if (a.IsOrdinal() && b.IsOrdinal()) return sign(a.ToInt64(), b.ToInt64());
    return sign(a.ToDouble(), b.ToDouble());
  }
  if (a.IsString() && b.IsString()) return sign(a.ToString().compare(b.ToString()), 0);
  if ((a.IsString() && b.IsNumeric()) || (a.IsNumeric() && b.IsString())) {
    double x, y;
    if (TextToDouble(a.IsString() ? a.ToString() : DoubleToText(a.ToDouble()), &x) &&
        TextToDouble(b.IsString() ? b.ToString() : DoubleToText(b.ToDouble()), &y))
      return sign(x, y);
    return sign(a.ToString().compare(b.ToString()), 0);
  }
  // Arrays, interfaces, or mixed kinds: order by type, then by identity.
  if (a.Type() != b.Type()) return sign(a.Type(), b.Type());
  if (a.IsInterface()) return sign(a.ToInterface().Get(), b.ToInterface().Get());
  return sign(&a.ToArray(), &b.ToArray());
}

// ---------------------------------------------------------------------------------------------

SafeArray::SafeArray(std::vector<Bound> bounds) : bounds_(std::move(bounds)) {
  size_t total = bounds_.empty() ? 0 : 1;
  for (const Bound& b : bounds_) total *= b.count;
  elements_.resize(total);
}

SafeArray SafeArray::Vector(std::vector<Variant> items, int32_t lower) {
  SafeArray a({Bound{lower, static_cast<uint32_t>(items.size())}});
  a.elements_ = std::move(items);
  return a;
}

int32_t SafeArray::LBound(uint32_t dim) const {
  if (dim < 1 || dim > bounds_.size()) throw EVariantError("Array dimension out of range");
  return bounds_[dim - 1].lower;
}

int32_t SafeArray::UBound(uint32_t dim) const {
  if (dim < 1 || dim > bounds_.size()) throw EVariantError("Array dimension out of range");
  return bounds_[dim - 1].lower + static_cast<int32_t>(bounds_[dim - 1].count) - 1;
}

size_t SafeArray::Offset(std::initializer_list<int32_t> indices) const {
  if (indices.size() != bounds_.size()) throw EVariantError("Array index out of bounds");
  size_t offset = 0, stride = 1, dim = 0;
  for (int32_t index : indices) {
    const Bound& b = bounds_[dim++];
    int64_t rel = static_cast<int64_t>(index) - b.lower;
    if (rel < 0 || rel >= static_cast<int64_t>(b.count))
      throw EVariantError("Array index out of bounds");
    offset += static_cast<size_t>(rel) * stride;
    stride *= b.count;
  }
  return offset;
}

const Variant& SafeArray::Get(std::initializer_list<int32_t> indices) const {
  return elements_[Offset(indices)];
}

void SafeArray::Put(std::initializer_list<int32_t> indices, Variant value) {
  elements_[Offset(indices)] = std::move(value);
}

}  // namespace kestro
