#include "TextBuffer.h"

#include <cstring>

namespace KivraTolmEmulator {

std::string fitText(const std::string& text, std::size_t maxLength) {
    if (text.size() <= maxLength)
        return text;
    std::size_t length = maxLength;
    // Back off over continuation bytes so a cut never leaves half a character.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    return text.substr(0, length);
}

void copyText(char* buffer, const std::string& text) {
    if (!buffer)
        return;
    const std::string fitted = fitText(text);
    std::memcpy(buffer, fitted.data(), fitted.size());
    buffer[fitted.size()] = '\0';
}

} // namespace KivraTolmEmulator
