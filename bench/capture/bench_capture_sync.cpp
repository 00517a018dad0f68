// What the once-a-second data sync of the log and the description cost the
// 20 ms tick: a capture of every column at 250 frames/s, fed five frames a
// tick in real time, once straight into the log (no sync, no description) and
// once through the capture session (sync and description about once a
// second), in the same run on the same disk. Prints the feed time per tick:
// median, 99th percentile and maximum.
//   bench_capture_sync [seconds per side, default 20] [folder, default: a temporary one]
#include "CalibrationData.h"
#include "CaptureSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

TriggerSettings everyColumn(const QString& fileName) {
    TriggerSettings s;
    s.sampleRate = 250;
    s.fileName = fileName;
    s.logSensor.fill(true);
    s.logTimestamp = true;
    s.logAnalog.fill(true);
    s.logDigital = true;
    s.logCounter = true;
    return s;
}

std::deque<KivraTolm::InputFrame> tickOfFrames(std::uint32_t& next) {
    std::deque<KivraTolm::InputFrame> frames;
    for (int i = 0; i < 5; ++i, ++next) {
        KivraTolm::InputFrame frame;
        frame.number = next;
        frame.timestamp = 1796640687720ULL + 4ULL * next;
        for (int s = 0; s < 64; ++s)
            frame.sensors[s / 8][s % 8] = 0.001f * static_cast<float>((next + s) % 1200);
        frame.analog = {1.25f, -0.5f, 3.3f, 0.0f};
        frame.counter = next;
        frames.push_back(frame);
    }
    return frames;
}

// Feeds one tick of frames every 20 ms for `seconds` and returns the time of
// each feed in ms.
std::vector<double> run(int seconds, const std::function<void(std::deque<KivraTolm::InputFrame>&)>& feed) {
    std::vector<double> times;
    std::uint32_t next = 0;
    QElapsedTimer clock;
    clock.start();
    for (qint64 tick = 0; tick < seconds * 50LL; ++tick) {
        const qint64 due = tick * 20;
        if (clock.elapsed() < due)
            QThread::msleep(static_cast<unsigned long>(due - clock.elapsed()));
        std::deque<KivraTolm::InputFrame> frames = tickOfFrames(next);
        QElapsedTimer one;
        one.start();
        feed(frames);
        times.push_back(static_cast<double>(one.nsecsElapsed()) / 1e6);
    }
    return times;
}

void print(const char* name, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        return times[static_cast<std::size_t>(q * static_cast<double>(times.size() - 1))];
    };
    std::printf("%-34s ticks %5zu  median %6.3f ms  p99 %6.3f ms  max %7.3f ms\n", name, times.size(), at(0.5),
                at(0.99), times.back());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    const CalibrationData calibration;

    Trigger plain(everyColumn(folder + QStringLiteral("/plain.csv")), calibration, 0);
    plain.force();
    const std::vector<double> plainTimes = run(seconds, [&](auto& frames) { plain.process(frames); });

    CaptureSession session(everyColumn(folder + QStringLiteral("/synced.csv")), calibration, 0);
    CaptureContext context;
    context.board = {"usb", "-", "KT-BENCH", "bench", true};
    session.describeIn(context);
    session.force();
    const std::vector<double> syncedTimes = run(seconds, [&](auto& frames) { session.feed(frames); });
    session.stop();
    session.finish();

    std::printf("capture at 250 frames/s, every column, in %s\n", qPrintable(folder));
    print("log only (no sync, no description)", plainTimes);
    print("session (sync + description / s)", syncedTimes);
    return plain.rowsPending() == 0 && session.rowsPending() == 0 ? 0 : 1;
}
