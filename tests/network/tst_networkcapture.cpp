// The Capture on a network board ("net", host:port) served by
// kivratolm-board-emulator: the frames it delivers, and what becomes of the
// worker when the server goes away, stalls or is busy.
#include "BoardServerProcess.h"
#include "Capture.h"
#include "EmulatorControl.h"

#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <map>

using namespace KivraTolm;
namespace Emulator = KivraTolmEmulator;

Q_DECLARE_METATYPE(std::string)

namespace {

// How long the worker may take to notice a lost or stalled server.
constexpr int failureNoticed = 2000;
constexpr int framesTimeout = 5000;

const QString walkingOne = "[board0]\npattern = walking-one\n";

std::string address(const BoardServerProcess& server) {
    return server.address().toStdString();
}

// Appends what the capture queued; returns how many frames were gathered so far.
std::size_t gather(Capture& capture, std::vector<InputFrame>& frames) {
    const std::deque<InputFrame> taken = capture.takeFrames();
    frames.insert(frames.end(), taken.begin(), taken.end());
    return frames.size();
}

std::vector<InputFrame> collect(Capture& capture, std::size_t count) {
    std::vector<InputFrame> frames;
    const bool enough = QTest::qWaitFor([&] { return gather(capture, frames) >= count; }, framesTimeout);
    if (!enough)
        qWarning("only %zu frames, error \"%s\"", frames.size(), capture.errorText().c_str());
    return frames;
}

bool isWalkingOne(const InputFrame& frame) {
    for (int i = 0; i < 64; ++i) {
        const float expected = i == static_cast<int>(frame.number % 64) ? 1.0f : 0.0f;
        if (frame.sensors[static_cast<std::size_t>(i / 8)][static_cast<std::size_t>(i % 8)] != expected)
            return false;
    }
    return true;
}

} // namespace

class NetworkCaptureTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Emulator::reset(); }

    void framesFollowTheUsbRules() {
        BoardServerProcess server(walkingOne);
        QVERIFY(server.start());
        Capture overNetwork("net", address(server));
        const std::vector<InputFrame> remote = collect(overNetwork, 40);
        overNetwork.stop();
        QVERIFY(remote.size() >= 40);

        Emulator::BoardConfig board;
        board.pattern = Emulator::Pattern::WalkingOne;
        Emulator::setBoards({board});
        Capture overUsb("usb", "-");
        const std::vector<InputFrame> local = collect(overUsb, 40);
        overUsb.stop();
        QVERIFY(local.size() >= 40);

        std::map<std::uint32_t, InputFrame> usbByNumber;
        for (const InputFrame& frame : local)
            usbByNumber[frame.number] = frame;
        for (std::size_t i = 0; i < remote.size(); ++i) {
            const InputFrame& frame = remote[i];
            QCOMPARE(frame.number, static_cast<std::uint32_t>(i)); // none lost, none twice
            QVERIFY2(isWalkingOne(frame), qPrintable(QString::number(frame.number)));
            if (i > 0)
                QCOMPARE(frame.timestamp - remote[i - 1].timestamp, std::uint64_t(20));
            const auto same = usbByNumber.find(frame.number);
            if (same == usbByNumber.end())
                continue;
            // Every value of a frame follows from its index: both boards agree.
            QVERIFY(frame.sensors == same->second.sensors);
            QVERIFY(frame.analog == same->second.analog);
            QCOMPARE(frame.digital, same->second.digital);
            QCOMPARE(frame.counter, same->second.counter);
        }
    }

    void lostServerEndsTheWorkerAndStartResumes() {
        BoardServerProcess server;
        QVERIFY(server.start());
        const quint16 port = server.port();
        Capture capture("net", address(server));
        QTRY_VERIFY_WITH_TIMEOUT(capture.frameCount() > 0, framesTimeout);

        server.kill();
        QElapsedTimer since;
        since.start();
        QTRY_VERIFY_WITH_TIMEOUT(!capture.errorText().empty(), failureNoticed);
        QVERIFY(since.elapsed() <= failureNoticed);
        const std::string error = capture.errorText();
        QVERIFY2(error.find("network board at " + address(server)) != std::string::npos, error.c_str());

        // While the server is away, a new start fails the same way, at once.
        capture.start();
        QTRY_VERIFY_WITH_TIMEOUT(!capture.errorText().empty(), failureNoticed);
        QVERIFY2(capture.errorText().find("Connection refused") != std::string::npos, capture.errorText().c_str());

        QVERIFY(server.start(port));
        capture.start();
        QTRY_VERIFY_WITH_TIMEOUT(capture.frameCount() > 10, framesTimeout);
        QCOMPARE(capture.errorText(), std::string());
        capture.stop();
    }

    void secondClientIsRefusedWhileTheFirstRuns() {
        BoardServerProcess server;
        QVERIFY(server.start());
        Capture first("net", address(server));
        QTRY_VERIFY_WITH_TIMEOUT(first.frameCount() > 0, framesTimeout);

        Capture second("net", address(server));
        QTRY_VERIFY_WITH_TIMEOUT(!second.errorText().empty(), failureNoticed);
        QVERIFY2(second.errorText().find("is busy") != std::string::npos, second.errorText().c_str());
        const std::uint32_t before = first.frameCount();
        QTRY_VERIFY_WITH_TIMEOUT(first.frameCount() > before + 5, framesTimeout);
        QCOMPARE(first.errorText(), std::string());

        // Once the first lets go, the second gets the board.
        first.stop();
        second.start();
        QTRY_VERIFY_WITH_TIMEOUT(second.frameCount() > 0, framesTimeout);
        second.stop();
    }

    void stalledServerIsDetected() {
        BoardServerProcess server;
        QVERIFY(server.start());
        Capture capture("net", address(server));
        QTRY_VERIFY_WITH_TIMEOUT(capture.frameCount() > 0, framesTimeout);

        server.stall();
        QElapsedTimer since;
        since.start();
        QTRY_VERIFY_WITH_TIMEOUT(!capture.errorText().empty(), failureNoticed + 500);
        QVERIFY(since.elapsed() <= failureNoticed + 500);
        QVERIFY2(capture.errorText().find("did not answer within 1000 ms") != std::string::npos,
                 capture.errorText().c_str());
        // The worker has ended: stopping does not wait for the server.
        since.restart();
        capture.stop();
        QVERIFY(since.elapsed() < 500);
        server.resume();
    }

    void serverFaultsEndTheWorker() {
        BoardServerProcess server(
            "[fault0]\nfunction = ReadNonBlocking\nstatus = 7\nmessage = Board unplugged\nafter = 20\n");
        QVERIFY(server.start());
        Capture capture("net", address(server));
        QTRY_COMPARE_WITH_TIMEOUT(capture.errorText(), std::string("Board unplugged"), framesTimeout);
        capture.stop();
    }

    void addressFormsReachTheLibraryUnchanged_data() {
        QTest::addColumn<QString>("address"); // %1: the server's port
        QTest::addColumn<QString>("host");    // as the library must receive it
        QTest::addColumn<QString>("failure"); // empty: frames arrive
        QTest::newRow("host:port") << "127.0.0.1:%1"
                                   << "127.0.0.1" << QString();
        QTest::newRow("blank and letter around the port") << "127.0.0.1: %1x"
                                                          << "127.0.0.1" << QString();
        QTest::newRow("host name") << "localhost:%1"
                                   << "localhost" << QString();
        QTest::newRow("empty host") << ":%1"
                                    << ""
                                    << "No network board at :%1: the host name is empty";
        QTest::newRow("blank in the host") << " 127.0.0.1:%1"
                                           << " 127.0.0.1"
                                           << "No network board at  127.0.0.1:%1: the host name cannot be resolved";
        QTest::newRow("unknown host") << "no-such-board.invalid:%1"
                                      << "no-such-board.invalid"
                                      << "No network board at no-such-board.invalid:%1: the host name cannot be "
                                         "resolved";
    }

    void addressFormsReachTheLibraryUnchanged() {
        QFETCH(QString, address);
        QFETCH(QString, host);
        QFETCH(QString, failure);
        BoardServerProcess server;
        QVERIFY(server.start());
        Emulator::clearCalls();
        Capture capture("net", address.arg(server.port()).toStdString());
        if (failure.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(capture.frameCount() > 0, framesTimeout);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!capture.errorText().empty(), failureNoticed);
            QVERIFY2(capture.errorText().rfind(failure.arg(server.port()).toStdString(), 0) == 0,
                     capture.errorText().c_str());
        }
        capture.stop();
        const std::string open = QString("OpenNetwork(%1, %2, 0x7D4035A0)").arg(host).arg(server.port()).toStdString();
        const std::vector<std::string> calls = Emulator::calls();
        QVERIFY2(std::find(calls.begin(), calls.end(), open) != calls.end(), open.c_str());
    }
};

QTEST_GUILESS_MAIN(NetworkCaptureTest)
#include "tst_networkcapture.moc"
