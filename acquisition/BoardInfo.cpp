#include "BoardInfo.h"

namespace KivraTolm {

bool deviceLibraryIsEmulator() {
    return KIVRA_EMULATED_BOARD != 0;
}

} // namespace KivraTolm
