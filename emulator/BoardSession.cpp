#include "BoardSession.h"

#include "Emulator.h"
#include "Hex.h"
#include "PeripheralIds.h"

#include "kivratolm.h"

#include <algorithm>

namespace KivraTolmEmulator {

namespace {

using Protocol::MessageReader;
using Protocol::MessageWriter;
using Protocol::ProtocolError;
using Protocol::Type;

constexpr std::size_t inputCapacity = Protocol::headerSize + Protocol::maxRequestBody;

Emulator& emulator() {
    return Emulator::instance();
}

std::string messageOf(std::int32_t status) {
    char text[KIVRATOLM_TEXT_SIZE] = "";
    emulator().errorText(status, text);
    return text;
}

std::uint32_t count(std::size_t value) {
    return static_cast<std::uint32_t>(value);
}

} // namespace

BoardSession::BoardSession(const BoardConfig& board)
    : boardConfig(board)
    , layout(FrameLayout::of(board))
    , floats(static_cast<std::size_t>(board.framesPerRead) * layout.floats())
    , words(static_cast<std::size_t>(board.framesPerRead) * layout.words()) {
    input.reserve(inputCapacity);
}

BoardSession::~BoardSession() {
    if (sessionHandle >= 0)
        emulator().close(sessionHandle);
}

std::size_t BoardSession::readReplyBytes(const BoardConfig& board) {
    return Protocol::readReplyHead +
           Protocol::frameBytes(FrameLayout::of(board)) * static_cast<std::size_t>(board.framesPerRead);
}

BoardSession::Bytes BoardSession::hello() {
    return MessageWriter(Protocol::code(Type::Hello)).u32(Protocol::version).finish();
}

BoardSession::Bytes BoardSession::refusal(std::int32_t status, const std::string& message) {
    return MessageWriter(Protocol::code(Type::Error)).i32(status).text(message).finish();
}

std::size_t BoardSession::room() const {
    return sessionFinished ? 0 : inputCapacity - input.size();
}

std::size_t BoardSession::receive(const unsigned char* data, std::size_t size) {
    const std::size_t taken = std::min(size, room());
    input.insert(input.end(), data, data + taken);
    return taken;
}

BoardSession::Bytes BoardSession::fail(std::string reason) {
    sessionFinished = true;
    endText = reason;
    input.clear();
    return refusal(Status::Network, reason);
}

std::optional<BoardSession::Bytes> BoardSession::next() {
    if (sessionFinished || input.size() < Protocol::headerSize)
        return std::nullopt;
    Protocol::Header header;
    try {
        header = Protocol::parseHeader(input.data(), Protocol::maxRequestBody);
    } catch (const ProtocolError& error) {
        return fail(error.what());
    }
    if (!Protocol::isRequest(header.type))
        return fail("unknown request " + Protocol::typeName(header.type));
    const std::size_t total = Protocol::headerSize + header.bodyLength;
    if (input.size() < total)
        return std::nullopt;
    Bytes reply;
    try {
        MessageReader request(input.data() + Protocol::headerSize, header.bodyLength, Protocol::typeName(header.type));
        reply = answer(header.type, request);
    } catch (const ProtocolError& error) {
        return fail(error.what());
    }
    // A finished session takes nothing more, whatever followed the request.
    if (sessionFinished)
        input.clear();
    else
        input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(total));
    return reply;
}

BoardSession::Bytes BoardSession::statusReply(std::uint16_t type, std::int32_t status) {
    if (status != Status::Ok)
        return failureReply(type, status);
    return MessageWriter(type).i32(Status::Ok).finish();
}

BoardSession::Bytes BoardSession::failureReply(std::uint16_t type, std::int32_t status) {
    return MessageWriter(type).i32(status).text(messageOf(status)).finish();
}

BoardSession::Bytes BoardSession::answer(std::uint16_t type, MessageReader& request) {
    const std::uint16_t reply = static_cast<std::uint16_t>(type | Protocol::replyBit);
    if (type == Protocol::code(Type::Open))
        return open(request);
    if (sessionHandle < 0)
        return fail(Protocol::typeName(type) + " before Open");
    switch (static_cast<Type>(type)) {
    case Type::Close:
        request.finish();
        return close();
    case Type::GetDeviceParameter: {
        const std::int32_t number = request.i32();
        request.finish();
        std::int32_t value = 0;
        const std::int32_t status = emulator().deviceParameter(sessionHandle, number, &value);
        return status ? failureReply(reply, status) : MessageWriter(reply).i32(0).i32(value).finish();
    }
    case Type::GetPeripheralName: {
        const std::uint32_t id = request.u32();
        request.finish();
        char name[KIVRATOLM_TEXT_SIZE] = "";
        const std::int32_t status = emulator().peripheralName(sessionHandle, id, name);
        return status ? failureReply(reply, status) : MessageWriter(reply).i32(0).text(name).finish();
    }
    case Type::GetDigitalPortIoCount: {
        const std::uint32_t port = request.u32();
        request.finish();
        std::int32_t lines = 0;
        const std::int32_t status = emulator().portLineCount(sessionHandle, port, &lines);
        return status ? failureReply(reply, status) : MessageWriter(reply).i32(0).i32(lines).finish();
    }
    case Type::GetDigitalPortIoName: {
        const std::uint32_t port = request.u32();
        const std::int32_t line = request.i32();
        request.finish();
        char name[KIVRATOLM_TEXT_SIZE] = "";
        const std::int32_t status = emulator().portLineName(sessionHandle, port, line, name);
        return status ? failureReply(reply, status) : MessageWriter(reply).i32(0).text(name).finish();
    }
    case Type::SetDigitalPortOutputEnableMask: {
        const std::uint32_t port = request.u32();
        const std::uint32_t mask = request.u32();
        request.finish();
        return statusReply(reply, emulator().setOutputEnableMask(sessionHandle, port, mask));
    }
    case Type::WriteDigitalPort: {
        const std::uint32_t port = request.u32();
        const std::uint32_t value = request.u32();
        request.finish();
        return statusReply(reply, emulator().writePort(sessionHandle, port, value));
    }
    case Type::SetCounterConfig: {
        const std::uint32_t counter = request.u32();
        const std::uint32_t configuration = request.u32();
        request.finish();
        return statusReply(reply, emulator().setCounterConfig(sessionHandle, counter, configuration));
    }
    case Type::SetCounterEnable: {
        const std::uint32_t counter = request.u32();
        const std::int32_t enable = request.i32();
        request.finish();
        return statusReply(reply, emulator().setCounterEnable(sessionHandle, counter, enable));
    }
    case Type::ResetCounter: {
        const std::uint32_t counter = request.u32();
        request.finish();
        return statusReply(reply, emulator().resetCounter(sessionHandle, counter));
    }
    case Type::SetColumnSensitivity: {
        const std::int32_t column = request.i32();
        const std::int32_t value = request.i32();
        request.finish();
        return statusReply(reply, emulator().setColumnSensitivity(sessionHandle, column, value));
    }
    case Type::SetupInputFrame: {
        const std::uint32_t inputs = request.u32();
        if (inputs > Protocol::maxFrameInputs)
            throw ProtocolError("SetupInputFrame with " + std::to_string(inputs) + " inputs, more than the " +
                                std::to_string(Protocol::maxFrameInputs) + " allowed");
        std::vector<std::uint32_t> ids(inputs);
        request.words(ids.data(), ids.size());
        request.finish();
        return statusReply(
            reply, emulator().setupInputFrame(sessionHandle, ids.data(), static_cast<std::int32_t>(ids.size())));
    }
    case Type::StartDataAcquisition: {
        const std::int32_t flag = request.i32();
        const float rate = request.f32();
        const std::int32_t reserved = request.i32();
        request.finish();
        float actual = 0;
        const std::int32_t status = emulator().startAcquisition(sessionHandle, flag, rate, reserved, &actual);
        return status ? failureReply(reply, status) : MessageWriter(reply).i32(0).f32(actual).finish();
    }
    case Type::StopDataAcquisition:
        request.finish();
        return statusReply(reply, emulator().stopAcquisition(sessionHandle));
    case Type::ReadNonBlocking:
        request.finish();
        return read();
    default:
        // Open and Hello are handled above; isRequest() let nothing else in.
        return fail(Protocol::typeName(type) + " is not a request");
    }
}

BoardSession::Bytes BoardSession::open(MessageReader& request) {
    const std::uint16_t reply = Protocol::replyCode(Type::Open);
    const std::uint32_t clientVersion = request.u32();
    const std::uint32_t typeId = request.u32();
    request.finish();
    if (clientVersion != Protocol::version)
        return fail("this board speaks protocol version " + std::to_string(Protocol::version) + ", not " +
                    std::to_string(clientVersion));
    if (sessionHandle >= 0)
        return fail("Open on a board that is already open");
    if (typeId != TypeId::All && typeId != boardConfig.typeId)
        return MessageWriter(reply)
            .i32(Status::NoSuchBoard)
            .text("The board " + boardConfig.identifier + " is of type " + hex(boardConfig.typeId) + ", not " +
                  hex(typeId))
            .finish();
    std::int32_t handle = -1;
    const std::int32_t status = emulator().open(boardConfig.identifier.c_str(), &handle);
    if (status != Status::Ok)
        return failureReply(reply, status);
    sessionHandle = handle;
    return MessageWriter(reply)
        .i32(Status::Ok)
        .text(boardConfig.details)
        .u32(count(layout.analog))
        .u32(count(layout.sensors))
        .u32(count(layout.ports))
        .u32(count(layout.counters))
        .u32(count(layout.triggers))
        .u32(static_cast<std::uint32_t>(boardConfig.framesPerRead))
        .finish();
}

BoardSession::Bytes BoardSession::close() {
    const std::int32_t status = emulator().close(sessionHandle);
    sessionHandle = -1;
    sessionFinished = true;
    endText = "closed the board";
    return statusReply(Protocol::replyCode(Type::Close), status);
}

BoardSession::Bytes BoardSession::read() {
    const std::uint16_t reply = Protocol::replyCode(Type::ReadNonBlocking);
    std::int32_t frames = 0;
    const std::int32_t status = emulator().readNonBlocking(sessionHandle, floats.data(), words.data(), &frames);
    if (status != Status::Ok)
        return failureReply(reply, status);
    const auto n = static_cast<std::size_t>(frames);
    return MessageWriter(reply)
        .i32(Status::Ok)
        .u32(static_cast<std::uint32_t>(frames))
        .floats(floats.data(), n * layout.floats())
        .words(words.data(), n * layout.words())
        .finish();
}

} // namespace KivraTolmEmulator
