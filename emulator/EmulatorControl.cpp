// The control interface, exported beside the C functions.
#include "EmulatorControl.h"

#include "Emulator.h"

#define KIVRATOLM_EMULATOR_EXPORT __attribute__((visibility("default")))

namespace KivraTolmEmulator {

KIVRATOLM_EMULATOR_EXPORT void reset() {
    Emulator::instance().reset();
}

KIVRATOLM_EMULATOR_EXPORT void setBoards(const std::vector<BoardConfig>& boards) {
    Emulator::instance().setBoards(boards);
}

KIVRATOLM_EMULATOR_EXPORT void pushFrames(int board, int count) {
    Emulator::instance().pushFrames(board, count);
}

KIVRATOLM_EMULATOR_EXPORT void injectFault(const Fault& fault) {
    Emulator::instance().injectFault(fault);
}

KIVRATOLM_EMULATOR_EXPORT void clearFaults() {
    Emulator::instance().clearFaults();
}

KIVRATOLM_EMULATOR_EXPORT std::vector<std::string> calls() {
    return Emulator::instance().calls();
}

KIVRATOLM_EMULATOR_EXPORT void clearCalls() {
    Emulator::instance().clearCalls();
}

KIVRATOLM_EMULATOR_EXPORT BoardState boardState(int board) {
    return Emulator::instance().boardState(board);
}

} // namespace KivraTolmEmulator
