// UTF-8 text helpers. All text in the module is UTF-8 in std::string.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

// Removes leading and trailing bytes <= 0x20 (blanks and control characters).
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
// Unicode simple lower-case mapping of every code point; invalid bytes are kept as they are.
std::string UnicodeLower(std::string_view text);
std::string UnicodeUpper(std::string_view text);

// Case-insensitive comparison by Unicode simple case folding: <0, 0, >0.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

bool IsLetterOrDigit(char32_t code_point);

// Reads one code point at pos and advances pos; an invalid sequence yields U+FFFD and advances by
// one byte. Returns false at the end of the text.
bool NextCodePoint(std::string_view text, size_t& pos, char32_t& code_point);
void AppendUtf8(std::string& out, char32_t code_point);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

// Integer parsing as the automation runtime does it: optional blanks around, optional sign,
// decimal digits or hexadecimal after "$" or "0x". False on anything else or on overflow.
// Hexadecimal covers the unsigned range of the type, so "$FFFFFFFF" reads as -1.
bool TryStrToInt(std::string_view text, int32_t* out);
bool TryStrToInt64(std::string_view text, int64_t* out);
int32_t StrToIntDef(std::string_view text, int32_t fallback);
// Throws EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view text);
// Decimal number with '.' as separator, optional exponent; blanks around allowed.
bool TryStrToFloat(std::string_view text, double* out);

// Splits on a single character; keeps empty fields.
std::vector<std::string> Split(std::string_view text, char separator);
std::string Join(const std::vector<std::string>& parts, std::string_view separator);
bool StartsWithText(std::string_view text, std::string_view prefix);  // case-insensitive

}  // namespace kestro
