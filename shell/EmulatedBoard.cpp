#include "EmulatedBoard.h"

#include "BoardInfo.h"

#include <QCoreApplication>

bool isBoardEmulated() {
    return KivraTolm::deviceLibraryIsEmulator();
}

QString emulatedBoardTitleSuffix() {
    return isBoardEmulated() ? QCoreApplication::translate("MainWindow", " \u2014 emulated board") : QString();
}
