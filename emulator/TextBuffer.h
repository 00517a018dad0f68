// Texts handed to callers of the C functions.
#pragma once

#include <cstddef>
#include <string>

namespace KivraTolmEmulator {

// The longest text, NUL excluded, that fits a caller's buffer.
constexpr std::size_t maxTextLength = 1023;

// Cuts text to at most maxLength bytes without splitting a UTF-8 sequence.
std::string fitText(const std::string& text, std::size_t maxLength = maxTextLength);

// Writes fitText(text) and a NUL into buffer; a null buffer is left alone.
void copyText(char* buffer, const std::string& text);

} // namespace KivraTolmEmulator
