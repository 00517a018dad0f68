#pragma once

#include <QString>

// Whether the programs are linked with the board emulator instead of the
// maker's device library, so that no one mistakes emulated values for
// measurements.
bool isBoardEmulated();

// What the window titles show after the product name: " — emulated board"
// with the emulator, nothing with a real board.
QString emulatedBoardTitleSuffix();
