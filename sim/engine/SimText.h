// Locale-free number and text helpers of the simulated instrument. They are
// deliberately separate from the program's own helpers, so that a formatting
// fault in the program is not mirrored here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vmsim {

// Plain optionally signed decimal integer ("+5", "-12", "42"); nothing else.
bool ParseInteger(std::string_view text, int64_t& out);
// Decimal number with "." as separator and an optional exponent. Infinity,
// NaN, hexadecimal floats and group separators are refused.
bool ParseReal(std::string_view text, double& out);

// Shortest fixed-point text that reads back as the same double ("0.001",
// "5", "2000.00000000025"); never an exponent, never "-0".
std::string FormatReal(double value);

std::string ToUpper(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Removes leading and trailing characters of code 32 or below.
std::string_view Trim(std::string_view text);

// Reversible one-line rendering of arbitrary bytes: printable ASCII stays,
// a backslash becomes "\\", every other byte "\xHH".
std::string Escape(std::string_view bytes);
// Inverse of Escape; returns false for a malformed escape.
bool Unescape(std::string_view text, std::string& out);

}  // namespace vmsim
