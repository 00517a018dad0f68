#include "EmulatedBoard.h"

#include <QCoreApplication>

bool isBoardEmulated() {
    return KIVRA_EMULATED_BOARD != 0;
}

QString emulatedBoardTitleSuffix() {
    return isBoardEmulated() ? QCoreApplication::translate("MainWindow", " \u2014 emulated board") : QString();
}
