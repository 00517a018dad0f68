#include "Capture.h"
#include "EmulatorControl.h"

#include <QtTest>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

using namespace KivraTolm;
namespace Emulator = KivraTolmEmulator;

Q_DECLARE_METATYPE(std::string)

namespace {

constexpr int timeout = 5000;
constexpr std::size_t portWord = 1; // words: 2 digital ports, then the counter
constexpr std::size_t counterWord = 2;

// Frame f shows sensor i as f * 100 + i, analog input a as f + a / 4, the
// I/O port as f % 16 and the counter as 3 f.
Emulator::BoardConfig numberedBoard() {
    Emulator::BoardConfig board;
    board.manualClock = true;
    board.frameSource = [](std::uint64_t frame, float* floats, std::uint32_t* words) {
        for (int a = 0; a < 4; ++a)
            floats[a] = static_cast<float>(frame) + a * 0.25f;
        for (int i = 0; i < 64; ++i)
            floats[4 + i] = static_cast<float>(frame * 100 + i) * 2.5f;
        words[0] = 0xFF;
        words[portWord] = static_cast<std::uint32_t>(frame % 16);
        words[counterWord] = static_cast<std::uint32_t>(frame * 3);
    };
    return board;
}

Emulator::BoardConfig boardWithPortWord(std::uint32_t word) {
    Emulator::BoardConfig board;
    board.manualClock = true;
    board.frameSource = [word](std::uint64_t, float*, std::uint32_t* words) {
        words[portWord] = word;
    };
    return board;
}

std::uint64_t now() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

int callCount(const std::string& prefix) {
    const std::vector<std::string> calls = Emulator::calls();
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }));
}

bool contains(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

std::ptrdiff_t positionOf(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) - calls.begin();
}

// The stream has been started `starts` times since the calls were cleared and runs.
bool streamStarted(int starts) {
    return callCount("StartDataAcquisition") == starts && Emulator::boardState(0).running;
}

// Appends what the capture queued; returns how many frames were gathered so far.
std::size_t gather(Capture& capture, std::vector<InputFrame>& frames) {
    const std::deque<InputFrame> taken = capture.takeFrames();
    frames.insert(frames.end(), taken.begin(), taken.end());
    return frames.size();
}

std::vector<std::uint32_t> numbersOf(const std::vector<InputFrame>& frames) {
    std::vector<std::uint32_t> numbers;
    for (const InputFrame& frame : frames)
        numbers.push_back(frame.number);
    return numbers;
}

bool isAllZero(const InputFrame& frame) {
    const InputFrame zero;
    return frame.number == 0 && frame.timestamp == 0 && frame.sensors == zero.sensors && frame.analog == zero.analog &&
           frame.digital == 0 && frame.counter == 0;
}

} // namespace

class tst_Capture : public QObject {
    Q_OBJECT

private slots:
    void init() {
        Emulator::reset();
        Emulator::setBoards({numberedBoard()});
        Emulator::clearCalls();
    }

    void framesFromTheBoard() {
        const std::uint64_t before = now();
        Capture capture("usb", "-");
        QVERIFY(isAllZero(capture.latestFrame()));
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        QCOMPARE(Emulator::boardState(0).rate, 50.0f);
        QVERIFY(isAllZero(capture.latestFrame()));
        QCOMPARE(capture.frameCount(), 0u);

        Emulator::pushFrames(0, 3);
        std::vector<InputFrame> frames;
        QTRY_COMPARE_WITH_TIMEOUT(gather(capture, frames), std::size_t(3), timeout);
        const std::uint64_t after = now();

        QCOMPARE(numbersOf(frames), (std::vector<std::uint32_t>{0, 1, 2}));
        QCOMPARE(capture.frameCount(), 3u);
        QVERIFY(frames[0].timestamp >= before && frames[0].timestamp <= after);
        for (std::size_t f = 0; f < frames.size(); ++f) {
            const InputFrame& frame = frames[f];
            QCOMPARE(frame.timestamp, frames[0].timestamp + 20 * f);
            for (std::size_t row = 0; row < 8; ++row) {
                for (std::size_t column = 0; column < 8; ++column)
                    QCOMPARE(frame.sensors[row][column], static_cast<float>(f * 100 + row * 8 + column));
            }
            for (std::size_t a = 0; a < 4; ++a)
                QCOMPARE(frame.analog[a], static_cast<float>(f) + a * 0.25f);
            QCOMPARE(frame.digital, static_cast<std::uint16_t>(f));
            QCOMPARE(frame.counter, std::uint64_t(3 * f));
        }
        QCOMPARE(capture.latestFrame().number, 2u);
        QCOMPARE(capture.latestFrame().timestamp, frames[2].timestamp);
        QVERIFY(capture.takeFrames().empty());

        // Every column's sensitivity and the digital outputs went out on the first pass.
        const std::vector<std::string> calls = Emulator::calls();
        for (int column = 0; column < 8; ++column)
            QVERIFY(contains(calls, "SetColumnSensitivity(" + std::to_string(column) + ", 31)"));
        QCOMPARE(callCount("SetDigitalPortOutputEnableMask(0x7D401001, 0x0)"), 2);
        QCOMPARE(callCount("WriteDigitalPort(0x7D401001, 0x0)"), 2);

        capture.stop();
        const std::vector<std::string> end = Emulator::calls();
        QCOMPARE(std::vector<std::string>(end.end() - 2, end.end()),
                 (std::vector<std::string>{"StopDataAcquisition()", "Close()"}));
        QCOMPARE(capture.errorText(), std::string());
    }

    void timestampsFollowTheRate_data() {
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("period");
        QTest::newRow("50 per second") << 50.0 << 20;
        QTest::newRow("3 per second, truncated") << 3.0 << 333;
        QTest::newRow("below 1 per second") << 0.5 << 2000;
        QTest::newRow("1000 per second") << 1000.0 << 1;
        QTest::newRow("above 1000 per second") << 2500.0 << 0;
    }

    void timestampsFollowTheRate() {
        QFETCH(double, rate);
        QFETCH(int, period);
        Capture capture("usb", "-");
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);

        const std::uint64_t before = now();
        capture.setAcquisition(AcquisitionSettings::fromRate(rate));
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(2), timeout);
        QCOMPARE(Emulator::boardState(0).rate, static_cast<float>(rate));
        Emulator::pushFrames(0, 4);
        std::vector<InputFrame> frames;
        QTRY_COMPARE_WITH_TIMEOUT(gather(capture, frames), std::size_t(4), timeout);
        const std::uint64_t after = now();

        QVERIFY(frames[0].timestamp >= before && frames[0].timestamp <= after);
        for (std::size_t f = 1; f < frames.size(); ++f)
            QCOMPARE(frames[f].timestamp - frames[f - 1].timestamp, std::uint64_t(period));
    }

    void settingsGivenAtConstructionStartTheStreamOnce() {
        Capture capture("usb", "-", AcquisitionSettings::fromRate(2500.0));
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        QCOMPARE(Emulator::boardState(0).rate, 2500.0f);
        Emulator::pushFrames(0, 3);
        std::vector<InputFrame> frames;
        QTRY_COMPARE_WITH_TIMEOUT(gather(capture, frames), std::size_t(3), timeout);
        QCOMPARE(numbersOf(frames), (std::vector<std::uint32_t>{0, 1, 2}));
        QCOMPARE(frames[2].timestamp, frames[0].timestamp); // period 0 above 1000 per second
        // No restart followed: the stream was started once, at that rate.
        QCOMPARE(callCount("StartDataAcquisition"), 1);
        QCOMPARE(callCount("StopDataAcquisition"), 0);
    }

    void restartKeepsNumberingAndMovesTimestamps() {
        Capture capture("usb", "-");
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        Emulator::pushFrames(0, 2);
        std::vector<InputFrame> frames;
        QTRY_COMPARE_WITH_TIMEOUT(gather(capture, frames), std::size_t(2), timeout);

        const std::uint64_t restart = now();
        capture.setAcquisition(AcquisitionSettings::fromRate(10.0));
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(2), timeout);
        QCOMPARE(Emulator::boardState(0).rate, 10.0f);
        Emulator::pushFrames(0, 2);
        QTRY_COMPARE_WITH_TIMEOUT(gather(capture, frames), std::size_t(4), timeout);

        QCOMPARE(numbersOf(frames), (std::vector<std::uint32_t>{0, 1, 2, 3}));
        QCOMPARE(frames[1].timestamp - frames[0].timestamp, std::uint64_t(20));
        QVERIFY(frames[2].timestamp >= restart);
        QVERIFY(frames[2].timestamp >= restart + 100); // the restart pauses 100 ms before starting again
        QCOMPARE(frames[3].timestamp - frames[2].timestamp, std::uint64_t(100));
        QCOMPARE(capture.frameCount(), 4u);
        // The board counts from its new start: the frame content shows it.
        QCOMPARE(frames[2].counter, std::uint64_t(0));
    }

    void intervalModeQueuesOneFramePerInterval() {
        Capture capture("usb", "-");
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        capture.setAcquisition(AcquisitionSettings::fromInterval(1));
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(2), timeout);
        QCOMPARE(Emulator::boardState(0).rate, 10.0f);

        // Frames are 100 ms apart: one in ten reaches the queue, the first one always.
        Emulator::pushFrames(0, 25);
        QTRY_COMPARE_WITH_TIMEOUT(capture.latestFrame().number, 24u, timeout);
        std::vector<InputFrame> frames;
        gather(capture, frames);
        QCOMPARE(numbersOf(frames), (std::vector<std::uint32_t>{0, 10, 20}));
        QCOMPARE(frames[1].timestamp - frames[0].timestamp, std::uint64_t(1000));

        // A new start queues its first frame again, with the settings kept.
        Emulator::clearCalls();
        capture.start();
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        QCOMPARE(Emulator::boardState(0).rate, 10.0f);
        Emulator::pushFrames(0, 3);
        QTRY_COMPARE_WITH_TIMEOUT(capture.frameCount(), 3u, timeout);
        QTRY_COMPARE_WITH_TIMEOUT(capture.latestFrame().number, 2u, timeout);
        frames.clear();
        gather(capture, frames);
        QCOMPARE(numbersOf(frames), std::vector<std::uint32_t>{0});
    }

    void workerFailures_data() {
        QTest::addColumn<std::string>("fault");
        QTest::addColumn<std::uint32_t>("portWord");
        QTest::addColumn<double>("rate");
        QTest::addColumn<std::string>("error");

        QTest::newRow("rate 0") << std::string() << 0u << 0.0 << std::string("frameRate must be > 0");
        QTest::newRow("negative rate") << std::string() << 0u << -1.0 << std::string("frameRate must be > 0");
        QTest::newRow("port word 70000") << std::string() << 70000u << 50.0
                                         << std::string("bad numeric conversion: positive overflow");
        QTest::newRow("port word 65536") << std::string() << 65536u << 50.0
                                         << std::string("bad numeric conversion: positive overflow");
        QTest::newRow("negative port word")
            << std::string() << 0xFFFFFFFFu << 50.0 << std::string("bad numeric conversion: negative overflow");
        QTest::newRow("port word 65535 fits") << std::string() << 65535u << 50.0 << std::string();
        QTest::newRow("read fails") << std::string("ReadNonBlocking") << 0u << 50.0
                                    << std::string("Frame buffer overflow");
    }

    void workerFailures() {
        QFETCH(std::string, fault);
        QFETCH(std::uint32_t, portWord);
        QFETCH(double, rate);
        QFETCH(std::string, error);
        Emulator::setBoards({boardWithPortWord(portWord)});
        Emulator::clearCalls();

        Capture capture("usb", "-");
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        if (rate != 50.0)
            capture.setAcquisition(AcquisitionSettings::fromRate(rate));
        if (!fault.empty())
            Emulator::injectFault({fault, 9, error, 0, -1});
        // A frame read before the failing restart would be delivered: frames only for the other cases.
        if (rate == 50.0)
            Emulator::pushFrames(0, 1);

        if (error.empty()) {
            QTRY_COMPARE_WITH_TIMEOUT(capture.latestFrame().digital, std::uint16_t(portWord), timeout);
            QCOMPARE(capture.errorText(), std::string());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(capture.errorText(), error, timeout);
        // The worker is over and has closed the board; the text stays until stop() or start().
        QTRY_VERIFY_WITH_TIMEOUT(!Emulator::boardState(0).open, timeout);
        QCOMPARE(capture.errorText(), error);
        QVERIFY(isAllZero(capture.latestFrame()));
        capture.stop();
        QCOMPARE(capture.errorText(), std::string());
    }

    void averagedFrame_data() {
        QTest::addColumn<int>("queued");
        QTest::addColumn<int>("averaged");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("three") << 3 << 3;
        QTest::newRow("eight") << 8 << 8;
        QTest::newRow("twenty") << 20 << 8;
    }

    void averagedFrame() {
        QFETCH(int, queued);
        QFETCH(int, averaged);
        Capture capture("usb", "-");
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        if (queued > 0) {
            Emulator::pushFrames(0, queued);
            QTRY_COMPARE_WITH_TIMEOUT(capture.latestFrame().number, std::uint32_t(queued - 1), timeout);
        }

        const InputFrame mean = capture.averagedFrame();
        if (averaged == 0) {
            QVERIFY(isAllZero(mean));
            return;
        }
        // Frames queued - averaged .. queued - 1 remain; their mean frame number:
        const float meanFrame = (queued - averaged + queued - 1) / 2.0f;
        for (std::size_t row = 0; row < 8; ++row) {
            for (std::size_t column = 0; column < 8; ++column)
                QCOMPARE(mean.sensors[row][column], meanFrame * 100 + row * 8 + column);
        }
        for (std::size_t a = 0; a < 4; ++a)
            QCOMPARE(mean.analog[a], meanFrame + a * 0.25f);
        QCOMPARE(mean.digital, std::uint16_t((queued - 1) % 16));
        QCOMPARE(mean.counter, std::uint64_t(3 * (queued - 1)));
        QCOMPARE(mean.number, 0u);
        QCOMPARE(mean.timestamp, std::uint64_t(0));

        // The averaged frames stay queued; older ones are gone.
        std::vector<InputFrame> left;
        gather(capture, left);
        QCOMPARE(left.size(), std::size_t(averaged));
        QCOMPARE(left.front().number, std::uint32_t(queued - averaged));
    }

    void latestFrameSurvivesStart() {
        Capture capture("usb", "-");
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        Emulator::pushFrames(0, 2);
        QTRY_COMPARE_WITH_TIMEOUT(capture.latestFrame().number, 1u, timeout);
        const InputFrame last = capture.latestFrame();

        Emulator::clearCalls();
        capture.start();
        QCOMPARE(capture.frameCount(), 0u);
        QVERIFY(capture.takeFrames().empty());
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        QCOMPARE(capture.latestFrame().number, 1u);
        QCOMPARE(capture.latestFrame().timestamp, last.timestamp);

        Emulator::pushFrames(0, 1);
        QTRY_COMPARE_WITH_TIMEOUT(capture.frameCount(), 1u, timeout);
        QTRY_VERIFY_WITH_TIMEOUT(capture.latestFrame().timestamp != last.timestamp, timeout);
        QCOMPARE(capture.latestFrame().number, 0u);
    }

    void stopAfterFailureClearsOnlyTheError() {
        Capture capture("usb", "-");
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        Emulator::pushFrames(0, 2);
        QTRY_COMPARE_WITH_TIMEOUT(capture.latestFrame().number, 1u, timeout);
        capture.setAcquisition(AcquisitionSettings::fromRate(0.0));
        QTRY_COMPARE_WITH_TIMEOUT(capture.errorText(), std::string("frameRate must be > 0"), timeout);

        capture.stop();
        capture.stop();
        QCOMPARE(capture.errorText(), std::string());
        QCOMPARE(capture.latestFrame().number, 1u);
        QCOMPARE(capture.frameCount(), 2u);
        QCOMPARE(capture.takeFrames().size(), std::size_t(2));
    }

    void twoStartsLeaveOneWorker() {
        Capture capture("usb", "-");
        capture.start();
        capture.start();
        QTRY_VERIFY_WITH_TIMEOUT(Emulator::boardState(0).running, timeout);
        QCOMPARE(callCount("Open(") - callCount("Close("), 1);
        QCOMPARE(callCount("Open("), 3);
        capture.stop();
        QCOMPARE(callCount("Open(") - callCount("Close("), 0);
        QVERIFY(!Emulator::boardState(0).open);
    }

    void requestsReachTheBoardAndAreResentAfterStart() {
        Capture capture("usb", "-");
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        QTRY_COMPARE_WITH_TIMEOUT(callCount("SetColumnSensitivity"), 8, timeout);

        Emulator::clearCalls();
        capture.setColumnSensitivity(3, 12);
        QTRY_COMPARE_WITH_TIMEOUT(Emulator::boardState(0).columnSensitivity.at(3), 12, timeout);
        QTRY_COMPARE_WITH_TIMEOUT(callCount("SetColumnSensitivity"), 8, timeout);
        capture.setDigitalOutput(0xF, 0x5);
        QTRY_COMPARE_WITH_TIMEOUT(Emulator::boardState(0).outputValue.at(1), 0x5u, timeout);
        QCOMPARE(Emulator::boardState(0).outputEnableMask.at(1), 0xFu);
        capture.resetCounter();
        QTRY_COMPARE_WITH_TIMEOUT(callCount("ResetCounter(0x7D401500)"), 1, timeout);
        const std::vector<std::string> applied = Emulator::calls();
        QVERIFY(positionOf(applied, "SetDigitalPortOutputEnableMask(0x7D401001, 0xF)") <
                positionOf(applied, "WriteDigitalPort(0x7D401001, 0x5)"));

        // After a new start the board is configured afresh, then told the
        // requested settings again; the counter reset is not repeated.
        Emulator::clearCalls();
        capture.start();
        QTRY_COMPARE_WITH_TIMEOUT(callCount("WriteDigitalPort(0x7D401001, 0x5)"), 1, timeout);
        const std::vector<std::string> calls = Emulator::calls();
        QVERIFY(positionOf(calls, "WriteDigitalPort(0x7D401001, 0x0)") <
                positionOf(calls, "SetDigitalPortOutputEnableMask(0x7D401001, 0xF)"));
        QVERIFY(contains(calls, "SetColumnSensitivity(3, 12)"));
        QVERIFY(contains(calls, "SetColumnSensitivity(2, 31)"));
        // Before the stream starts, so that no frame is measured without them.
        QVERIFY(positionOf(calls, "SetColumnSensitivity(3, 12)") <
                positionOf(calls, "StartDataAcquisition(0, 50, -1)"));
        QCOMPARE(Emulator::boardState(0).outputEnableMask.at(1), 0xFu);
        QCOMPARE(Emulator::boardState(0).columnSensitivity.at(3), 12);
        QCOMPARE(callCount("ResetCounter"), 0);
    }

    // Frames the board made before new sensitivities reached it were
    // measured with the old ones, even when read afterwards: the engine
    // marks where the frames measured with the new ones begin.
    void settledFromFollowsTheSensitivityCalls() {
        Emulator::BoardConfig board;
        board.manualClock = true;
        board.pattern = Emulator::Pattern::Constant; // a sensor reads 0.5 at sensitivity 31, 1.0 at 62
        Emulator::setBoards({board});
        Capture capture("usb", "-");
        QTRY_COMPARE_WITH_TIMEOUT(capture.settledFrom(), 0u, timeout);
        std::vector<InputFrame> frames;
        Emulator::pushFrames(0, 3);
        QTRY_COMPARE_WITH_TIMEOUT(gather(capture, frames), std::size_t{3}, timeout);

        Emulator::clearCalls();
        for (int column = 0; column < 8; ++column)
            capture.setColumnSensitivity(column, 62);
        QCOMPARE(capture.settledFrom(), Capture::notSettled);
        Emulator::pushFrames(0, 2); // on the board before or after the calls
        QTRY_COMPARE_WITH_TIMEOUT(callCount("SetColumnSensitivity"), 8, timeout);
        QTRY_VERIFY_WITH_TIMEOUT(capture.settledFrom() != Capture::notSettled, timeout);
        const std::uint32_t settled = capture.settledFrom();
        QVERIFY(contains(Emulator::calls(), "SetColumnSensitivity(7, 62)"));
        Emulator::pushFrames(0, 2); // after the last call
        QTRY_COMPARE_WITH_TIMEOUT(gather(capture, frames), std::size_t{7}, timeout);

        QVERIFY(settled >= 3);
        QCOMPARE(frames.back().number, 6u);
        QVERIFY(settled <= 5);
        for (const InputFrame& frame : frames)
            QCOMPARE(frame.sensors[2][5], frame.number >= settled ? 1.0f
                                          : frame.number < 3      ? 0.5f
                                                                  : frame.sensors[2][5]);
        std::deque<InputFrame> taken(frames.begin(), frames.end());
        dropUnsettledFrames(taken, settled);
        QCOMPARE(taken.front().number, settled);
        dropUnsettledFrames(taken, Capture::notSettled);
        QVERIFY(taken.empty());
    }

    void failedRequestIsRetriedAfterStart() {
        Capture capture("usb", "-");
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        Emulator::injectFault({"ResetCounter", 5, "Counter busy", 0, 1});
        capture.resetCounter();
        QTRY_COMPARE_WITH_TIMEOUT(capture.errorText(), std::string("Counter busy"), timeout);

        Emulator::clearCalls();
        capture.start();
        QTRY_COMPARE_WITH_TIMEOUT(callCount("ResetCounter(0x7D401500)"), 1, timeout);
        QCOMPARE(capture.errorText(), std::string());
    }

    void closeFailureIsIgnored() {
        Emulator::injectFault({"Close", 3, "Close failed", 0, -1});
        Capture capture("usb", "-");
        QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        capture.stop();
        QCOMPARE(capture.errorText(), std::string());
    }

    void destructorStopsARunningWorker() {
        {
            Capture capture("usb", "-");
            QTRY_VERIFY_WITH_TIMEOUT(streamStarted(1), timeout);
        }
        QVERIFY(!Emulator::boardState(0).running);
        QVERIFY(!Emulator::boardState(0).open);
        const std::vector<std::string> calls = Emulator::calls();
        QCOMPARE(calls.back(), std::string("Close()"));

        // A worker that ended by itself leaves a joinable thread behind as well.
        {
            Capture capture("bogus", "-");
            QTRY_COMPARE_WITH_TIMEOUT(capture.errorText(), std::string("Unknown bus."), timeout);
        }
    }
};

QTEST_GUILESS_MAIN(tst_Capture)
#include "tst_Capture.moc"
