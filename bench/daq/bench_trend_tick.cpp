// Time of one refresh tick of the DAQ window at 1200 x 900 with the Trend tab
// shown: 8 sensor traces and the 4 analog inputs over a 1 min span full of
// history, 250 frames/s. The grid tab's tick is measured in the same run for
// comparison. Medians and 95th percentiles at pixel ratios 1 and 2 (each in a
// child process, alternating over the rounds):
//   bench_trend_tick [ticks [rounds]]      default 300 ticks, 2 rounds
#include "EmulatorControl.h"
#include "MainWindow.h"
#include "PixelRatioRuns.h"
#include "StartUp.h"
#include "TrendView.h"
#include "WindowTicks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

// The minute before now at 250 frames/s, so that the span is full from the
// first measured tick: a slow sine per sensor, ramps on the inputs.
void fillHistory(MainWindow& window) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::deque<KivraTolm::InputFrame> frames;
    for (int i = 0; i < 15000; ++i) {
        KivraTolm::InputFrame frame;
        frame.timestamp = static_cast<std::uint64_t>(now - 60000 + i * 4);
        frame.counter = static_cast<std::uint64_t>(i / 250);
        for (int index = 0; index < 64; ++index)
            frame.sensors[index / 8][index % 8] = 0.5f + 0.4f * static_cast<float>(std::sin(i * 0.002 + index));
        for (int input = 0; input < 4; ++input)
            frame.analog[input] = static_cast<float>((i + input * 1000) % 5000) / 1000.0f;
        frames.push_back(frame);
    }
    window.trendView()->addFrames(frames, window.calibrationData());
}

int measureAtRatio(int ratio, int& argc, char** argv) {
    PixelRatioRuns::prepareChild(ratio);
    QApplication application(argc, argv);
    applySavedTheme();
    KivraTolmEmulator::reset();

    MainWindow window("usb", "-", KIVRA_SOURCE_DIR "/examples/demo.tolmcal3");
    window.resize(1200, 900);
    window.show();
    if (std::lround(window.devicePixelRatioF()) != ratio) {
        std::fprintf(stderr, "the window has a pixel ratio of %g, not %d\n", window.devicePixelRatioF(), ratio);
        return 1;
    }
    window.findChild<QTimer*>("refreshTimer")->stop();
    window.findChild<QSpinBox*>("spnRate")->setValue(250);

    TrendView* trend = window.trendView();
    // The diagonal sensors are ticked at start; the four inputs join them.
    for (const char* name : {"btnTrendAIn0", "btnTrendAIn1", "btnTrendAIn2", "btnTrendAIn3"})
        trend->findChild<QAbstractButton*>(name)->setChecked(true);
    trend->findChild<QComboBox*>("cmbTrendSpan")->setCurrentIndex(1); // 1 min
    if (trend->trendChart()->currentTraces().size() != 12) {
        std::fprintf(stderr, "%zu traces, not 12\n", trend->trendChart()->currentTraces().size());
        return 1;
    }
    fillHistory(window);

    auto* tabs = window.findChild<QTabWidget*>("tabWidget");
    const int ticks = argc > 1 ? std::max(20, std::atoi(argv[1])) : 300;
    tabs->setCurrentWidget(trend);
    measureTicks(window, 20); // warm-up
    const TickFigures trendTab = measureTicks(window, ticks);
    tabs->setCurrentIndex(1);
    measureTicks(window, 20);
    const TickFigures grid = measureTicks(window, ticks);
    PixelRatioRuns::printResult(QStringLiteral("trend"), {trendTab.medianMs, trendTab.p95Ms});
    PixelRatioRuns::printResult(QStringLiteral("grid"), {grid.medianMs, grid.p95Ms});
    PixelRatioRuns::printResult(QStringLiteral("kept"), {static_cast<double>(trend->history().size())});
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

    std::printf("DAQ window tick at 1200 x 900 (logical pixels), 250 frames/s, Trend tab with 8 sensor traces and\n"
                "the 4 inputs over a full 1 min span; the grid tab in the same run; %d ticks per tab, ratio and\n"
                "round; medians over %d rounds, ratios 1 and 2 alternating\n",
                ticks, rounds);
    std::printf("  %-15s %-30s %-30s\n", "", "ratio 1 (1200 x 900 pixels)", "ratio 2 (2400 x 1800 pixels)");
    for (const auto& [key, name] : {std::pair<const char*, const char*>{"trend", "trend tab:"},
                                    std::pair<const char*, const char*>{"grid", "grid tab:"}}) {
        const QString one =
            QString::asprintf("median %.3f, p95 %.3f ms", results.median(1, key, 0), results.median(1, key, 1));
        const QString two =
            QString::asprintf("median %.3f, p95 %.3f ms", results.median(2, key, 0), results.median(2, key, 1));
        std::printf("  %-15s %-30s %-30s\n", name, qPrintable(one), qPrintable(two));
    }
    std::printf("  frames kept at the end: %.0f\n", results.median(1, "kept", 0));
    std::printf("  target: trend tab at ratio 1, median at most 2.5 ms\n");
    return 0;
}
