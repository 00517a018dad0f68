// The network board's request handling without sockets: replies, refusals
// and every malformed request a client could send.
#include "BoardSession.h"
#include "Emulator.h"
#include "NetworkProtocol.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace KivraTolmEmulator;
using Bytes = BoardSession::Bytes;

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(std::string)

namespace {

Protocol::MessageWriter request(Protocol::Type type) {
    return Protocol::MessageWriter(Protocol::code(type));
}

Bytes openRequest(std::uint32_t version = Protocol::version, std::uint32_t typeId = 0x7D4035A0) {
    return request(Protocol::Type::Open).u32(version).u32(typeId).finish();
}

Bytes operator+(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Bytes raw(const char* bytes, std::size_t size) {
    return Bytes(bytes, bytes + size);
}

BoardConfig rampBoard() {
    BoardConfig board;
    board.manualClock = true;
    board.pattern = Pattern::Ramp;
    board.framesPerRead = 4;
    return board;
}

// A reply taken apart: its type, status, and the reader past the status.
struct Reply {
    std::uint16_t type = 0;
    std::int32_t status = 0;
    std::string message;
    Bytes body;
};

Reply parse(const Bytes& bytes) {
    Reply reply;
    const Protocol::Header header = Protocol::parseHeader(bytes.data(), Protocol::maxReplyBody);
    if (header.bodyLength != bytes.size() - Protocol::headerSize)
        qFatal("reply length does not match its header");
    reply.type = header.type;
    reply.body.assign(bytes.begin() + Protocol::headerSize, bytes.end());
    Protocol::MessageReader reader(reply.body.data(), reply.body.size(), "reply");
    reply.status = reader.i32();
    if (reply.status != 0) {
        reply.message = reader.text();
        reader.finish();
    }
    return reply;
}

// Feeds the bytes in pieces and collects every reply.
std::vector<Reply> converse(BoardSession& session, const Bytes& bytes, std::size_t piece = 4096) {
    std::vector<Reply> replies;
    std::size_t at = 0;
    while (!session.finished()) {
        at += session.receive(bytes.data() + at, std::min(piece, bytes.size() - at));
        bool answered = false;
        while (auto reply = session.next()) {
            replies.push_back(parse(*reply));
            answered = true;
        }
        if (at == bytes.size() && !answered)
            break;
    }
    return replies;
}

} // namespace

class BoardSessionTest : public QObject {
    Q_OBJECT

    Emulator& emulator() { return Emulator::instance(); }

private slots:
    void init() {
        emulator().reset();
        emulator().setBoards({rampBoard()});
    }

    void openReportsTheLayout() {
        BoardSession session(rampBoard());
        const std::vector<Reply> replies = converse(session, openRequest());
        QCOMPARE(replies.size(), std::size_t(1));
        QCOMPARE(replies[0].type, Protocol::replyCode(Protocol::Type::Open));
        QCOMPARE(replies[0].status, 0);
        Protocol::MessageReader reader(replies[0].body.data(), replies[0].body.size(), "Open reply");
        reader.i32();
        QCOMPARE(reader.text(), std::string("KivraTolm emulated board"));
        const std::vector<std::uint32_t> layout = {reader.u32(), reader.u32(), reader.u32(),
                                                   reader.u32(), reader.u32(), reader.u32()};
        QCOMPARE(layout, std::vector<std::uint32_t>({4, 64, 2, 1, 1, 4}));
        reader.finish();
        QVERIFY(emulator().boardState(0).open);
    }

    void readsCarryTheBoardsFrames() {
        BoardSession session(rampBoard());
        converse(session,
                 openRequest() + request(Protocol::Type::StartDataAcquisition).i32(0).f32(50).i32(-1).finish());
        emulator().pushFrames(0, 6);
        const std::vector<Reply> replies = converse(session, request(Protocol::Type::ReadNonBlocking).finish());
        QCOMPARE(replies.size(), std::size_t(1));
        Protocol::MessageReader reader(replies[0].body.data(), replies[0].body.size(), "read");
        QCOMPARE(reader.i32(), 0);
        QCOMPARE(reader.u32(), 4u); // at most framesPerRead
        std::vector<float> floats(4 * 68);
        std::vector<std::uint32_t> words(4 * 4);
        reader.floats(floats.data(), floats.size());
        reader.words(words.data(), words.size());
        reader.finish();
        // Ramp: sensor i of frame n is 2.5 * ((n + i) % 64) / 64.
        for (int frame = 0; frame < 4; ++frame) {
            for (int sensor = 0; sensor < 64; sensor += 21)
                QCOMPARE(floats[static_cast<std::size_t>(frame * 68 + 4 + sensor)],
                         2.5f * static_cast<float>((frame + sensor) % 64) / 64.0f);
        }
    }

    void refusedCallsKeepTheSession() {
        BoardSession session(rampBoard());
        const std::vector<Reply> replies =
            converse(session, openRequest() + request(Protocol::Type::SetColumnSensitivity).i32(8).i32(31).finish() +
                                  request(Protocol::Type::GetDeviceParameter).i32(6).finish());
        QCOMPARE(replies.size(), std::size_t(3));
        QCOMPARE(replies[1].status, -101);
        QCOMPARE(replies[1].message, std::string("Sensor column 8 out of range 0..7"));
        QCOMPARE(replies[2].status, 0);
        QVERIFY(!session.finished());
    }

    void otherBoardTypeIsRefused() {
        BoardSession session(rampBoard());
        std::vector<Reply> replies = converse(session, openRequest(Protocol::version, 0x12345678));
        QCOMPARE(replies[0].status, -104);
        QCOMPARE(replies[0].message, std::string("The board KT-EMU-0001 is of type 0x7D4035A0, not 0x12345678"));
        QVERIFY(!emulator().boardState(0).open);
        replies = converse(session, openRequest(Protocol::version, 0x7D400000));
        QCOMPARE(replies[0].status, 0);
    }

    void injectedFaultsAnswerTheRequest() {
        emulator().injectFault({"Open", 7, "Board unplugged", 0, 1});
        BoardSession session(rampBoard());
        std::vector<Reply> replies = converse(session, openRequest());
        QCOMPARE(replies[0].status, 7);
        QCOMPARE(replies[0].message, std::string("Board unplugged"));
        replies = converse(session, openRequest());
        QCOMPARE(replies[0].status, 0);
    }

    void closeFinishesAndFreesTheBoard() {
        BoardSession session(rampBoard());
        const std::vector<Reply> replies = converse(session, openRequest() + request(Protocol::Type::Close).finish() +
                                                                 request(Protocol::Type::ReadNonBlocking).finish());
        QCOMPARE(replies.size(), std::size_t(2)); // nothing after the Close
        QVERIFY(session.finished());
        QCOMPARE(session.room(), std::size_t(0));
        QVERIFY(!emulator().boardState(0).open);
    }

    void aVanishedClientLeavesTheBoardClosed() {
        {
            BoardSession session(rampBoard());
            converse(session,
                     openRequest() + request(Protocol::Type::StartDataAcquisition).i32(0).f32(50).i32(-1).finish());
            QVERIFY(emulator().boardState(0).running);
        }
        QVERIFY(!emulator().boardState(0).open);
        QVERIFY(!emulator().boardState(0).running);
    }

    void piecesMakeNoDifference() {
        const Bytes requests = openRequest() + request(Protocol::Type::GetPeripheralName).u32(0x7D401B3F).finish() +
                               request(Protocol::Type::GetDigitalPortIoCount).u32(0x7D401001).finish();
        std::vector<std::string> whole;
        {
            BoardSession session(rampBoard());
            for (const Reply& reply : converse(session, requests))
                whole.emplace_back(reply.body.begin(), reply.body.end());
        }
        BoardSession session(rampBoard());
        std::vector<std::string> bytewise;
        for (const Reply& reply : converse(session, requests, 1))
            bytewise.emplace_back(reply.body.begin(), reply.body.end());
        QCOMPARE(bytewise, whole);
        QCOMPARE(whole.size(), std::size_t(3));
    }

    void malformedRequestsEndTheSession_data() {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<std::string>("reason");
        const Bytes opened = openRequest();
        QTest::newRow("not our magic") << raw("GET / HTTP/1.1\r\n", 16)
                                       << std::string(
                                              "not a KivraTolm network board message (it starts with 0x47455420)");
        // Refused on the header alone: the body is never waited for nor stored.
        QTest::newRow("oversized") << raw("KT\x00\x11\x00\x00\x40\x01", 8)
                                   << std::string("ReadNonBlocking of 16385 bytes is larger than the 16384 bytes "
                                                  "allowed");
        QTest::newRow("unknown type") << raw("KT\x00\x42\x00\x00\x00\x00", 8)
                                      << std::string("unknown request type 0x42");
        QTest::newRow("a reply as request")
            << raw("KT\x00\x84\x00\x00\x00\x00", 8) << std::string("unknown request GetDeviceParameter reply");
        QTest::newRow("hello as request")
            << raw("KT\x00\x01\x00\x00\x00\x00", 8) << std::string("unknown request Hello");
        QTest::newRow("before open") << request(Protocol::Type::ReadNonBlocking).finish()
                                     << std::string("ReadNonBlocking before Open");
        QTest::newRow("open twice") << opened + opened << std::string("Open on a board that is already open");
        QTest::newRow("other version") << openRequest(2) << std::string("this board speaks protocol version 1, not 2");
        QTest::newRow("short body") << opened + request(Protocol::Type::GetDeviceParameter).finish()
                                    << std::string("GetDeviceParameter of 0 bytes is too short");
        QTest::newRow("long body") << opened + request(Protocol::Type::StopDataAcquisition).u32(1).finish()
                                   << std::string("StopDataAcquisition has 4 bytes too many");
        QTest::newRow("too many inputs") << opened + request(Protocol::Type::SetupInputFrame).u32(4001).finish()
                                         << std::string("SetupInputFrame with 4001 inputs, more than the 4000 allowed");
        QTest::newRow("fewer ids than counted")
            << opened + request(Protocol::Type::SetupInputFrame).u32(3).u32(0x7D401B00).finish()
            << std::string("SetupInputFrame of 8 bytes is too short");
        QTest::newRow("text too long") << opened +
                                              request(Protocol::Type::GetPeripheralName).u32(0x7D401100).u32(5).finish()
                                       << std::string("GetPeripheralName has 4 bytes too many");
    }

    void malformedRequestsEndTheSession() {
        QFETCH(Bytes, bytes);
        QFETCH(std::string, reason);
        BoardSession session(rampBoard());
        const std::vector<Reply> replies = converse(session, bytes);
        QVERIFY(!replies.empty());
        const Reply& last = replies.back();
        QCOMPARE(last.type, Protocol::code(Protocol::Type::Error));
        QCOMPARE(last.status, -108);
        QCOMPARE(last.message, reason);
        QVERIFY(session.finished());
        QCOMPARE(session.endReason(), reason);
        QCOMPARE(session.room(), std::size_t(0));
        QVERIFY(!session.next());
    }

    void inputNeverExceedsOneRequest() {
        BoardSession session(rampBoard());
        const Bytes flood(100000, 'K');
        const std::size_t taken = session.receive(flood.data(), flood.size());
        QCOMPARE(taken, Protocol::headerSize + Protocol::maxRequestBody);
        QCOMPARE(session.room(), std::size_t(0));
        QVERIFY(session.next()); // the Error for the bad magic
        QVERIFY(session.finished());
    }

    // The fuzzer's seeds are the requests of real sessions and of known faults.
    void fuzzSeedsRunClean() {
        const QDir corpus(FUZZ_CORPUS);
        const QStringList seeds = corpus.entryList(QDir::Files);
        QVERIFY(seeds.size() >= 10);
        for (const QString& name : seeds) {
            QFile file(corpus.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray content = file.readAll().mid(1); // the fuzzer's piece size
            BoardSession session(rampBoard());
            const std::vector<Reply> replies = converse(session, Bytes(content.begin(), content.end()));
            QVERIFY2(!replies.empty(), qPrintable(name));
        }
        QVERIFY(!emulator().boardState(0).open);
    }
};

QTEST_GUILESS_MAIN(BoardSessionTest)
#include "tst_boardsession.moc"
