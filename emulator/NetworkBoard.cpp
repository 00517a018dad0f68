#include "NetworkBoard.h"

#include "PeripheralIds.h"

namespace KivraTolmEmulator {

namespace {

using Protocol::MessageReader;
using Protocol::MessageWriter;
using Protocol::ProtocolError;
using Protocol::Type;

// An Error message from the server: it ends the connection.
struct ServerError {
    std::int32_t status;
    std::string message;
};

TcpConnection::Deadline deadlineFromNow() {
    return std::chrono::steady_clock::now() + NetworkBoard::timeout;
}

std::size_t checkedCount(MessageReader& reply, const char* what, std::size_t max) {
    const std::uint32_t count = reply.u32();
    if (count > max)
        throw ProtocolError("the board reports " + std::to_string(count) + " " + what + ", more than the " +
                            std::to_string(max) + " possible");
    return count;
}

} // namespace

NetworkBoard::NetworkBoard(std::string host, std::int32_t port)
    : address(host + ":" + std::to_string(port))
    , host(std::move(host))
    , port(port) {}

CallResult NetworkBoard::lose(std::string message) {
    connection.reset();
    lost = std::move(message);
    return CallResult::failure(lostStatus, lost);
}

CallResult NetworkBoard::open(std::uint32_t typeId, std::string& details) {
    std::lock_guard<std::mutex> lock(mutex);
    const std::string noBoard = "No network board at " + address + ": ";
    if (port < 1 || port > 65535)
        return CallResult::failure(Status::InvalidArgument, noBoard + "the port must be 1..65535");
    if (host.empty())
        return CallResult::failure(Status::InvalidArgument, noBoard + "the host name is empty");
    try {
        const std::vector<SocketAddress> addresses = resolveHost(host, port, timeout);
        connection = std::make_unique<TcpConnection>(addresses, deadlineFromNow());
    } catch (const NetworkFailure& failure) {
        return lose(noBoard + failure.what());
    }
    try {
        // The server speaks first: its protocol version, or why it refuses.
        const std::vector<unsigned char> hello = receiveMessage(Protocol::code(Type::Hello));
        MessageReader reader(hello.data(), hello.size(), "Hello");
        const std::uint32_t version = reader.u32();
        if (version != Protocol::version)
            return lose("The network board at " + address + " speaks protocol version " + std::to_string(version) +
                        "; this library speaks version " + std::to_string(Protocol::version));
    } catch (const ServerError& refusal) {
        lostStatus = refusal.status;
        return lose(refusal.status == Status::Busy
                        ? "The network board at " + address + " is busy: " + refusal.message
                        : "The network board at " + address + " refused the connection: " + refusal.message);
    } catch (const NetworkTimeout&) {
        return lose(noBoard + "it did not greet within " + std::to_string(timeout.count()) + " ms");
    } catch (const NetworkFailure& failure) {
        return lose(noBoard + failure.what());
    } catch (const ProtocolError& error) {
        return lose("Malformed message from the network board at " + address + ": " + error.what());
    }
    MessageWriter message(Protocol::code(Type::Open));
    message.u32(Protocol::version).u32(typeId);
    return exchange(message, Type::Open, [&](MessageReader& reply) {
        details = reply.text();
        readLayout(reply);
    });
}

void NetworkBoard::readLayout(MessageReader& reply) {
    layout.analog = checkedCount(reply, "analog inputs", idBlockSize);
    layout.sensors = checkedCount(reply, "sensor inputs", idBlockSize);
    layout.ports = checkedCount(reply, "digital ports", idBlockSize);
    layout.counters = checkedCount(reply, "counters", idBlockSize);
    layout.triggers = checkedCount(reply, "triggers", idBlockSize);
    const std::size_t frameBytes = Protocol::frameBytes(layout);
    framesPerRead = checkedCount(reply, "frames per read",
                                 frameBytes == 0 ? Protocol::maxReplyBody
                                                 : (Protocol::maxReplyBody - Protocol::readReplyHead) / frameBytes);
    if (framesPerRead == 0)
        throw ProtocolError("the board reports 0 frames per read");
}

CallResult NetworkBoard::close() {
    std::lock_guard<std::mutex> lock(mutex);
    if (!connection)
        return CallResult::failure(lostStatus, lost);
    MessageWriter message(Protocol::code(Type::Close));
    CallResult result = exchange(message, Type::Close, {});
    connection.reset();
    lost = "The network board at " + address + " was closed";
    return result;
}

CallResult NetworkBoard::request(MessageWriter message, Type type, const ReplyReader& readReply) {
    std::lock_guard<std::mutex> lock(mutex);
    return exchange(message, type, readReply);
}

CallResult NetworkBoard::exchange(MessageWriter& message, Type type, const ReplyReader& readReply) {
    if (!connection)
        return CallResult::failure(lostStatus, lost);
    try {
        connection->send(message.finish(), deadlineFromNow());
        const std::vector<unsigned char> body = receiveMessage(Protocol::replyCode(type));
        MessageReader reply(body.data(), body.size(), Protocol::typeName(Protocol::replyCode(type)));
        const std::int32_t status = reply.i32();
        if (status != Status::Ok) {
            // A refused call; the connection stays good.
            std::string text = reply.text();
            reply.finish();
            return CallResult::failure(status, std::move(text));
        }
        if (readReply)
            readReply(reply);
        reply.finish();
        return CallResult::success();
    } catch (const ServerError& error) {
        lostStatus = error.status;
        return lose("The network board at " + address + " ended the connection: " + error.message);
    } catch (const NetworkTimeout&) {
        // A late reply would be taken for the next one's: the connection is done.
        return lose("The network board at " + address + " did not answer within " + std::to_string(timeout.count()) +
                    " ms");
    } catch (const NetworkFailure& failure) {
        return lose("Lost the connection to the network board at " + address + ": " + failure.what());
    } catch (const ProtocolError& error) {
        return lose("Malformed message from the network board at " + address + ": " + error.what());
    }
}

std::vector<unsigned char> NetworkBoard::receiveMessage(std::uint16_t expectedType) {
    const TcpConnection::Deadline deadline = deadlineFromNow();
    unsigned char head[Protocol::headerSize];
    connection->receive(head, sizeof head, deadline);
    const Protocol::Header header = Protocol::parseHeader(head, Protocol::maxReplyBody);
    if (header.type != expectedType && header.type != Protocol::code(Type::Error))
        throw ProtocolError("expected " + Protocol::typeName(expectedType) + ", got " +
                            Protocol::typeName(header.type));
    std::vector<unsigned char> body(header.bodyLength);
    connection->receive(body.data(), body.size(), deadline);
    if (header.type == Protocol::code(Type::Error)) {
        MessageReader reader(body.data(), body.size(), "Error");
        ServerError error{reader.i32(), reader.text()};
        reader.finish();
        if (error.status == Status::Ok)
            throw ProtocolError("an Error message with status 0");
        throw error;
    }
    return body;
}

CallResult NetworkBoard::parameter(std::int32_t number, std::int32_t& value) {
    MessageWriter message(Protocol::code(Type::GetDeviceParameter));
    message.i32(number);
    std::int32_t answer = 0;
    CallResult result = request(std::move(message), Type::GetDeviceParameter, [&](MessageReader& reply) {
        answer = reply.i32();
        // The caller sizes its read buffers from these answers.
        const std::size_t fixed[] = {layout.analog, 0, layout.sensors, layout.ports, layout.counters, layout.triggers,
                                     framesPerRead};
        if (number >= 0 && number <= 6 && number != 1 && static_cast<std::size_t>(answer) != fixed[number])
            throw ProtocolError("parameter " + std::to_string(number) + " is " + std::to_string(answer) +
                                ", but the board opened with " + std::to_string(fixed[number]));
    });
    if (result.ok())
        value = answer;
    return result;
}

CallResult NetworkBoard::peripheralName(std::uint32_t id, std::string& name) {
    MessageWriter message(Protocol::code(Type::GetPeripheralName));
    message.u32(id);
    return request(std::move(message), Type::GetPeripheralName, [&](MessageReader& reply) { name = reply.text(); });
}

CallResult NetworkBoard::lineCount(std::uint32_t portId, std::int32_t& count) {
    MessageWriter message(Protocol::code(Type::GetDigitalPortIoCount));
    message.u32(portId);
    return request(std::move(message), Type::GetDigitalPortIoCount, [&](MessageReader& reply) { count = reply.i32(); });
}

CallResult NetworkBoard::lineName(std::uint32_t portId, std::int32_t line, std::string& name) {
    MessageWriter message(Protocol::code(Type::GetDigitalPortIoName));
    message.u32(portId).i32(line);
    return request(std::move(message), Type::GetDigitalPortIoName, [&](MessageReader& reply) { name = reply.text(); });
}

CallResult NetworkBoard::setOutputEnableMask(std::uint32_t portId, std::uint32_t mask) {
    MessageWriter message(Protocol::code(Type::SetDigitalPortOutputEnableMask));
    message.u32(portId).u32(mask);
    return request(std::move(message), Type::SetDigitalPortOutputEnableMask);
}

CallResult NetworkBoard::writePort(std::uint32_t portId, std::uint32_t value) {
    MessageWriter message(Protocol::code(Type::WriteDigitalPort));
    message.u32(portId).u32(value);
    return request(std::move(message), Type::WriteDigitalPort);
}

CallResult NetworkBoard::setCounterConfig(std::uint32_t counterId, std::uint32_t configuration) {
    MessageWriter message(Protocol::code(Type::SetCounterConfig));
    message.u32(counterId).u32(configuration);
    return request(std::move(message), Type::SetCounterConfig);
}

CallResult NetworkBoard::setCounterEnable(std::uint32_t counterId, std::int32_t enable) {
    MessageWriter message(Protocol::code(Type::SetCounterEnable));
    message.u32(counterId).i32(enable);
    return request(std::move(message), Type::SetCounterEnable);
}

CallResult NetworkBoard::resetCounter(std::uint32_t counterId) {
    MessageWriter message(Protocol::code(Type::ResetCounter));
    message.u32(counterId);
    return request(std::move(message), Type::ResetCounter);
}

CallResult NetworkBoard::setColumnSensitivity(std::int32_t column, std::int32_t value) {
    MessageWriter message(Protocol::code(Type::SetColumnSensitivity));
    message.i32(column).i32(value);
    return request(std::move(message), Type::SetColumnSensitivity);
}

CallResult NetworkBoard::setupInputFrame(const std::vector<std::uint32_t>& ids) {
    if (ids.size() > Protocol::maxFrameInputs)
        return CallResult::failure(Status::InvalidArgument,
                                   "SetupInputFrame: " + std::to_string(ids.size()) + " inputs, more than the " +
                                       std::to_string(Protocol::maxFrameInputs) + " a network board takes");
    MessageWriter message(Protocol::code(Type::SetupInputFrame));
    message.u32(static_cast<std::uint32_t>(ids.size())).words(ids.data(), ids.size());
    return request(std::move(message), Type::SetupInputFrame);
}

CallResult NetworkBoard::start(std::int32_t flag, float rate, std::int32_t reserved, float& actualRate) {
    MessageWriter message(Protocol::code(Type::StartDataAcquisition));
    message.i32(flag).f32(rate).i32(reserved);
    return request(std::move(message), Type::StartDataAcquisition,
                   [&](MessageReader& reply) { actualRate = reply.f32(); });
}

CallResult NetworkBoard::stop() {
    return request(MessageWriter(Protocol::code(Type::StopDataAcquisition)), Type::StopDataAcquisition);
}

CallResult NetworkBoard::read(float* floats, std::uint32_t* words, std::int32_t& count) {
    std::int32_t frames = 0;
    CallResult result =
        request(MessageWriter(Protocol::code(Type::ReadNonBlocking)), Type::ReadNonBlocking, [&](MessageReader& reply) {
            const std::size_t n = checkedCount(reply, "frames in one read", framesPerRead);
            // Checked whole before a byte lands in the caller's buffers.
            if (reply.remaining() != n * Protocol::frameBytes(layout))
                throw ProtocolError("a read of " + std::to_string(n) + " frames holds " +
                                    std::to_string(reply.remaining()) + " bytes of values");
            reply.floats(floats, n * layout.floats());
            reply.words(words, n * layout.words());
            frames = static_cast<std::int32_t>(n);
        });
    count = frames;
    return result;
}

} // namespace KivraTolmEmulator
