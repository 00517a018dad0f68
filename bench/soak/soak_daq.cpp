// Soak run of the DAQ program: the real main window, shown on the offscreen
// platform, acquires from the emulated board at 250 frames/s while a forced
// capture logs every frame with all columns, for a given time. At the end the
// log is checked frame by frame against the board's own frame numbers, and
// the process's memory and CPU figures are printed.
//
//   soak_daq [seconds [log file]]      default 1800 s, soak.csv in the current folder
//
// Exit code 0 when no frame was lost or doubled, no error showed up and
// resident memory grew less than 1 MiB after the first minute.
#include "CaptureLogCheck.h"
#include "EmulatorControl.h"
#include "MainWindow.h"
#include "ProcessUsage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>

namespace {

constexpr int rate = 250;
constexpr std::uint64_t periodMs = 1000 / rate;
constexpr long allowedGrowthKiB = 1024;
constexpr double warmUpSeconds = 60;

// The board's frame number goes into the counter word, so that the log shows
// which board frame every row came from. The sensors show a pressure spot
// circling the array, so that every tick repaints.
void installSoakBoard() {
    KivraTolmEmulator::reset();
    KivraTolmEmulator::BoardConfig board;
    board.counterPulsePeriodMs = 0;
    board.frameSource = [](std::uint64_t frame, float* floats, std::uint32_t* words) {
        const double phase = static_cast<double>(frame % 5000) / 5000.0 * 2.0 * M_PI;
        const double spotX = 3.5 + 3.0 * std::cos(phase);
        const double spotY = 3.5 + 3.0 * std::sin(phase);
        for (int i = 0; i < 4; ++i)
            floats[i] = static_cast<float>(2.5 + 2.0 * std::sin(phase + i));
        for (int index = 0; index < 64; ++index) {
            const double dx = index % 8 - spotX;
            const double dy = index / 8 - spotY;
            floats[4 + index] = static_cast<float>(2.5 / (1.0 + 0.5 * (dx * dx + dy * dy)));
        }
        words[1] = static_cast<std::uint32_t>(frame / rate) & 0xFu;
        words[2] = static_cast<std::uint32_t>(frame);
    };
    KivraTolmEmulator::setBoards({board});
}

template <typename T> T* child(QObject& parent, const char* name) {
    T* object = parent.findChild<T*>(QString::fromLatin1(name));
    if (!object) {
        std::fprintf(stderr, "soak: the window has no %s\n", name);
        std::exit(2);
    }
    return object;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

QString statusOf(MainWindow& window) {
    const QList<QLabel*> labels = window.statusBar()->findChildren<QLabel*>();
    return labels.isEmpty() ? QString() : labels.first()->text();
}

// Whatever the window shows that it would not show in a healthy run: a
// message box (closed after noting it) or a write problem in the status.
class ErrorWatch {
public:
    void check(MainWindow& window) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible()) {
                note(box->windowTitle() + ": " + box->text());
                box->reject();
            }
        }
        const QString status = statusOf(window);
        if (status.contains(" - Can't write "))
            note(status);
    }
    void note(const QString& error) {
        if (seen.insert(error).second)
            std::printf("error: %s\n", qPrintable(error));
    }
    bool any() const { return !seen.empty(); }
    std::size_t count() const { return seen.size(); }

private:
    std::set<QString> seen;
};

struct MemoryRecord {
    long afterWarmUpKiB = 0;
    long peakAfterWarmUpKiB = 0;
    long peakKiB = 0;
    long finalKiB = 0;
    double cpuAtWarmUp = 0;
    double wallAtWarmUp = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int seconds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1800;
    const QString logFile = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("soak.csv");
    QFile::remove(logFile); // no overwrite question

    installSoakBoard();
    ErrorWatch errors;
    MainWindow window("usb", "-", KIVRA_SOURCE_DIR "/examples/demo.tolmcal3");
    window.resize(1200, 900);
    window.show();

    child<QRadioButton>(window, "rdoSampleRate")->click();
    child<QSpinBox>(window, "spnRate")->setValue(rate);
    // Every column: all 64 sensors (the example calibration enables them),
    // the timestamp, the analog inputs, the digital lines and the counter.
    for (const char* name : {"btnLogCapSampleTimer", "btnLogAnalog0", "btnLogAnalog1", "btnLogAnalog2", "btnLogAnalog3",
                             "btnLogDigital", "btnLogHardwareCounter"}) {
        auto* button = child<QPushButton>(window, name);
        if (!button->isChecked())
            button->click();
    }
    child<QRadioButton>(window, "rdoCapFrames")->click();
    auto* length = child<QSpinBox>(window, "spnCapSamples");
    length->setValue(length->maximum());
    child<QLineEdit>(window, "txtFile")->setText(logFile);

    // Let the restart at the new rate settle before the capture starts.
    if (!waitFor(
            [&] { return KivraTolmEmulator::boardState(0).running && KivraTolmEmulator::boardState(0).rate == rate; },
            5000))
        errors.note("the board never ran at 250 frames/s");
    auto* arm = child<QPushButton>(window, "btnArmTrigger");
    arm->click();
    if (!waitFor([&] { return statusOf(window).endsWith(" - Armed"); }, 5000))
        errors.note("not armed: " + statusOf(window));
    child<QPushButton>(window, "btnForceTrigger")->click();
    if (!waitFor([&] { return statusOf(window).contains(" - Captured: "); }, 5000))
        errors.note("no capture: " + statusOf(window));

    std::printf("soak: %d s at %d frames/s, logging to %s\n", seconds, rate, qPrintable(logFile));
    std::fflush(stdout);
    MemoryRecord memory;
    QElapsedTimer wall;
    wall.start();
    const ProcessUsage start = ProcessUsage::current();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        errors.check(window);
        const ProcessUsage now = ProcessUsage::current();
        const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
        memory.peakKiB = std::max(memory.peakKiB, now.peakResidentKiB);
        if (elapsed >= warmUpSeconds) {
            if (memory.afterWarmUpKiB == 0) {
                memory.afterWarmUpKiB = now.residentKiB;
                memory.cpuAtWarmUp = now.cpuSeconds;
                memory.wallAtWarmUp = elapsed;
            }
            memory.peakAfterWarmUpKiB = std::max(memory.peakAfterWarmUpKiB, now.residentKiB);
        }
        const int whole = static_cast<int>(elapsed + 0.5);
        if (whole % 60 == 0)
            std::printf("t=%5d s  rss %ld KiB  cpu %.1f %%  status \"%s\"\n", whole, now.residentKiB,
                        100.0 * (now.cpuSeconds - start.cpuSeconds) / elapsed, qPrintable(statusOf(window)));
        std::fflush(stdout);
    });
    sampler.start(1000);
    QEventLoop run;
    QTimer::singleShot(seconds * 1000, &run, &QEventLoop::quit);
    run.exec();
    sampler.stop();

    const ProcessUsage end = ProcessUsage::current();
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    memory.finalKiB = end.residentKiB;
    memory.peakKiB = std::max(memory.peakKiB, end.peakResidentKiB);
    const std::uint64_t producedAtStop = KivraTolmEmulator::boardState(0).framesProduced;
    arm->click();
    if (!waitFor([&] { return statusOf(window).endsWith(" - Idle"); }, 5000))
        errors.note("capture did not stop: " + statusOf(window));
    errors.check(window);
    window.close();

    const CaptureLogCheck log = CaptureLogCheck::read(logFile.toStdString(), periodMs);
    if (!log.error.empty())
        errors.note(QString::fromStdString(log.error));
    // Frames the board produced from the trigger frame to the stop; those past
    // the last row were still on their way (board buffer, engine queue, tick).
    const std::uint64_t produced = producedAtStop > log.firstFrame ? producedAtStop - log.firstFrame : 0;
    const std::uint64_t inFlight =
        log.rows > 0 && producedAtStop > log.lastFrame ? producedAtStop - log.lastFrame - 1 : 0;
    const long growthKiB = memory.afterWarmUpKiB > 0 ? memory.finalKiB - memory.afterWarmUpKiB : 0;
    const long peakGrowthKiB = memory.afterWarmUpKiB > 0 ? memory.peakAfterWarmUpKiB - memory.afterWarmUpKiB : 0;
    const double cpuAfterWarmUp = elapsed > memory.wallAtWarmUp && memory.afterWarmUpKiB > 0
                                      ? 100.0 * (end.cpuSeconds - memory.cpuAtWarmUp) / (elapsed - memory.wallAtWarmUp)
                                      : 0.0;

    std::printf("\nsoak result after %.0f s\n", elapsed);
    std::printf("  board frames from the trigger to the stop: %llu\n", static_cast<unsigned long long>(produced));
    std::printf("  rows written: %llu (board frames %llu..%llu), still in flight at the stop: %llu\n",
                static_cast<unsigned long long>(log.rows), static_cast<unsigned long long>(log.firstFrame),
                static_cast<unsigned long long>(log.lastFrame), static_cast<unsigned long long>(inFlight));
    std::printf("  lost frames: %llu, doubled rows: %llu, timestamp steps other than %llu ms: %llu, malformed rows: "
                "%llu\n",
                static_cast<unsigned long long>(log.lostFrames), static_cast<unsigned long long>(log.doubledRows),
                static_cast<unsigned long long>(periodMs), static_cast<unsigned long long>(log.timestampSteps),
                static_cast<unsigned long long>(log.malformedRows));
    std::printf("  resident memory: peak %ld KiB, after the first minute %ld KiB, peak after it %ld KiB, final %ld "
                "KiB, growth after the first minute %+ld KiB (peak %+ld KiB)\n",
                memory.peakKiB, memory.afterWarmUpKiB, memory.peakAfterWarmUpKiB, memory.finalKiB, growthKiB,
                peakGrowthKiB);
    std::printf("  CPU share of one core: %.1f %% over the run, %.1f %% after the first minute\n",
                100.0 * (end.cpuSeconds - start.cpuSeconds) / elapsed, cpuAfterWarmUp);
    std::printf("  errors: %zu\n", errors.count());

    const bool memoryFlat = memory.afterWarmUpKiB == 0 || growthKiB < allowedGrowthKiB;
    const bool passed = log.clean() && !errors.any() && memoryFlat;
    std::printf("%s\n", passed ? "PASS" : "FAIL");
    return passed ? 0 : 1;
}
