// Variant and SafeArray: the automation value types.
//
// Conversions follow automation rules: numbers and strings convert both ways, True is -1,
// "True"/"False" read as Booleans, dates convert to and from the locale's date-time text.
// A conversion that cannot be made throws EVariantError
// "Could not convert variant of type (String) into type (Integer)"; one out of range throws
// "Overflow while converting variant of type (Double) into type (Integer)".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "kestro/com.h"
#include "kestro/ole_date.h"

namespace kestro {

enum VarType : uint16_t {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I4 = 3,
  VT_R8 = 5,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I8 = 20,
  VT_ARRAY = 0x2000,
};

class SafeArray;

class Variant {
 public:
  Variant() = default;
  Variant(bool b) : v_(b) {}
  template <class T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
  Variant(T i) {
    if constexpr (sizeof(T) < sizeof(int64_t) && !(std::is_unsigned_v<T> && sizeof(T) == 4)) {
      v_ = static_cast<int32_t>(i);
    } else {
      v_ = static_cast<int64_t>(i);
    }
  }
  Variant(double d) : v_(d) {}
  Variant(OleDate date);  // a date, as Variant::Date
  Variant(const char* s) : v_(std::string(s ? s : "")) {}
  Variant(std::string s) : v_(std::move(s)) {}
  Variant(std::string_view s) : v_(std::string(s)) {}
  // An interface; held as IDispatch when T derives from it, else as IUnknown.
  template <class T>
  Variant(const ComPtr<T>& p) : v_(Interface{ComPtr<IUnknown>(p.Get()), IsDispatchType<T>()}) {}
  Variant(const SafeArray& array);
  Variant(SafeArray&& array);

  Variant(const Variant& other);
  Variant(Variant&&) noexcept = default;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&&) noexcept = default;
  ~Variant();

  static Variant Null();
  static Variant Date(OleDate date);

  VarType Type() const;
  bool IsEmpty() const { return Type() == VT_EMPTY; }
  bool IsNull() const { return Type() == VT_NULL; }
  bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }
  bool IsString() const { return Type() == VT_BSTR; }
  bool IsArray() const { return Type() == VT_ARRAY; }
  // Bool, I4, I8 (the ordinal types).
  bool IsOrdinal() const;
  bool IsNumeric() const;  // ordinal, double or date
  bool IsInterface() const { return Type() == VT_DISPATCH || Type() == VT_UNKNOWN; }

  bool ToBool() const;
  int32_t ToInt32() const;
  int64_t ToInt64() const;
  double ToDouble() const;
  OleDate ToDate() const;
  std::string ToString() const;
  ComPtr<IUnknown> ToInterface() const;  // null for Empty and Null
  const SafeArray& ToArray() const;
  SafeArray& MutableArray();

  // Name of a variant type as used in messages ("Integer", "String", ...).
  static const char* TypeName(VarType type);

  // Same type and value (strings compare exactly, interfaces by identity).
  bool operator==(const Variant& other) const;

 private:
  struct NullTag {
    bool operator==(const NullTag&) const { return true; }
  };
  struct DateValue {
    double value;
    bool operator==(const DateValue&) const = default;
  };
  struct Interface {
    ComPtr<IUnknown> ptr;
    bool dispatch;
    bool operator==(const Interface& o) const { return ptr.Get() == o.ptr.Get(); }
  };
  struct ArrayBox {
    std::unique_ptr<SafeArray> array;
    bool operator==(const ArrayBox& o) const;
  };
  template <class T>
  static constexpr bool IsDispatchType();

  [[noreturn]] void FailConversion(VarType to) const;
  [[noreturn]] void FailOverflow(VarType to) const;

  std::variant<std::monostate, NullTag, bool, int32_t, int64_t, double, DateValue, std::string,
               Interface, ArrayBox>
      v_;
};

// Text of a variant where Empty and Null read as "" (other types as ToString).
std::string VarToStr(const Variant& value);

// Orders two variants for sorting and grouping: Empty and Null first (equal to each other);
// numbers (Boolean, integers, doubles, dates) by value; strings by bytes; a string against a
// number by value when the string is a number, else as text; arrays and interfaces by identity.
// Returns <0, 0, >0.
int CompareVariants(const Variant& a, const Variant& b);

// An array of variants with one or more dimensions, each with a lower bound and an element count.
class SafeArray {
 public:
  struct Bound {
    int32_t lower = 0;
    uint32_t count = 0;
    bool operator==(const Bound&) const = default;
  };
  explicit SafeArray(std::vector<Bound> bounds);
  // A one-dimensional array of the given items, indexed from `lower`.
  static SafeArray Vector(std::vector<Variant> items, int32_t lower = 0);

  uint32_t Dims() const { return static_cast<uint32_t>(bounds_.size()); }
  // Bounds of dimension `dim`, counted from 1; throws EVariantError for a dimension out of range.
  int32_t LBound(uint32_t dim = 1) const;
  int32_t UBound(uint32_t dim = 1) const;
  size_t ElementCount() const { return elements_.size(); }

  // One index per dimension; throws EVariantError "Array index out of bounds" when out of range.
  const Variant& Get(std::initializer_list<int32_t> indices) const;
  void Put(std::initializer_list<int32_t> indices, Variant value);
  // Elements in storage order (the first index varies fastest).
  const std::vector<Variant>& Elements() const { return elements_; }
  std::vector<Variant>& Elements() { return elements_; }

  bool operator==(const SafeArray& other) const = default;

 private:
  size_t Offset(std::initializer_list<int32_t> indices) const;
  std::vector<Bound> bounds_;
  std::vector<Variant> elements_;
};

struct IDispatch;

template <class T>
constexpr bool Variant::IsDispatchType() {
  return std::is_base_of_v<IDispatch, T>;
}

}  // namespace kestro
