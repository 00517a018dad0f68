#include "NetworkProtocol.h"

#include "Hex.h"
#include "TextBuffer.h"

#include <array>
#include <cstring>

namespace KivraTolmEmulator::Protocol {

namespace {

struct Named {
    Type type;
    const char* name;
};

constexpr std::array<Named, 17> requests = {{{Type::Open, "Open"},
                                             {Type::Close, "Close"},
                                             {Type::GetDeviceParameter, "GetDeviceParameter"},
                                             {Type::GetPeripheralName, "GetPeripheralName"},
                                             {Type::GetDigitalPortIoCount, "GetDigitalPortIoCount"},
                                             {Type::GetDigitalPortIoName, "GetDigitalPortIoName"},
                                             {Type::SetDigitalPortOutputEnableMask, "SetDigitalPortOutputEnableMask"},
                                             {Type::WriteDigitalPort, "WriteDigitalPort"},
                                             {Type::SetCounterConfig, "SetCounterConfig"},
                                             {Type::SetCounterEnable, "SetCounterEnable"},
                                             {Type::ResetCounter, "ResetCounter"},
                                             {Type::SetColumnSensitivity, "SetColumnSensitivity"},
                                             {Type::SetupInputFrame, "SetupInputFrame"},
                                             {Type::StartDataAcquisition, "StartDataAcquisition"},
                                             {Type::StopDataAcquisition, "StopDataAcquisition"},
                                             {Type::ReadNonBlocking, "ReadNonBlocking"},
                                             {Type::Hello, "Hello"}}};

std::uint32_t load32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
}

void store32(std::vector<unsigned char>& bytes, std::uint32_t value) {
    bytes.push_back(static_cast<unsigned char>(value >> 24));
    bytes.push_back(static_cast<unsigned char>(value >> 16));
    bytes.push_back(static_cast<unsigned char>(value >> 8));
    bytes.push_back(static_cast<unsigned char>(value));
}

std::uint32_t bitsOf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatOf(std::uint32_t bits) {
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

bool isRequest(std::uint16_t type) {
    for (const Named& request : requests) {
        if (request.type != Type::Hello && code(request.type) == type)
            return true;
    }
    return false;
}

std::string typeName(std::uint16_t type) {
    for (const Named& request : requests) {
        if (code(request.type) == type)
            return request.name;
        if (replyCode(request.type) == type)
            return std::string(request.name) + " reply";
    }
    if (type == code(Type::Error))
        return "Error";
    return "type " + hex(type);
}

Header parseHeader(const unsigned char* bytes, std::size_t maxBody) {
    if (bytes[0] != magic0 || bytes[1] != magic1)
        throw ProtocolError("not a KivraTolm network board message (it starts with " + hex(load32(bytes)) + ")");
    Header header;
    header.type = static_cast<std::uint16_t>(bytes[2] << 8 | bytes[3]);
    header.bodyLength = load32(bytes + 4);
    if (header.bodyLength > maxBody)
        throw ProtocolError(typeName(header.type) + " of " + std::to_string(header.bodyLength) +
                            " bytes is larger than the " + std::to_string(maxBody) + " bytes allowed");
    return header;
}

MessageWriter::MessageWriter(std::uint16_t type) {
    bytes = {magic0, magic1, static_cast<unsigned char>(type >> 8), static_cast<unsigned char>(type), 0, 0, 0, 0};
}

MessageWriter& MessageWriter::u32(std::uint32_t value) {
    store32(bytes, value);
    return *this;
}

MessageWriter& MessageWriter::i32(std::int32_t value) {
    return u32(static_cast<std::uint32_t>(value));
}

MessageWriter& MessageWriter::f32(float value) {
    return u32(bitsOf(value));
}

MessageWriter& MessageWriter::text(const std::string& value) {
    const std::string fitted = fitText(value, maxText);
    u32(static_cast<std::uint32_t>(fitted.size()));
    bytes.insert(bytes.end(), fitted.begin(), fitted.end());
    return *this;
}

MessageWriter& MessageWriter::floats(const float* values, std::size_t count) {
    bytes.reserve(bytes.size() + 4 * count);
    for (std::size_t i = 0; i < count; ++i)
        store32(bytes, bitsOf(values[i]));
    return *this;
}

MessageWriter& MessageWriter::words(const std::uint32_t* values, std::size_t count) {
    bytes.reserve(bytes.size() + 4 * count);
    for (std::size_t i = 0; i < count; ++i)
        store32(bytes, values[i]);
    return *this;
}

std::vector<unsigned char> MessageWriter::finish() {
    const auto length = static_cast<std::uint32_t>(bytes.size() - headerSize);
    bytes[4] = static_cast<unsigned char>(length >> 24);
    bytes[5] = static_cast<unsigned char>(length >> 16);
    bytes[6] = static_cast<unsigned char>(length >> 8);
    bytes[7] = static_cast<unsigned char>(length);
    return std::move(bytes);
}

MessageReader::MessageReader(const unsigned char* body, std::size_t size, std::string what)
    : body(body)
    , size(size)
    , what(std::move(what)) {}

const unsigned char* MessageReader::take(std::size_t count) {
    if (count > size - offset)
        throw ProtocolError(what + " of " + std::to_string(size) + " bytes is too short");
    const unsigned char* at = body + offset;
    offset += count;
    return at;
}

std::uint32_t MessageReader::u32() {
    return load32(take(4));
}

std::int32_t MessageReader::i32() {
    return static_cast<std::int32_t>(u32());
}

float MessageReader::f32() {
    return floatOf(u32());
}

std::string MessageReader::text() {
    const std::uint32_t length = u32();
    if (length > maxText)
        throw ProtocolError(what + " holds a text of " + std::to_string(length) + " bytes, more than the " +
                            std::to_string(maxText) + " allowed");
    const unsigned char* bytes = take(length);
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

void MessageReader::floats(float* out, std::size_t count) {
    if (count > remaining() / 4)
        throw ProtocolError(what + " of " + std::to_string(size) + " bytes is too short");
    for (std::size_t i = 0; i < count; ++i)
        out[i] = f32();
}

void MessageReader::words(std::uint32_t* out, std::size_t count) {
    if (count > remaining() / 4)
        throw ProtocolError(what + " of " + std::to_string(size) + " bytes is too short");
    for (std::size_t i = 0; i < count; ++i)
        out[i] = u32();
}

void MessageReader::finish() const {
    if (offset != size)
        throw ProtocolError(what + " has " + std::to_string(size - offset) + " bytes too many");
}

} // namespace KivraTolmEmulator::Protocol
