#pragma once

#include <cstdint>

namespace KivraTolm {

// Turns a non-zero library status into std::runtime_error carrying the
// library's own message.
void check(std::int32_t status);

} // namespace KivraTolm
