// Stepping through a large capture log in the DAQ window's replay with the
// grid shown: 1,000,000 rows of all 64 sensors with time stamps, the
// sensors the example calibration has points for logged as values (each
// step turns them back into grey levels) and the others raw, written once
// with the log's own formatter and read as the Trend tab reads it. Each step
// is one "+1" click with the window's events between (its ticks go on) and a
// synchronous paint of the grid at 1200 x 900. Prints the frames per second
// at the start, the middle and the end of the log, against the target of at
// least 30 frames/s.
//   bench_replay_step [steps [rows [log]]]   a log named here is written when missing and kept
#include "CalibrationData.h"
#include "CaptureLog.h"
#include "CsvFormat.h"
#include "EmulatorControl.h"
#include "MainWindow.h"
#include "StartUp.h"
#include "TrendView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

void writeLog(const QString& path, int rows, const CalibrationData& calibration) {
    TriggerSettings settings;
    settings.sampleRate = 250;
    settings.preTriggerSamples = 100;
    settings.logSensor.fill(true);
    for (int index = 0; index < 64; ++index)
        settings.unit[index] =
            calibration.points(index % 8, index / 8).empty() ? QString() : QString::fromStdString(calibration.unit());
    settings.logTimestamp = true;
    const CsvFormat format(settings);
    CaptureLog log(path);
    log.append(format.headerLine(QStringLiteral("Forced trigger"), 1456837509120ULL) + format.columnLine(), 0);
    KivraTolm::InputFrame frame;
    frame.timestamp = 1456837509120ULL;
    constexpr int rowsPerBlock = 1000;
    for (int n = 0; n < rows; n += rowsPerBlock) {
        std::string block;
        const int count = std::min(rowsPerBlock, rows - n);
        for (int i = 0; i < count; ++i) {
            for (int s = 0; s < 64; ++s)
                frame.sensors[s / 8][s % 8] = 0.5f + 0.45f * static_cast<float>(std::sin((n + i) * 0.01 + s));
            frame.timestamp += 4;
            // The log holds what the capture writes: values where there are points.
            format.appendRow(block, calibration.calibrateFrame(frame));
        }
        log.append(block, count);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    applySavedTheme();
    KivraTolmEmulator::reset();
    const int steps = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
    const int rows = argc > 2 ? std::max(3 * steps, std::atoi(argv[2])) : 1000000;
    QTemporaryDir dir;
    const QString path = argc > 3 ? QString::fromLocal8Bit(argv[3]) : dir.filePath(QStringLiteral("replay.csv"));

    MainWindow window("usb", "-", KIVRA_SOURCE_DIR "/examples/demo.tolmcal3");
    window.resize(1200, 900);
    window.show();
    if (!QFile::exists(path)) {
        std::printf("writing %d rows to %s ...\n", rows, qPrintable(path));
        writeLog(path, rows, window.calibrationData());
    }

    TrendView* trend = window.trendView();
    trend->openLog(path);
    QElapsedTimer reading;
    reading.start();
    while (trend->isLoading() && reading.elapsed() < 300000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!trend->isReviewing()) {
        std::fprintf(stderr, "the log was not read\n");
        return 1;
    }
    trend->findChild<QAbstractButton*>(QStringLiteral("btnTrendReplay"))->click();
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    auto* slider = window.findChild<QSlider*>(QStringLiteral("sldReplayRow"));
    auto* forward = window.findChild<QAbstractButton*>(QStringLiteral("btnReplayFrameForward"));
    if (tabs->currentWidget()->objectName() != QLatin1String("tabGrid") || slider->maximum() + 1 != rows) {
        std::fprintf(stderr, "replay did not start on the grid over %d rows\n", rows);
        return 1;
    }

    std::printf("replay steps through %d rows with the grid shown at 1200 x 900, %d steps each:\n", rows, steps);
    for (const int start : {0, rows / 2, rows - steps - 1}) {
        slider->setValue(start);
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < steps; ++i) {
            forward->click();
            QApplication::processEvents();
        }
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        if (slider->value() != start + steps) {
            std::fprintf(stderr, "the replay is at row %d, not %d\n", slider->value(), start + steps);
            return 1;
        }
        std::printf("  from row %7d: %8.1f frames/s (%.3f ms a step)\n", start, steps / seconds,
                    seconds * 1000.0 / steps);
    }
    std::printf("  target: at least 30 frames/s\n");
    window.close();
    return 0;
}
