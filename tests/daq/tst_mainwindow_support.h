// Helpers for the tests of the DAQ main window.
#pragma once

#include "EmulatorControl.h"
#include "MainWindow.h"
#include "ModalResponder.h"
#include "SelDialog.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <atomic>

template <typename T> T* child(QObject& parent, const char* name) {
    T* object = parent.findChild<T*>(QString::fromLatin1(name));
    if (!object)
        qFatal("no child %s", name);
    return object;
}

// Lets the window's refresh timer tick `count` more times.
inline bool waitForTicks(MainWindow& window, int count) {
    QSignalSpy ticks(window.findChild<QTimer*>("refreshTimer"), &QTimer::timeout);
    for (int waited = 0; ticks.count() < count && waited < 5000; waited += 10)
        QTest::qWait(10);
    return ticks.count() >= count;
}

inline QString statusOf(MainWindow& window) {
    const QList<QLabel*> labels = window.statusBar()->findChildren<QLabel*>();
    return labels.isEmpty() ? QString() : labels.first()->text();
}

inline bool showsPicture(QLabel* label, const QString& path) {
    return label->pixmap(Qt::ReturnByValue).toImage() == QPixmap(path).toImage();
}

// One emulated USB board whose frames the test writes: words[1] is the I/O
// port, words[2] the counter. Every sensor reads `sensor`, except the one of
// flat index `hotIndex` (row * 8 + column), which reads `hotValue`.
struct ScriptedBoard {
    std::atomic<std::uint32_t> port{0};
    std::atomic<std::uint32_t> counter{0};
    std::atomic<float> sensor{0.5f};
    std::atomic<int> hotIndex{-1};
    std::atomic<float> hotValue{0.0f};

    void install() {
        KivraTolmEmulator::reset();
        KivraTolmEmulator::BoardConfig board;
        board.counterPulsePeriodMs = 0;
        board.frameSource = [this](std::uint64_t, float* floats, std::uint32_t* words) {
            for (int i = 0; i < 4; ++i)
                floats[i] = 1.25f * static_cast<float>(i);
            for (int i = 0; i < 64; ++i)
                floats[4 + i] = (i == hotIndex.load() ? hotValue.load() : sensor.load()) * 2.5f;
            words[1] = port.load();
            words[2] = counter.load();
        };
        KivraTolmEmulator::setBoards({board});
    }
};
