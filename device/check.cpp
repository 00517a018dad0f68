#include "check.h"

#include "LibraryText.h"
#include "kivratolm.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace KivraTolm {

void check(std::int32_t status) {
    if (status == 0)
        return;
    const std::int32_t length = std::max<std::int32_t>(KivraTolmGetErrorLength(status), 0);
    std::vector<char> message(static_cast<std::size_t>(length) + 1, '\0');
    KivraTolmGetError(status, message.data());
    throw std::runtime_error(textOf(message.data(), message.size()));
}

} // namespace KivraTolm
