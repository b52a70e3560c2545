// The automation date type.
#pragma once

namespace kestro {

// An OLE automation date: days since 1899-12-30 00:00, the fraction being the time of day; local
// wall-clock time unless a name says otherwise. A type of its own so that a date is never taken
// for a plain number where it becomes a variant (a VT_DATE, not a VT_R8); it converts to and from
// double implicitly, so date arithmetic reads as it would on doubles.
struct OleDate {
  double value = 0.0;

  constexpr OleDate() = default;
  constexpr OleDate(double days) : value(days) {}  // NOLINT: a date is its day count
  constexpr operator double() const { return value; }
  constexpr OleDate& operator+=(double days) {
    value += days;
    return *this;
  }
  constexpr OleDate& operator-=(double days) {
    value -= days;
    return *this;
  }
};

}  // namespace kestro
