#pragma once
// Locale-free number <-> text conversions. Every number the program writes to
// the instrument, to a file or to the screen goes through these, so the
// decimal separator is always "." and nothing is grouped, whatever the user's
// locale says.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vm {

// Fixed notation with exactly `decimals` digits after ".", rounded half to even
// on the exact binary value, a leading "-" for negatives ("-0.00" is written "0.00").
std::string FormatFixed(double v, int decimals);

// Whole text must be a number: optional sign, digits, optional "." fraction,
// optional exponent. No spaces, no grouping. nullopt otherwise.
std::optional<double> ParseDouble(std::string_view s);

// Decimal integer with optional sign; a leading "$" marks hexadecimal.
// nullopt when not a number or out of range of the type.
std::optional<int32_t> ParseInt32(std::string_view s);
std::optional<int64_t> ParseInt64(std::string_view s);

// Removes characters of code 32 or below at the end / at both ends.
std::string TrimRightControl(std::string_view s);
std::string TrimControl(std::string_view s);

}  // namespace vm
