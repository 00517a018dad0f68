// Time of one refresh tick of the DAQ window at 1200 x 900: frame conversion,
// the 8 bar graphs or the grid, the labels, and a running capture that logs
// every column. Prints the median and the 95th percentile per shown tab, at
// pixel ratios 1 and 2 side by side (each measured in a child process, in
// alternating order over the rounds):
//   bench_mainwindow_tick [ticks [rounds]]      default 300 ticks, 2 rounds
#include "EmulatorControl.h"
#include "MainWindow.h"
#include "PixelRatioRuns.h"
#include "StartUp.h"
#include "WindowTicks.h"

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
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

// One child: the window at `ratio`, each tab measured.
int measureAtRatio(int ratio, int& argc, char** argv) {
    PixelRatioRuns::prepareChild(ratio);
    QApplication application(argc, argv);
    // As the program starts: the views take their label font from the theme.
    applySavedTheme();
    KivraTolmEmulator::reset();

    QTemporaryDir dir;
    MainWindow window("usb", "-", KIVRA_SOURCE_DIR "/examples/demo.tolmcal3");
    window.resize(1200, 900);
    window.show();
    if (std::lround(window.devicePixelRatioF()) != ratio) {
        std::fprintf(stderr, "the window has a pixel ratio of %g, not %d\n", window.devicePixelRatioF(), ratio);
        return 1;
    }
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
    measureTicks(window, 20); // warm-up: fonts, caches, the file
    const TickFigures bars = measureTicks(window, ticks);
    tabs->setCurrentIndex(1);
    measureTicks(window, 20);
    const TickFigures grid = measureTicks(window, ticks);
    PixelRatioRuns::printResult(QStringLiteral("bars"), {bars.medianMs, bars.p95Ms});
    PixelRatioRuns::printResult(QStringLiteral("grid"), {grid.medianMs, grid.p95Ms});

    window.findChild<QPushButton*>("btnArmTrigger")->click();
    window.onTimer();
    window.close();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (const int ratio = PixelRatioRuns::childRatio(argc, argv))
        return measureAtRatio(ratio, argc, argv);

    QCoreApplication application(argc, argv);
    const int ticks = argc > 1 ? std::max(20, std::atoi(argv[1])) : 300;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
    const PixelRatioRuns::Results results =
        PixelRatioRuns::run(QCoreApplication::applicationFilePath(), {QString::number(ticks)}, rounds);

    std::printf("DAQ window tick at 1200 x 900 (logical pixels), 250 frames/s, capture logging every column,\n"
                "%d ticks per tab, ratio and round; medians over %d rounds, ratios 1 and 2 alternating\n",
                ticks, rounds);
    std::printf("  %-15s %-30s %-30s %s\n", "", "ratio 1 (1200 x 900 pixels)", "ratio 2 (2400 x 1800 pixels)",
                "ratio 2 / 1");
    for (const auto& [key, name] : {std::pair<const char*, const char*>{"bars", "bar graph tab:"},
                                    std::pair<const char*, const char*>{"grid", "grid tab:"}}) {
        const double median1 = results.median(1, key, 0);
        const double median2 = results.median(2, key, 0);
        const QString one = QString::asprintf("median %.3f, p95 %.3f ms", median1, results.median(1, key, 1));
        const QString two = QString::asprintf("median %.3f, p95 %.3f ms", median2, results.median(2, key, 1));
        std::printf("  %-15s %-30s %-30s %.2f\n", name, qPrintable(one), qPrintable(two), median2 / median1);
    }
    std::printf("  targets: ratio 1 median under 2.5 ms; ratio 2 median at most 3.5 ms and at most twice\n"
                "  ratio 1, its 95th percentile under 8 ms\n");
    return 0;
}
