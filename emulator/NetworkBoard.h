// The library's side of a board served over TCP by kivratolm-board-emulator:
// every call is one request and one reply (NetworkProtocol.h). A connection
// that fails, times out or carries a malformed message is given up for good;
// every later call on the board fails with the reason.
#pragma once

#include "BoardAccess.h"
#include "NetworkProtocol.h"
#include "TcpConnection.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace KivraTolmEmulator {

class NetworkBoard : public BoardAccess {
public:
    // How long any one step (name lookup, connection, each reply) may take.
    static constexpr std::chrono::milliseconds timeout{1000};

    // `host` and `port` as the caller gave them; they name the board in messages.
    NetworkBoard(std::string host, std::int32_t port);

    // Connects and opens the board; details receives the board's details text.
    CallResult open(std::uint32_t typeId, std::string& details);
    // Closes the board on the server when the connection still works, then
    // the connection.
    CallResult close();

    CallResult parameter(std::int32_t number, std::int32_t& value) override;
    CallResult peripheralName(std::uint32_t id, std::string& name) override;
    CallResult lineCount(std::uint32_t portId, std::int32_t& count) override;
    CallResult lineName(std::uint32_t portId, std::int32_t line, std::string& name) override;
    CallResult setOutputEnableMask(std::uint32_t portId, std::uint32_t mask) override;
    CallResult writePort(std::uint32_t portId, std::uint32_t value) override;
    CallResult setCounterConfig(std::uint32_t counterId, std::uint32_t configuration) override;
    CallResult setCounterEnable(std::uint32_t counterId, std::int32_t enable) override;
    CallResult resetCounter(std::uint32_t counterId) override;
    CallResult setColumnSensitivity(std::int32_t column, std::int32_t value) override;
    CallResult setupInputFrame(const std::vector<std::uint32_t>& ids) override;
    CallResult start(std::int32_t flag, float rate, std::int32_t reserved, float& actualRate) override;
    CallResult stop() override;
    CallResult read(float* floats, std::uint32_t* words, std::int32_t& count) override;
    FrameLayout frameLayout() const override { return layout; }

private:
    using ReplyReader = std::function<void(Protocol::MessageReader&)>;
    // Sends the request and reads its reply: a failure status comes back
    // with the server's message, a success is handed to `readReply`.
    CallResult request(Protocol::MessageWriter message, Protocol::Type type, const ReplyReader& readReply = {});
    CallResult exchange(Protocol::MessageWriter& message, Protocol::Type type, const ReplyReader& readReply);
    // Reads one whole message; an Error message from the server throws.
    std::vector<unsigned char> receiveMessage(std::uint16_t expectedType);
    void readLayout(Protocol::MessageReader& reply);
    // Gives the connection up; the message is what every later call reports.
    CallResult lose(std::string message);

    const std::string address; // host:port as given, for messages
    const std::string host;
    const std::int32_t port;
    std::mutex mutex; // one request at a time on the connection
    std::unique_ptr<TcpConnection> connection;
    std::string lost;
    std::int32_t lostStatus = Status::Network;
    // The board's inputs as its Open reply told them; replies are checked
    // against them so that they never overrun a caller's buffers.
    FrameLayout layout;
    std::size_t framesPerRead = 0;
};

} // namespace KivraTolmEmulator
