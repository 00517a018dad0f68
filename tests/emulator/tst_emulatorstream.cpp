// The emulated board's frame stream: pacing, read cap, overflow, the signal
// patterns, and what the outputs, the counter and the sensitivity do to it.
#include "EmulatorTestSupport.h"

#include <QtTest>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

using namespace EmulatorTest;
using namespace KivraTolmEmulator;

namespace {

constexpr int analogCount = 4;

// Each value says where it sits: float j of frame n holds n * 1000 + j.
void indexSource(std::uint64_t frame, float* floats, std::uint32_t* words) {
    for (int j = 0; j < 68; ++j)
        floats[j] = static_cast<float>(frame * 1000 + static_cast<std::uint64_t>(j));
    for (int j = 0; j < 4; ++j)
        words[j] = static_cast<std::uint32_t>(frame * 1000 + static_cast<std::uint64_t>(j));
}

} // namespace

class EmulatorStreamTest : public QObject {
    Q_OBJECT

private:
    BoardConfig streamConfig;
    std::int32_t boardHandle = -1;

    // One manual-clock board, open and running at `rate`.
    void run(const BoardConfig& config, float rate = 100) {
        streamConfig = config;
        setBoards({streamConfig});
        boardHandle = openBoard(streamConfig.identifier.c_str());
        QVERIFY(boardHandle > 0);
        QCOMPARE(start(boardHandle, rate), 0);
    }

    Frames pushAndRead(int count) {
        pushFrames(0, count);
        return readFrames(boardHandle, streamConfig);
    }

private slots:
    void init() {
        reset();
        boardHandle = -1;
    }

    void framesFollowTheClock() {
        BoardConfig config;
        config.frameSource = indexSource;
        streamConfig = config;
        setBoards({streamConfig});
        boardHandle = openBoard();
        constexpr double rate = 100;
        using Clock = std::chrono::steady_clock;
        const auto beforeStart = Clock::now();
        QCOMPARE(start(boardHandle, static_cast<float>(rate)), 0);
        const auto afterStart = Clock::now();
        auto seconds = [](Clock::duration d) {
            return std::chrono::duration<double>(d).count();
        };

        int total = 0;
        while (true) {
            const auto beforeRead = Clock::now();
            const Frames frames = readFrames(boardHandle, streamConfig);
            const auto afterRead = Clock::now();
            QCOMPARE(frames.status, 0);
            for (int k = 0; k < frames.count; ++k) // no frame lost or repeated
                QCOMPARE(frames.value(k, 0), static_cast<float>((total + k) * 1000));
            total += frames.count;
            // The frames due by the clock, give or take the rounding at both ends.
            QVERIFY2(total <= std::floor(seconds(afterRead - beforeStart) * rate), qPrintable(QString::number(total)));
            QVERIFY2(total >= std::floor(seconds(beforeRead - afterStart) * rate), qPrintable(QString::number(total)));
            if (seconds(afterRead - beforeStart) > 0.3)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10)); // the pace of the acquisition worker
        }
        QVERIFY(total >= 29);
        QCOMPARE(boardState(0).framesProduced, static_cast<std::uint64_t>(total));
    }

    void readsTakePushedFramesOldestFirst_data() {
        QTest::addColumn<int>("framesPerRead");
        QTest::addColumn<int>("pushed");
        QTest::addColumn<QList<int>>("reads"); // the frames each read returns
        QTest::newRow("all in one read") << 100 << 5 << QList<int>{5, 0};
        QTest::newRow("capped at framesPerRead") << 4 << 10 << QList<int>{4, 4, 2, 0};
    }

    void readsTakePushedFramesOldestFirst() {
        QFETCH(int, framesPerRead);
        QFETCH(int, pushed);
        QFETCH(QList<int>, reads);
        BoardConfig config = manualBoard();
        config.framesPerRead = framesPerRead;
        config.frameSource = indexSource;
        run(config);
        QCOMPARE(readFrames(boardHandle, streamConfig).count, 0); // none arrive by the clock
        pushFrames(0, pushed);
        int next = 0;
        for (int expected : reads) {
            const Frames frames = readFrames(boardHandle, streamConfig);
            QCOMPARE(frames.status, 0);
            QCOMPARE(frames.count, expected);
            for (int k = 0; k < frames.count; ++k, ++next) { // oldest first, none skipped
                QCOMPARE(frames.value(k, 0), static_cast<float>(next * 1000));
                QCOMPARE(frames.word(k, 0), static_cast<std::uint32_t>(next * 1000));
            }
        }
        QCOMPARE(boardState(0).framesProduced, static_cast<std::uint64_t>(pushed));
        std::int32_t value = 0;
        QCOMPARE(KivraTolmGetDeviceParameter(boardHandle, 6, &value), 0);
        QCOMPARE(value, framesPerRead);
    }

    void overflow_data() {
        QTest::addColumn<int>("pushed");
        QTest::addColumn<bool>("overflows");
        QTest::newRow("buffer full") << 20 << false;
        QTest::newRow("one more") << 21 << true;
        QTest::newRow("far more") << 5000 << true;
    }

    void overflow() {
        QFETCH(int, pushed);
        QFETCH(bool, overflows);
        BoardConfig config = manualBoard();
        config.bufferFrames = 20;
        run(config);
        pushFrames(0, pushed - 1);
        pushFrames(0, 1);
        const Frames frames = readFrames(boardHandle, streamConfig);
        if (!overflows) {
            QCOMPARE(frames.status, 0);
            QCOMPARE(frames.count, pushed);
            return;
        }
        QVERIFY(frames.status != 0);
        QCOMPARE(frames.count, 0);
        QVERIFY2(errorText(frames.status).find("Frame buffer overflow") == 0, errorText(frames.status).c_str());
        // Reported once; the stream goes on with the frames after it.
        QCOMPARE(readFrames(boardHandle, streamConfig).status, 0);
        QVERIFY(boardState(0).running);
        const Frames after = pushAndRead(3);
        QCOMPARE(after.status, 0);
        QCOMPARE(after.count, 3);
    }

    void overflowByTheClock() {
        BoardConfig config;
        config.bufferFrames = 5;
        streamConfig = config;
        setBoards({streamConfig});
        boardHandle = openBoard();
        QCOMPARE(start(boardHandle, 1000), 0);
        // Not read for a while: more than 5 frames pile up at 1000 frames/s.
        QTRY_VERIFY_WITH_TIMEOUT(boardState(0).framesProduced > 5, 2000);
        const Frames frames = readFrames(boardHandle, streamConfig);
        QVERIFY(frames.status != 0);
        QVERIFY(errorText(frames.status).find("overflow") != std::string::npos);
    }

    void startStopAndReadStates() {
        BoardConfig config = manualBoard();
        streamConfig = config;
        setBoards({config});
        boardHandle = openBoard();
        // Before the start a read gives no frames and no error.
        Frames frames = readFrames(boardHandle, streamConfig);
        QCOMPARE(frames.status, 0);
        QCOMPARE(frames.count, 0);
        // Stopping a stopped board is harmless.
        QCOMPARE(KivraTolmStopDataAcquisition(boardHandle), 0);
        QCOMPARE(start(boardHandle, 50), 0);
        const std::int32_t again = start(boardHandle, 50);
        QVERIFY(again != 0);
        QVERIFY(errorText(again).find("already runs") != std::string::npos);
        QCOMPARE(boardState(0).rate, 50.0f);
        pushFrames(0, 3);
        QCOMPARE(KivraTolmStopDataAcquisition(boardHandle), 0);
        QVERIFY(!boardState(0).running);
        // Frames not read before the stop are gone; none arrive while stopped.
        pushFrames(0, 3);
        QCOMPARE(readFrames(boardHandle, streamConfig).count, 0);
        QCOMPARE(start(boardHandle, 50), 0);
        QCOMPARE(boardState(0).framesProduced, std::uint64_t(0));
    }

    void startRefusesBadRates_data() {
        QTest::addColumn<float>("rate");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("zero") << 0.0f << false;
        QTest::newRow("negative") << -10.0f << false;
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << false;
        QTest::newRow("infinite") << std::numeric_limits<float>::infinity() << false;
        QTest::newRow("too fast") << 1e7f << false;
        QTest::newRow("half") << 0.5f << true;
        QTest::newRow("usual") << 50.0f << true;
    }

    void startRefusesBadRates() {
        QFETCH(float, rate);
        QFETCH(bool, accepted);
        setBoards({manualBoard()});
        boardHandle = openBoard();
        float actual = -1;
        const std::int32_t status = KivraTolmStartDataAcquisition(boardHandle, 0, rate, -1, &actual);
        QCOMPARE(status == 0, accepted);
        QCOMPARE(boardState(0).running, accepted);
        if (accepted)
            QCOMPARE(actual, rate);
        else
            QVERIFY(errorText(status).find("frame rate") != std::string::npos);
    }

    void setupInputFrame() {
        setBoards({manualBoard()});
        boardHandle = openBoard();
        std::vector<std::uint32_t> ids;
        for (std::uint32_t i = 0; i < 4; ++i)
            ids.push_back(analog0 + i);
        for (std::uint32_t i = 0; i < 64; ++i)
            ids.push_back(sensor0 + i);
        ids.push_back(ioPort);
        ids.push_back(counter0);
        QCOMPARE(KivraTolmSetupInputFrame(boardHandle, ids.data(), static_cast<std::int32_t>(ids.size())), 0);
        QCOMPARE(boardState(0).frameInputs, ids);

        const std::uint32_t missing[] = {analog0, sensor0 + 64};
        std::int32_t status = KivraTolmSetupInputFrame(boardHandle, missing, 2);
        QVERIFY(status != 0);
        QVERIFY(errorText(status).find("0x7D401B40") != std::string::npos);
        QVERIFY(KivraTolmSetupInputFrame(boardHandle, ids.data(), -1) != 0);
        QVERIFY(KivraTolmSetupInputFrame(boardHandle, nullptr, 3) != 0);
        QCOMPARE(boardState(0).frameInputs, ids); // a refused set-up changes nothing

        QCOMPARE(start(boardHandle, 10), 0);
        status = KivraTolmSetupInputFrame(boardHandle, ids.data(), 1);
        QVERIFY(status != 0);
        QVERIFY(errorText(status).find("stop it first") != std::string::npos);
    }

    void frameSourceLayout() {
        // A = 4, S = 64, D = 2, C = 1, T = 1: frame k's floats at k * 68,
        // its words at k * 4.
        BoardConfig config = manualBoard();
        config.frameSource = [](std::uint64_t frame, float* floats, std::uint32_t* words) {
            for (int j = 0; j < 68; ++j)
                floats[j] = static_cast<float>(frame * 68 + static_cast<std::uint64_t>(j));
            for (int j = 0; j < 4; ++j)
                words[j] = static_cast<std::uint32_t>(frame * 4 + static_cast<std::uint64_t>(j));
            if (frame == 1) {
                words[0] = 70000;
                words[1] = static_cast<std::uint32_t>(-5);
            }
        };
        run(config);
        const Frames frames = pushAndRead(3);
        QCOMPARE(frames.count, 3);
        for (int s = 0; s < 64; ++s)
            QCOMPARE(frames.value(2, analogCount + s), static_cast<float>(140 + s));
        QCOMPARE(frames.word(2, 2), 10u); // counter word
        QCOMPARE(frames.word(1, 0), 70000u);
        QCOMPARE(static_cast<std::int32_t>(frames.word(1, 1)), -5);
    }

    void frameSourceFailureIsAnError() {
        BoardConfig config;
        config.frameSource = [](std::uint64_t, float*, std::uint32_t*) {
            throw std::runtime_error("source broke");
        };
        streamConfig = config;
        setBoards({config});
        boardHandle = openBoard();
        QCOMPARE(start(boardHandle, 1000), 0);
        // The frames are made as a read collects them: the read fails, nothing escapes.
        std::int32_t status = 0;
        QTRY_VERIFY_WITH_TIMEOUT((status = readFrames(boardHandle, streamConfig).status) != 0, 2000);
        QVERIFY2(errorText(status).find("source broke") != std::string::npos, errorText(status).c_str());
        config.manualClock = true;
        setBoards({config});
        boardHandle = openBoard();
        QCOMPARE(start(boardHandle, 10), 0);
        QVERIFY_EXCEPTION_THROWN(pushFrames(0, 1), std::runtime_error);
    }

    void patterns_data() {
        QTest::addColumn<int>("pattern");
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("sensor");
        QTest::addColumn<float>("raw");
        const int walkingOne = static_cast<int>(Pattern::WalkingOne);
        const int ramp = static_cast<int>(Pattern::Ramp);
        QTest::newRow("walking one: frame 0 lights sensor 0") << walkingOne << 0 << 0 << 2.5f;
        QTest::newRow("walking one: frame 5 lights sensor 5") << walkingOne << 5 << 5 << 2.5f;
        QTest::newRow("walking one: the next sensor stays dark") << walkingOne << 5 << 6 << 0.0f;
        QTest::newRow("walking one: the last sensor") << walkingOne << 63 << 63 << 2.5f;
        QTest::newRow("walking one: frame 64 starts over") << walkingOne << 64 << 0 << 2.5f;
        QTest::newRow("walking one: frame 67 lights sensor 3") << walkingOne << 67 << 3 << 2.5f;
        QTest::newRow("walking one: sensor 67 - 64 dark at frame 66") << walkingOne << 66 << 3 << 0.0f;
        QTest::newRow("ramp: bottom") << ramp << 0 << 0 << 0.0f;
        QTest::newRow("ramp: one step per sensor") << ramp << 0 << 1 << 0.0390625f;
        QTest::newRow("ramp: half way along the sensors") << ramp << 0 << 32 << 1.25f;
        QTest::newRow("ramp: one step per frame") << ramp << 16 << 0 << 0.625f;
        QTest::newRow("ramp: top") << ramp << 0 << 63 << 2.4609375f;
        QTest::newRow("ramp: wraps to the bottom") << ramp << 1 << 63 << 0.0f;
        QTest::newRow("ramp: wraps by the frame") << ramp << 70 << 0 << 0.234375f;
        QTest::newRow("constant") << static_cast<int>(Pattern::Constant) << 42 << 17 << 0.75f;
    }

    void patterns() {
        QFETCH(int, pattern);
        QFETCH(int, frame);
        QFETCH(int, sensor);
        QFETCH(float, raw);
        BoardConfig config = manualBoard();
        config.pattern = static_cast<Pattern>(pattern);
        config.constantValue = 0.75f;
        run(config);
        const Frames frames = pushAndRead(config.framesPerRead);
        QCOMPARE(frames.count, config.framesPerRead);
        QCOMPARE(frames.value(frame, analogCount + sensor), raw);
        if (config.pattern == Pattern::WalkingOne) {
            for (int n = 0; n < frames.count; ++n) { // one sensor lit in every frame
                int lit = 0;
                for (int i = 0; i < 64; ++i)
                    lit += frames.value(n, analogCount + i) != 0.0f;
                QCOMPARE(lit, 1);
            }
        }
    }

    void seededPatternsAreReproducible_data() {
        QTest::addColumn<int>("pattern");
        QTest::newRow("random") << static_cast<int>(Pattern::Random);
        QTest::newRow("drift") << static_cast<int>(Pattern::Drift);
    }

    void seededPatternsAreReproducible() {
        QFETCH(int, pattern);
        auto framesOf = [&](std::uint32_t seed, int readSize) {
            BoardConfig config = manualBoard();
            config.pattern = static_cast<Pattern>(pattern);
            config.seed = seed;
            config.framesPerRead = readSize;
            setBoards({config});
            const std::int32_t handle = openBoard();
            start(handle, 50);
            std::vector<float> values;
            pushFrames(0, 60);
            for (Frames frames = readFrames(handle, config); frames.count > 0; frames = readFrames(handle, config))
                values.insert(values.end(), frames.floats.begin(),
                              frames.floats.begin() + frames.count * frames.floatsPerFrame);
            return values;
        };
        const std::vector<float> first = framesOf(7, 60);
        QCOMPARE(first.size(), std::size_t(60 * 68));
        // Same seed, other read sizes: the same frames.
        QCOMPARE(framesOf(7, 7), first);
        QVERIFY(framesOf(8, 60) != first);
        // Raw sensor values stay where the programs expect them (÷ 2.5 about 0..1.2).
        float lowest = 10;
        float highest = -10;
        for (int n = 0; n < 60; ++n) {
            for (int i = 0; i < 64; ++i) {
                const float value = first[static_cast<std::size_t>(n * 68 + analogCount + i)];
                lowest = std::min(lowest, value);
                highest = std::max(highest, value);
            }
        }
        QVERIFY(lowest >= 0.0f);
        QVERIFY(highest <= 3.05f);
        QVERIFY(highest - lowest > 0.5f); // not a flat picture
    }

    void analogInputsAreVolts() {
        run(manualBoard(), 10);
        const Frames frames = pushAndRead(100); // 10 s
        float lowest = 100;
        float highest = -100;
        for (int n = 0; n < frames.count; ++n) {
            for (int a = 0; a < analogCount; ++a) {
                lowest = std::min(lowest, frames.value(n, a));
                highest = std::max(highest, frames.value(n, a));
            }
        }
        QVERIFY(lowest >= 0.0f);
        QVERIFY(highest <= 5.0f);
        QVERIFY(frames.value(0, 0) != frames.value(12, 0)); // the waveform moves
    }

    void columnSensitivityScalesSensors() {
        BoardConfig config = manualBoard();
        config.pattern = Pattern::Constant;
        config.constantValue = 1.25f;
        run(config);
        QCOMPARE(KivraTolmSetColumnSensitivity(boardHandle, 3, 62), 0);
        QCOMPARE(KivraTolmSetColumnSensitivity(boardHandle, 5, 0), 0);
        const Frames frames = pushAndRead(1);
        for (int i = 0; i < 64; ++i) {
            const int column = i % 8;
            const float expected = column == 3 ? 2.5f : column == 5 ? 0.0f : 1.25f;
            QCOMPARE(frames.value(0, analogCount + i), expected);
        }
        QCOMPARE(boardState(0).columnSensitivity, std::vector<int>({31, 31, 31, 62, 31, 0, 31, 31}));
    }

    void columnSensitivityRange_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("lowest") << 0 << 0 << true;
        QTest::newRow("highest") << 7 << 63 << true;
        QTest::newRow("column -1") << -1 << 31 << false;
        QTest::newRow("column 8") << 8 << 31 << false;
        QTest::newRow("value -1") << 0 << -1 << false;
        QTest::newRow("value 64") << 0 << 64 << false;
    }

    void columnSensitivityRange() {
        QFETCH(int, column);
        QFETCH(int, value);
        QFETCH(bool, accepted);
        setBoards({manualBoard()});
        boardHandle = openBoard();
        const std::int32_t status = KivraTolmSetColumnSensitivity(boardHandle, column, value);
        QCOMPARE(status == 0, accepted);
        if (!accepted)
            QVERIFY(errorText(status).find("out of range") != std::string::npos);
    }

    void outputsReadBack() {
        run(manualBoard(), 10);
        // Lines 0 and 2 drive 1 and 0; lines 1 and 3 follow the outside.
        QCOMPARE(KivraTolmSetDigitalPortOutputEnableMask(boardHandle, ioPort, 0x5), 0);
        QCOMPARE(KivraTolmWriteDigitalPort(boardHandle, ioPort, 0x1), 0);
        const Frames frames = pushAndRead(100); // 10 s of a slow outside signal
        std::uint32_t seenInputs = 0;
        for (int n = 0; n < frames.count; ++n) {
            const std::uint32_t word = frames.word(n, 1);
            QCOMPARE(word & 0x5u, 0x1u);
            QCOMPARE(word & ~0xFu, 0u);
            seenInputs |= word & 0xAu;
        }
        QCOMPARE(seenInputs, 0xAu);
        const BoardState state = boardState(0);
        QCOMPARE(state.outputEnableMask, std::vector<std::uint32_t>({0x0, 0x5}));
        QCOMPARE(state.outputValue, std::vector<std::uint32_t>({0x0, 0x1}));

        QCOMPARE(KivraTolmSetDigitalPortOutputEnableMask(boardHandle, ioPort, 0xF), 0);
        QCOMPARE(KivraTolmWriteDigitalPort(boardHandle, ioPort, 0xA), 0);
        const Frames driven = pushAndRead(30);
        for (int n = 0; n < driven.count; ++n)
            QCOMPARE(driven.word(n, 1), 0xAu);
    }

    void portArgumentsAreChecked_data() {
        QTest::addColumn<std::uint32_t>("port");
        QTest::addColumn<std::uint32_t>("mask");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("eight lines") << digitalPort0 << 0xFFu << true;
        QTest::newRow("ninth line") << digitalPort0 << 0x100u << false;
        QTest::newRow("fifth I/O line") << ioPort << 0x10u << false;
        QTest::newRow("no such port") << digitalPort0 + 2 << 0x1u << false;
        QTest::newRow("a counter id") << counter0 << 0x1u << false;
    }

    void portArgumentsAreChecked() {
        QFETCH(std::uint32_t, port);
        QFETCH(std::uint32_t, mask);
        QFETCH(bool, accepted);
        setBoards({manualBoard()});
        boardHandle = openBoard();
        const std::int32_t maskStatus = KivraTolmSetDigitalPortOutputEnableMask(boardHandle, port, mask);
        const std::int32_t writeStatus = KivraTolmWriteDigitalPort(boardHandle, port, mask);
        QCOMPARE(maskStatus == 0, accepted);
        QCOMPARE(writeStatus == 0, accepted);
        if (!accepted) {
            QVERIFY(!errorText(maskStatus).empty());
            QCOMPARE(boardState(0).outputEnableMask, std::vector<std::uint32_t>({0, 0}));
        }
    }

    void counterCountsTriggerPulses() {
        // 100 frames/s and a pulse every 100 ms: frame n is at n / 100 s.
        BoardConfig config = manualBoard();
        config.counterPulsePeriodMs = 100;
        run(config, 100);
        const int counterWord = 2;
        const int triggerWord = 3;

        Frames frames = pushAndRead(20);
        QCOMPARE(frames.word(19, counterWord), 0u); // not enabled yet
        QCOMPARE(frames.word(10, triggerWord), 1u); // the pulse at 0.1 s
        QCOMPARE(frames.word(16, triggerWord), 0u);

        QCOMPARE(KivraTolmSetCounterConfig(boardHandle, counter0, externalTrigger), 0);
        QCOMPARE(KivraTolmSetCounterEnable(boardHandle, counter0, 1), 0);
        frames = pushAndRead(80);                  // frames 20..99: pulses at 0.2 .. 0.9 s
        QCOMPARE(frames.word(0, counterWord), 1u); // the pulse of frame 20 came after the enable
        QCOMPARE(frames.word(9, counterWord), 1u);
        QCOMPARE(frames.word(10, counterWord), 2u); // frame 30
        QCOMPARE(frames.word(79, counterWord), 8u);

        QCOMPARE(KivraTolmSetCounterEnable(boardHandle, counter0, 0), 0);
        frames = pushAndRead(50);
        QCOMPARE(frames.word(49, counterWord), 8u); // held while disabled

        QCOMPARE(KivraTolmResetCounter(boardHandle, counter0), 0);
        frames = pushAndRead(1);
        QCOMPARE(frames.word(0, counterWord), 0u);

        QCOMPARE(KivraTolmSetCounterEnable(boardHandle, counter0, 1), 0);
        QCOMPARE(KivraTolmSetCounterConfig(boardHandle, counter0, 0), 0); // no input: nothing to count
        frames = pushAndRead(50);
        QCOMPARE(frames.word(49, counterWord), 0u);
        QCOMPARE(KivraTolmSetCounterConfig(boardHandle, counter0, externalTrigger), 0);
        frames = pushAndRead(50); // frames 201..250: pulses at 2.1 .. 2.5 s
        QCOMPARE(frames.word(49, counterWord), 5u);

        const BoardState state = boardState(0);
        QCOMPARE(state.counterConfig, externalTrigger);
        QVERIFY(state.counterEnabled);
    }

    void counterArgumentsAreChecked() {
        setBoards({manualBoard()});
        boardHandle = openBoard();
        std::int32_t status = KivraTolmSetCounterEnable(boardHandle, counter0, 2);
        QVERIFY(status != 0);
        QVERIFY(errorText(status).find("0 or 1") != std::string::npos);
        QVERIFY(KivraTolmSetCounterConfig(boardHandle, counter0, 0x1234) != 0);
        status = KivraTolmResetCounter(boardHandle, counter0 + 1);
        QVERIFY(status != 0);
        QVERIFY(errorText(status).find("0x7D401501") != std::string::npos);
        QVERIFY(KivraTolmSetCounterEnable(boardHandle, trigger0, 1) != 0);
    }
};

QTEST_GUILESS_MAIN(EmulatorStreamTest)
#include "tst_emulatorstream.moc"
