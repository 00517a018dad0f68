// Control interface of the board emulator, for tests and tools. It is not
// part of the device library's C functions: the programs never call it.
//
// Everything here is thread-safe and may be called while a worker thread
// uses the C functions.
#pragma once

#include "BoardConfig.h"
#include "BoardState.h"
#include "Fault.h"

#include <string>
#include <vector>

namespace KivraTolmEmulator {

// Back to the start-up state: the boards of the file named by the environment
// variable KIVRATOLM_EMULATOR, or one default board; no faults, no calls
// recorded, every handle closed.
void reset();

// Replaces the boards on USB (every open handle is closed).
void setBoards(const std::vector<BoardConfig>& boards);

// With manualClock: `count` more frames arrive on the board (when its stream
// runs).
void pushFrames(int board, int count);

void injectFault(const Fault& fault);
void clearFaults();

// The calls received since the last reset()/clearCalls(), oldest first, as
// text: the name without "KivraTolm", then the arguments without the handle,
// ids and masks in upper-case hex, e.g.
//   "Open(KT-EMU-0001)", "GetDeviceParameter(6)", "SetDigitalPortOutputEnableMask(0x7D401001, 0x0)",
//   "WriteDigitalPort(0x7D401001, 0x0)", "SetCounterConfig(0x7D401500, 0x7D401A00)",
//   "SetCounterEnable(0x7D401500, 1)", "ResetCounter(0x7D401500)", "SetColumnSensitivity(3, 31)",
//   "SetupInputFrame(70)", "StartDataAcquisition(0, 50, -1)", "StopDataAcquisition()", "Close()".
// ReadNonBlocking, GetErrorLength and GetError are not recorded.
std::vector<std::string> calls();
void clearCalls();

BoardState boardState(int board);

} // namespace KivraTolmEmulator
