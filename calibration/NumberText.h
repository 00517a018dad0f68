#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Number text of the calibration file. Independent of every locale setting:
// files move between machines, and the programs' toolkit sets the C locale
// from the user's environment.

// Like a base-10 string-to-int conversion: leading white space, an optional
// sign, the digits up to the first non-digit. Empty without digits or when
// out of range.
std::optional<std::int32_t> parseInt32(const std::string& text);

// Like a string-to-double conversion in the C locale. Empty without a number
// or when out of range.
std::optional<double> parseDouble(const std::string& text);

// Plain decimal, "-" for negatives.
std::string formatInt32(std::int32_t value);

// The fixed-point form of "%f": six decimals, no exponent.
std::string formatFixed6(double value);

// Rounds to the nearest float; beyond the float range throws std::range_error
// with Boost's numeric_cast message, "bad numeric conversion: negative
// overflow" or "... positive overflow".
float narrowToFloat(double value);
