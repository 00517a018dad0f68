#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace {

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

const char* skipSpace(const char* p, const char* end) {
    while (p != end && isCSpace(*p))
        ++p;
    return p;
}

// Skips leading white space and one sign, as the C conversions do; tells
// whether the sign was a minus.
const char* skipSpaceAndSign(const char* p, const char* end, bool& negative) {
    p = skipSpace(p, end);
    negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    return p;
}

// Unsigned magnitude of a hexadecimal floating number after "0x" ("1.8p3"),
// as the C conversion reads it.
std::optional<double> parseHexMagnitude(const char* p, const char* end) {
    if (p == end || !(isHexDigit(*p) || (*p == '.' && p + 1 != end && isHexDigit(p[1]))))
        return std::nullopt;
    double value = 0.0;
    const auto [next, error] = std::from_chars(p, end, value, std::chars_format::hex);
    if (error == std::errc::result_out_of_range)
        return std::nullopt;
    if (error != std::errc() || next == p)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::int32_t> parseInt32(const std::string& text) {
    const char* end = text.data() + text.size();
    bool negative = false;
    const char* p = skipSpaceAndSign(text.data(), end, negative);
    if (p == end || !isDigit(*p))
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [next, error] = std::from_chars(p, end, magnitude);
    (void)next;
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    if (error != std::errc() || magnitude > limit)
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(magnitude)
                                              : static_cast<std::int64_t>(magnitude));
}

std::optional<double> parseDouble(const std::string& text) {
    const char* end = text.data() + text.size();
    bool negative = false;
    const char* p = skipSpaceAndSign(text.data(), end, negative);
    if (p == end)
        return std::nullopt;

    std::optional<double> magnitude;
    if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        magnitude = parseHexMagnitude(p + 2, end);
        if (!magnitude)
            magnitude = 0.0; // "0x" without hex digits reads as the "0"
    } else {
        // from_chars takes no sign of its own here; the sign is applied below.
        if (*p == '-' || *p == '+')
            return std::nullopt;
        double value = 0.0;
        const auto [next, error] = std::from_chars(p, end, value, std::chars_format::general);
        if (error != std::errc() || next == p)
            return std::nullopt;
        magnitude = value;
    }
    return negative ? -*magnitude : *magnitude;
}

std::string formatInt32(std::int32_t value) {
    return std::to_string(value);
}

std::string formatFixed6(double value) {
    // Enough for the largest double in fixed notation.
    char buffer[std::numeric_limits<double>::max_exponent10 + 32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (error != std::errc())
        throw std::runtime_error("Number too long to format.");
    return std::string(buffer, end);
}

float narrowToFloat(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    if (value < -largest)
        throw std::range_error("bad numeric conversion: negative overflow");
    if (value > largest)
        throw std::range_error("bad numeric conversion: positive overflow");
    return static_cast<float>(value);
}
