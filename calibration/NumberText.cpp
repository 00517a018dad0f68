#include "NumberText.h"

#include <boost/numeric/conversion/cast.hpp>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <stdexcept>
#include <system_error>

namespace {

// The C locale for the C library's conversions, whatever the process's
// locale is.
locale_t cLocale() {
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", locale_t{});
    return locale;
}

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Unsigned magnitude of a hexadecimal floating number after "0x" ("1.8p3"),
// as the C conversion reads it.
std::optional<double> parseHexMagnitude(const char* p, const char* end) {
    if (p == end || !(isHexDigit(*p) || (*p == '.' && p + 1 != end && isHexDigit(p[1]))))
        return std::nullopt;
    double value = 0.0;
    const auto [next, error] = std::from_chars(p, end, value, std::chars_format::hex);
    if (error != std::errc() || next == p)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::int32_t> parseInt32(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long value = ::strtol_l(text.c_str(), &end, 10, cLocale());
    if (end == text.c_str() || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// By hand rather than strtod_l, which differs in two corners and would change
// what such files load: it reports a range error for an inexact result below
// the normal double range ("1e-310"), where this gives the denormal value,
// and for a hexadecimal number beyond the double range ("0x1p1024"), which
// reads as 0 here.
std::optional<double> parseDouble(const std::string& text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && isCSpace(*p))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
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
    char buffer[std::numeric_limits<std::int32_t>::digits10 + 3];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error; // the buffer holds every int32
    return std::string(buffer, end);
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
    try {
        return boost::numeric_cast<float>(value);
    } catch (const boost::numeric::bad_numeric_cast& error) {
        // Boost's message, as a runtime error like every other load failure.
        throw std::range_error(error.what());
    }
}
