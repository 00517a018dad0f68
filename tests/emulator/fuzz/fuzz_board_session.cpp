// libFuzzer target over the network board's request parser: the bytes a
// client could send, fed to a BoardSession in pieces whose size the first
// byte chooses.
//
// Checks beyond "no crash": the session never takes more than room(); every
// reply is one well-formed message of the protocol, the reply to the request
// or an Error; after an Error the session takes nothing more; a reply never
// exceeds the protocol's bound; only an Error or a Close finishes it.

#include "BoardSession.h"
#include "Emulator.h"
#include "NetworkProtocol.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace KivraTolmEmulator;

namespace {

BoardConfig fuzzedBoard() {
    BoardConfig board;
    board.manualClock = true; // the same input gives the same replies
    board.framesPerRead = 8;
    board.bufferFrames = 64;
    board.pattern = Pattern::Ramp;
    return board;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void checkReply(const BoardSession::Bytes& reply, bool& sawError, bool& sawClose) {
    if (reply.size() < Protocol::headerSize)
        fail("reply shorter than a header");
    const Protocol::Header header = Protocol::parseHeader(reply.data(), Protocol::maxReplyBody);
    if (header.bodyLength != reply.size() - Protocol::headerSize)
        fail("reply length does not match its header");
    if (header.type == Protocol::code(Protocol::Type::Error)) {
        Protocol::MessageReader body(reply.data() + Protocol::headerSize, header.bodyLength, "Error");
        if (body.i32() == 0)
            fail("Error message with status 0");
        body.text();
        body.finish();
        sawError = true;
        return;
    }
    if (!(header.type & Protocol::replyBit) || !Protocol::isRequest(header.type & ~Protocol::replyBit))
        fail("reply of no request type");
    sawClose = sawClose || header.type == Protocol::replyCode(Protocol::Type::Close);
    Protocol::MessageReader body(reply.data() + Protocol::headerSize, header.bodyLength, "reply");
    if (body.i32() != 0) {
        body.text();
        body.finish();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const BoardConfig board = fuzzedBoard();
    static const bool unrecorded = (Emulator::instance().setCallRecording(false), true);
    (void)unrecorded;
    Emulator::instance().setBoards({board});
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0];
    ++data;
    --size;

    BoardSession session(board);
    bool sawError = false;
    bool sawClose = false;
    std::size_t at = 0;
    while (!session.finished()) {
        const std::size_t room = session.room();
        const std::size_t offered = std::min(piece, size - at);
        const std::size_t taken = session.receive(data + at, offered);
        if (taken > room || taken > offered)
            fail("the session took more than it has room for");
        at += taken;
        // Frames for any stream the input started, so that reads carry some.
        Emulator::instance().pushFrames(0, 3);
        bool answered = false;
        while (auto reply = session.next()) {
            answered = true;
            if (sawError || sawClose)
                fail("a reply after an Error or a Close");
            checkReply(*reply, sawError, sawClose);
        }
        if ((sawError || sawClose) != session.finished())
            fail("an Error or a Close did not finish the session, or it finished without one");
        if (at == size && !answered)
            break;
        if (taken == 0 && !answered)
            fail("the session neither took bytes nor answered");
    }
    if (session.finished() && session.room() != 0)
        fail("a finished session still takes bytes");
    return 0;
}
