// The server's side of one client connection: takes the client's bytes,
// answers each complete request with one reply from the emulated board, and
// knows nothing of sockets (the fuzzer drives it directly). Memory stays
// bounded whatever arrives: one request's bytes, the read buffers of the
// board, and the one reply handed out at a time.
#pragma once

#include "BoardConfig.h"
#include "FrameLayout.h"
#include "NetworkProtocol.h"
#include "Status.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace KivraTolmEmulator {

class BoardSession {
public:
    using Bytes = std::vector<unsigned char>;

    // `board` must be one of the emulator's boards.
    explicit BoardSession(const BoardConfig& board);
    // Closes the board when the client left it open.
    ~BoardSession();
    BoardSession(const BoardSession&) = delete;
    BoardSession& operator=(const BoardSession&) = delete;

    // What the server sends first on a connection it serves.
    static Bytes hello();
    // What it sends instead before closing one it does not serve.
    static Bytes refusal(std::int32_t status, const std::string& message);

    // How many bytes receive() takes now.
    std::size_t room() const;
    // Takes at most room() bytes; returns how many it took.
    std::size_t receive(const unsigned char* data, std::size_t size);
    // The reply to the next complete request, if one is complete. After a
    // malformed message it is an Error message, and the session is finished.
    std::optional<Bytes> next();
    // No more requests are taken: the connection ends once the last reply is out.
    bool finished() const { return sessionFinished; }
    // Why the session finished, for the server's log.
    const std::string& endReason() const { return endText; }

    // Reads need 8 + this many bytes per read, at most Protocol::maxReplyBody.
    static std::size_t readReplyBytes(const BoardConfig& board);

private:
    Bytes answer(std::uint16_t type, Protocol::MessageReader& request);
    Bytes open(Protocol::MessageReader& request);
    Bytes close();
    Bytes read();
    Bytes fail(std::string reason);
    // The reply for a call that returned `status` and wrote nothing else.
    Bytes statusReply(std::uint16_t type, std::int32_t status);
    Bytes failureReply(std::uint16_t type, std::int32_t status);

    BoardConfig boardConfig;
    FrameLayout layout;
    std::int32_t sessionHandle = -1;
    Bytes input;
    bool sessionFinished = false;
    std::string endText;
    std::vector<float> floats;
    std::vector<std::uint32_t> words;
};

} // namespace KivraTolmEmulator
