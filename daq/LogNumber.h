#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>

// The numbers of a capture log's fields.
namespace LogNumber {

// Reads the number at `begin` up to `end` like std::from_chars, but first
// tries the log's own form, "-"? 1..8 digits "." 8 digits, followed by ';':
// most fields of a log take this path, about three times faster.
//
// Exactly rounded all the same: the decimal is m / 10^8 with m below 2^53,
// so the quotient in double is correctly rounded, and below 2^26 no such
// decimal lies close enough to a midpoint between two floats for the second
// rounding (double to float) to differ from rounding the decimal directly.
inline std::from_chars_result parseFloat(const char* begin, const char* end, float& value) {
    const char* p = begin;
    const bool negative = p != end && *p == '-';
    p += negative ? 1 : 0;
    const char* const digits = p;
    std::uint32_t integer = 0;
    while (p != end && static_cast<unsigned>(*p - '0') < 10 && p - digits < 8) {
        integer = integer * 10 + static_cast<std::uint32_t>(*p - '0');
        ++p;
    }
    if (p != digits && end - p >= 10 && *p == '.' && p[9] == ';' && integer < (1u << 26)) {
        std::uint64_t eight = 0;
        std::memcpy(&eight, p + 1, 8);
        // Eight ASCII digits, the first in the lowest byte (x86 and ARM are
        // little-endian), combined pairwise.
        const bool allDigits = ((eight & 0xF0F0F0F0F0F0F0F0ULL) |
                                (((eight + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4)) ==
                               0x3333333333333333ULL;
        if (allDigits) {
            eight -= 0x3030303030303030ULL;
            eight = eight * 10 + (eight >> 8);
            eight = (((eight & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
                     (((eight >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
                    32;
            const std::uint64_t scaled = std::uint64_t{integer} * 100000000ULL + static_cast<std::uint32_t>(eight);
            const auto magnitude = static_cast<float>(static_cast<double>(scaled) / 1e8);
            value = negative ? -magnitude : magnitude;
            return {p + 9, std::errc()};
        }
    }
    return std::from_chars(begin, end, value);
}

} // namespace LogNumber
