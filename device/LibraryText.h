#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string>

#include "kivratolm.h"

namespace KivraTolm {

// A zeroed buffer of the size the library writes its texts into.
using TextBuffer = std::array<char, KIVRATOLM_TEXT_SIZE>;

// The text of a library buffer up to its NUL, never reading past its end.
inline std::string textOf(const char* buffer, std::size_t size) {
    return std::string(buffer, strnlen(buffer, size));
}

inline std::string textOf(const TextBuffer& buffer) {
    return textOf(buffer.data(), buffer.size());
}

} // namespace KivraTolm
