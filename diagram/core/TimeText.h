#pragma once
// Times in engineering units (ns, µs, ms, s) for the diagram's labels, axis
// and problem list. Locale-free like every other number the program shows.
// The unit is the largest in which the printed value is at least 1, so
// 999.9999 ns printed with three decimals reads "1.000 µs", not "1000.000 ns".
#include <optional>
#include <string>
#include <string_view>

namespace vm {

// The value with the digits a control shows: `decimalsInSeconds` digits after
// the point in seconds become that many less three per step of the unit
// (a 12-decimal delay of 20 ns reads "20.000 ns").
std::string FormatTimeDigits(double seconds, int decimalsInSeconds);

// Short form for sentences and the axis: at most three decimals in the unit,
// trailing zeros dropped ("120 ns", "0.25 ns", "1.5 µs").
std::string FormatTimeShort(double seconds);

// A time the user typed: a number in seconds, as the spin edits take it
// ("0.0000001"), or a number with its unit ("100 ns", "1.5 us", "1.5 µs",
// "2 ms", "250 ps", "1 s"). Blanks and group separators (",") are ignored.
// nullopt for anything else, an empty text included.
std::optional<double> ParseTimeText(std::string_view text);

}  // namespace vm
