// Time of one refresh tick of the DAQ window at 1200 x 900: frame conversion,
// the 8 bar graphs or the grid, the labels, and a running capture that logs
// every column. Prints the median and the 95th percentile per shown tab.
#include "EmulatorControl.h"
#include "MainWindow.h"
#include "StartUp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

struct Figures {
    double medianMs = 0;
    double p95Ms = 0;
    double framesPerTick = 0;
};

Figures measure(MainWindow& window, int ticks) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(ticks));
    for (int i = 0; i < ticks; ++i) {
        // The frames of one display period arrive meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        window.onTimer();
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    Figures figures;
    figures.medianMs = times[times.size() / 2];
    figures.p95Ms = times[times.size() * 95 / 100];
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // As the program starts: the views take their label font from the theme.
    applySavedTheme();
    KivraTolmEmulator::reset();

    QTemporaryDir dir;
    MainWindow window("usb", "-", KIVRA_SOURCE_DIR "/examples/demo.tolmcal3");
    window.resize(1200, 900);
    window.show();
    // The benchmark drives the ticks itself.
    window.findChild<QTimer*>("refreshTimer")->stop();
    window.findChild<QSpinBox*>("spnRate")->setValue(250);

    // A capture that writes every column: all 64 sensors (the example
    // calibration enables them all) and every optional column.
    const QString log = dir.filePath("bench.csv");
    window.findChild<QLineEdit*>("txtFile")->setText(log);
    for (const char* name : {"btnLogCapSampleTimer", "btnLogAnalog0", "btnLogAnalog1", "btnLogAnalog2", "btnLogAnalog3",
                             "btnLogDigital", "btnLogHardwareCounter"})
        window.findChild<QPushButton*>(name)->click();
    window.findChild<QPushButton*>("btnArmTrigger")->click();
    window.findChild<QPushButton*>("btnForceTrigger")->click();

    auto* tabs = window.findChild<QTabWidget*>("tabWidget");
    const int ticks = argc > 1 ? std::max(20, std::atoi(argv[1])) : 300;
    tabs->setCurrentIndex(0);
    measure(window, 20); // warm-up: fonts, caches, the file
    const Figures bars = measure(window, ticks);
    tabs->setCurrentIndex(1);
    measure(window, 20);
    const Figures grid = measure(window, ticks);

    std::printf("DAQ window tick at 1200 x 900, 250 frames/s, capture logging every column, %d ticks each\n", ticks);
    std::printf("  bar graph tab shown: median %.3f ms, 95th percentile %.3f ms\n", bars.medianMs, bars.p95Ms);
    std::printf("  grid tab shown:      median %.3f ms, 95th percentile %.3f ms\n", grid.medianMs, grid.p95Ms);
    std::printf("  target: median under 2.5 ms each\n");

    window.findChild<QPushButton*>("btnArmTrigger")->click();
    window.onTimer();
    window.close();
    return 0;
}
