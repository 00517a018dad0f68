// The library's network boards against kivratolm-board-emulator and against
// fake servers that misbehave: every failure is a status with a message
// naming the board, in bounded time.
#include "BoardServerProcess.h"
#include "EmulatorTestSupport.h"
#include "Status.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <QtTest>

#include <chrono>
#include <future>

using namespace EmulatorTest;
namespace Emulator = KivraTolmEmulator;

Q_DECLARE_METATYPE(std::string)

namespace {

constexpr int textSize = KIVRATOLM_TEXT_SIZE;

struct Opened {
    std::int32_t status = 0;
    std::int32_t handle = -1;
    std::string details;
    std::string message;
};

Opened openNetwork(const std::string& host, int port) {
    Opened opened;
    char details[textSize] = "stale";
    opened.status = KivraTolmOpenNetwork(host.c_str(), port, &opened.handle, kivraTolmType, details);
    opened.details = details;
    if (opened.status != 0)
        opened.message = errorText(opened.status);
    return opened;
}

QByteArray message(quint16 type, const QByteArray& body) {
    QByteArray bytes("KT");
    bytes.append(char(type >> 8)).append(char(type & 0xFF));
    quint32 length = qToBigEndian(quint32(body.size()));
    bytes.append(reinterpret_cast<const char*>(&length), 4);
    return bytes + body;
}

QByteArray u32(std::initializer_list<quint32> values) {
    QByteArray bytes;
    for (quint32 value : values) {
        const quint32 big = qToBigEndian(value);
        bytes.append(reinterpret_cast<const char*>(&big), 4);
    }
    return bytes;
}

QByteArray text(const QByteArray& value) {
    return u32({quint32(value.size())}) + value;
}

const QByteArray hello = message(0x01, u32({1}));

QByteArray openReply(quint32 analog, quint32 framesPerRead) {
    return message(0x82, u32({0}) + text("fake") + u32({analog, 64, 2, 1, 1, framesPerRead}));
}

// A server that greets with `script[0]` and answers the n-th request with
// `script[n]`, then closes; an empty entry sends nothing and keeps silent.
class FakeBoard : public QObject {
public:
    explicit FakeBoard(QList<QByteArray> script)
        : scriptedReplies(std::move(script)) {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, this, [this] {
            socket = server.nextPendingConnection();
            next();
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this] {
                socket->readAll();
                next();
            });
        });
    }
    int port() const { return server.serverPort(); }

private:
    void next() {
        if (sent >= scriptedReplies.size()) {
            socket->disconnectFromHost();
            return;
        }
        const QByteArray& entry = scriptedReplies[sent++];
        socket->write(entry);
        if (sent == scriptedReplies.size() && !entry.isEmpty())
            socket->disconnectFromHost();
    }

    QTcpServer server;
    QTcpSocket* socket = nullptr;
    QList<QByteArray> scriptedReplies;
    int sent = 0;
};

// Runs a blocking library call on another thread while this one serves the fakes.
template <typename Call> auto whileServing(Call call) {
    auto result = std::async(std::launch::async, call);
    const bool done = QTest::qWaitFor(
        [&] { return result.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; }, 5000);
    if (!done)
        qFatal("a library call did not return within 5 s");
    return result.get();
}

Frames readNetworkFrames(std::int32_t handle) {
    return readFrames(handle, Emulator::BoardConfig());
}

} // namespace

class NetworkBoardTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Emulator::reset(); }

    void openedBoardAnswersLikeTheUsbBoard() {
        BoardServerProcess server;
        QVERIFY(server.start());
        const Opened opened = openNetwork(server.host(), server.port());
        QCOMPARE(opened.message, std::string());
        QVERIFY(opened.handle > 0);
        QCOMPARE(opened.details, std::string("KivraTolm emulated board"));

        const std::int32_t usb = openBoard();
        for (std::int32_t parameter : {0, 1, 2, 3, 4, 5, 6}) {
            std::int32_t overNetwork = -1;
            std::int32_t local = -2;
            QCOMPARE(KivraTolmGetDeviceParameter(opened.handle, parameter, &overNetwork), 0);
            QCOMPARE(KivraTolmGetDeviceParameter(usb, parameter, &local), 0);
            QCOMPARE(overNetwork, local);
        }
        char name[textSize];
        QCOMPARE(KivraTolmGetDigitalPortIoName(opened.handle, ioPort, 3, name), 0);
        QCOMPARE(std::string(name), std::string("IO4"));
        // A refused call carries the board's own message and keeps the connection.
        const std::int32_t refused = KivraTolmSetColumnSensitivity(opened.handle, 8, 31);
        QVERIFY(refused != 0);
        QCOMPARE(errorText(refused), std::string("Sensor column 8 out of range 0..7"));
        QCOMPARE(KivraTolmSetColumnSensitivity(opened.handle, 7, 31), 0);

        QCOMPARE(start(opened.handle, 1000), 0);
        int arrived = 0;
        QTRY_VERIFY((arrived += readNetworkFrames(opened.handle).count) > 0);
        const Frames frames = readNetworkFrames(opened.handle);
        QCOMPARE(frames.status, 0);
        QVERIFY(frames.count <= 100);

        QCOMPARE(KivraTolmClose(opened.handle), 0);
        const std::int32_t closed = KivraTolmStopDataAcquisition(opened.handle);
        QVERIFY(closed != 0);
        QVERIFY2(errorText(closed).find("its board was closed") != std::string::npos, errorText(closed).c_str());
        // The board is free again for the next client.
        const Opened again = openNetwork(server.host(), server.port());
        QCOMPARE(again.message, std::string());
        KivraTolmClose(again.handle);
    }

    void secondClientIsToldBusy() {
        BoardServerProcess server;
        QVERIFY(server.start());
        const Opened first = openNetwork(server.host(), server.port());
        QCOMPARE(first.status, 0);
        const Opened second = openNetwork(server.host(), server.port());
        QCOMPARE(second.handle, -1);
        QCOMPARE(second.status, Emulator::Status::Busy);
        QVERIFY2(second.message.find("127.0.0.1:" + std::to_string(server.port()) + " is busy") != std::string::npos,
                 second.message.c_str());
        // The first client goes on undisturbed.
        std::int32_t value = 0;
        QCOMPARE(KivraTolmGetDeviceParameter(first.handle, 6, &value), 0);
        QCOMPARE(KivraTolmClose(first.handle), 0);
        // The server lets the first client go before it accepts the next.
        QCOMPARE(openNetwork(server.host(), server.port()).status, 0);
    }

    void serverFaultsReachTheClient() {
        BoardServerProcess server("[fault0]\nfunction = ReadNonBlocking\nstatus = 7\nmessage = Board unplugged\n");
        QVERIFY(server.start());
        const Opened opened = openNetwork(server.host(), server.port());
        QCOMPARE(opened.status, 0);
        const Frames frames = readNetworkFrames(opened.handle);
        QCOMPARE(frames.status, 7);
        QCOMPARE(errorText(7), std::string("Board unplugged"));
        KivraTolmClose(opened.handle);
    }

    void lostServerFailsEveryLaterCall() {
        BoardServerProcess server;
        QVERIFY(server.start());
        const Opened opened = openNetwork(server.host(), server.port());
        QCOMPARE(opened.status, 0);
        server.kill();
        const Frames frames = readNetworkFrames(opened.handle);
        QVERIFY(frames.status != 0);
        const std::string lost = errorText(frames.status);
        QVERIFY2(lost.find("Lost the connection to the network board at " + server.address().toStdString()) == 0,
                 lost.c_str());
        std::int32_t value = 0;
        const std::int32_t later = KivraTolmGetDeviceParameter(opened.handle, 0, &value);
        QCOMPARE(errorText(later), lost);
        KivraTolmClose(opened.handle);
    }

    void stalledServerTimesOut() {
        BoardServerProcess server;
        QVERIFY(server.start());
        const Opened opened = openNetwork(server.host(), server.port());
        QCOMPARE(opened.status, 0);
        server.stall();
        QElapsedTimer waited;
        waited.start();
        const Frames frames = readNetworkFrames(opened.handle);
        QVERIFY(frames.status != 0);
        QVERIFY2(errorText(frames.status).find("did not answer within 1000 ms") != std::string::npos,
                 errorText(frames.status).c_str());
        QVERIFY(waited.elapsed() >= 900);
        // Closing a lost board does not wait for it again.
        waited.restart();
        KivraTolmClose(opened.handle);
        QVERIFY(waited.elapsed() < 500);
        server.resume();
    }

    void silentClientIsDropped() {
        BoardServerProcess server({}, {"--idle-timeout", "1"});
        QVERIFY(server.start());
        const Opened opened = openNetwork(server.host(), server.port());
        QCOMPARE(opened.status, 0);
        QTRY_VERIFY_WITH_TIMEOUT(server.output().contains("left: silent for 1 s"), 5000);
        std::int32_t value = 0;
        QVERIFY(KivraTolmGetDeviceParameter(opened.handle, 0, &value) != 0);
        KivraTolmClose(opened.handle);
        QCOMPARE(openNetwork(server.host(), server.port()).status, 0);
    }

    void unreachableAddresses_data() {
        QTest::addColumn<std::string>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<std::string>("message");
        QTest::newRow("nothing listens") << std::string("127.0.0.1") << 1
                                         << std::string("No network board at 127.0.0.1:1: Connection refused");
        QTest::newRow("unknown host") << std::string("no-such-board.invalid") << 10001
                                      << std::string("No network board at no-such-board.invalid:10001: the host "
                                                     "name cannot be resolved");
        QTest::newRow("empty host") << std::string() << 10001
                                    << std::string("No network board at :10001: the host name is empty");
        QTest::newRow("port 0") << std::string("127.0.0.1") << 0
                                << std::string("No network board at 127.0.0.1:0: the port must be 1..65535");
        QTest::newRow("port too high") << std::string("127.0.0.1") << 65536
                                       << std::string("No network board at 127.0.0.1:65536: the port must be 1..65535");
    }

    void unreachableAddresses() {
        QFETCH(std::string, host);
        QFETCH(int, port);
        QFETCH(std::string, message);
        const Opened opened = openNetwork(host, port);
        QVERIFY(opened.status != 0);
        QCOMPARE(opened.handle, -1);
        QCOMPARE(opened.details, std::string());
        QVERIFY2(opened.message.rfind(message, 0) == 0, opened.message.c_str());
        QCOMPARE(Emulator::calls(),
                 std::vector<std::string>{"OpenNetwork(" + host + ", " + std::to_string(port) + ", 0x7D4035A0)"});
    }

    void misbehavingServers_data() {
        QTest::addColumn<QList<QByteArray>>("script");
        QTest::addColumn<std::string>("message");
        QTest::newRow("not our protocol") << QList<QByteArray>{"HTTP/1.1 200 OK\r\n\r\n"}
                                          << std::string("Malformed message from the network board at");
        QTest::newRow("oversized greeting") << QList<QByteArray>{QByteArray("KT\x00\x01\x7f\xff\xff\xff", 8)}
                                            << std::string("larger than the 16777216 bytes allowed");
        QTest::newRow("other version") << QList<QByteArray>{message(0x01, u32({2}))}
                                       << std::string("speaks protocol version 2; this library speaks version 1");
        QTest::newRow("never greets") << QList<QByteArray>{QByteArray()}
                                      << std::string("it did not greet within 1000 ms");
        QTest::newRow("closes at once") << QList<QByteArray>{} << std::string("the board closed the connection");
        QTest::newRow("busy") << QList<QByteArray>{message(0x7F, u32({quint32(-103)}) + text("in use"))}
                              << std::string("is busy: in use");
        QTest::newRow("impossible layout")
            << QList<QByteArray>{hello, openReply(300, 100)} << std::string("the board reports 300 analog inputs");
        QTest::newRow("wrong reply") << QList<QByteArray>{hello, message(0x83, u32({0}))}
                                     << std::string("expected Open reply, got Close reply");
        QTest::newRow("reply cut short") << QList<QByteArray>{hello, openReply(4, 100).left(20)}
                                         << std::string("Lost the connection");
        QTest::newRow("reply never comes")
            << QList<QByteArray>{hello, QByteArray()} << std::string("did not answer within 1000 ms");
    }

    void misbehavingServers() {
        QFETCH(QList<QByteArray>, script);
        QFETCH(std::string, message);
        FakeBoard fake(script);
        QElapsedTimer waited;
        waited.start();
        const Opened opened = whileServing([&] { return openNetwork("127.0.0.1", fake.port()); });
        QVERIFY(waited.elapsed() < 2500);
        QVERIFY(opened.status != 0);
        QCOMPARE(opened.handle, -1);
        QVERIFY2(opened.message.find(message) != std::string::npos, opened.message.c_str());
        QVERIFY2(opened.message.find("127.0.0.1:" + std::to_string(fake.port())) != std::string::npos,
                 opened.message.c_str());
    }

    void readRepliesNeverOverrunTheBuffers_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<std::string>("message");
        // The board opened with 2 frames per read and 4 + 64 floats, 2 + 1 + 1 words a frame.
        const QByteArray frame(4 * (68 + 4), '\0');
        QTest::newRow("more frames than a read holds")
            << message(0x91, u32({0, 3}) + frame + frame + frame) << std::string("3 frames in one read, more than");
        QTest::newRow("fewer values than frames")
            << message(0x91, u32({0, 2}) + frame) << std::string("a read of 2 frames holds 288 bytes");
    }

    void readRepliesNeverOverrunTheBuffers() {
        QFETCH(QByteArray, reply);
        QFETCH(std::string, message);
        FakeBoard fake({hello, openReply(4, 2), reply});
        const Opened opened = whileServing([&] { return openNetwork("127.0.0.1", fake.port()); });
        QCOMPARE(opened.message, std::string());
        std::vector<float> floats(2 * 68 + 1, -1.0f);
        std::vector<std::uint32_t> words(2 * 4 + 1, 7u);
        std::int32_t count = -1;
        const std::int32_t status =
            whileServing([&] { return KivraTolmReadNonBlocking(opened.handle, floats.data(), words.data(), &count); });
        QVERIFY(status != 0);
        QCOMPARE(count, 0);
        QVERIFY2(errorText(status).find(message) != std::string::npos, errorText(status).c_str());
        QCOMPARE(floats.back(), -1.0f);
        QCOMPARE(words.back(), 7u);
        KivraTolmClose(opened.handle);
    }

    void parametersMustMatchTheOpenedLayout() {
        FakeBoard fake({hello, openReply(4, 2), message(0x84, u32({0, 500}))});
        const Opened opened = whileServing([&] { return openNetwork("127.0.0.1", fake.port()); });
        QCOMPARE(opened.message, std::string());
        std::int32_t value = 0;
        const std::int32_t status = whileServing([&] { return KivraTolmGetDeviceParameter(opened.handle, 6, &value); });
        QVERIFY(status != 0);
        QCOMPARE(value, 0);
        QVERIFY2(errorText(status).find("parameter 6 is 500, but the board opened with 2") != std::string::npos,
                 errorText(status).c_str());
        KivraTolmClose(opened.handle);
    }

    void stopSignalsEndTheServerCleanly_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("line");
        QTest::newRow("SIGTERM") << int(SIGTERM) << "stopped by SIGTERM";
        QTest::newRow("SIGINT") << int(SIGINT) << "stopped by SIGINT";
    }

    void stopSignalsEndTheServerCleanly() {
        QFETCH(int, signal);
        QFETCH(QString, line);
        BoardServerProcess server;
        QVERIFY(server.start());
        const Opened opened = openNetwork(server.host(), server.port());
        QCOMPARE(opened.status, 0);
        server.signal(signal);
        QVERIFY(server.process().waitForFinished(5000));
        QCOMPARE(server.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.process().exitCode(), 0);
        QVERIFY2(server.output().contains(line), qPrintable(server.output()));
        QVERIFY(server.output().contains("left: the server stops"));
        KivraTolmClose(opened.handle);
    }

    void unusableStartsAreRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--port", "1"} << 2 << "unknown option \"--port\"";
        QTest::newRow("no port") << QStringList{"--listen", "127.0.0.1"} << 2
                                 << "--listen needs host:port, not \"127.0.0.1\"";
        QTest::newRow("port too high") << QStringList{"--listen", "127.0.0.1:70000"} << 2
                                       << "--listen needs a whole number 0..65535, not \"70000\"";
        QTest::newRow("no such board") << QStringList{"--listen", "127.0.0.1:0", "--board", "1"} << 1
                                       << "the configuration has no board 1 (it has 1)";
        QTest::newRow("missing file") << QStringList{"--listen", "127.0.0.1:0", "--config", "/nonexistent/b.ini"} << 1
                                      << "/nonexistent/b.ini";
        QTest::newRow("unresolvable") << QStringList{"--listen", "no-such-board.invalid:0"} << 1
                                      << "cannot listen on no-such-board.invalid:0";
    }

    void unusableStartsAreRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QProcess server;
        server.start(BOARD_EMULATOR, arguments);
        QVERIFY(server.waitForFinished(5000));
        QCOMPARE(server.exitCode(), exitCode);
        const QString error = QString::fromUtf8(server.readAllStandardError());
        QVERIFY2(error.contains(message), qPrintable(error));
    }

    void portInUseIsRefused() {
        BoardServerProcess first;
        QVERIFY(first.start());
        QProcess second;
        second.start(BOARD_EMULATOR, {"--listen", first.address()});
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 1);
        const QString error = QString::fromUtf8(second.readAllStandardError());
        QVERIFY2(error.contains("cannot listen on " + first.address() + ": Address already in use"), qPrintable(error));
    }

    void malformedRequestsEndOnlyThatConnection() {
        BoardServerProcess server;
        QVERIFY(server.start());
        QTcpSocket raw;
        raw.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(raw.waitForConnected(2000));
        raw.write("GET / HTTP/1.1\r\n\r\n");
        QTRY_COMPARE(raw.state(), QAbstractSocket::UnconnectedState);
        const QByteArray answer = raw.readAll();
        QVERIFY(answer.startsWith(hello));
        QCOMPARE(answer.mid(hello.size(), 4), QByteArray("KT\x00\x7f", 4));
        QVERIFY(answer.contains("not a KivraTolm network board message"));
        QCOMPARE(openNetwork(server.host(), server.port()).status, 0);
    }
};

QTEST_GUILESS_MAIN(NetworkBoardTest)
#include "tst_networkboard.moc"
