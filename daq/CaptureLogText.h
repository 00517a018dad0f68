#pragma once

#include <QCoreApplication>

// The capture log reader's messages, in one translation context wherever
// they are made.
class CaptureLogText {
    Q_DECLARE_TR_FUNCTIONS(CaptureLogReader)
};
