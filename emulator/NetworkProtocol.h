// The wire format between a network board (kivratolm-board-emulator) and the
// library's network client; NetworkProtocol.md describes it. Every message is
// an 8-byte header (magic "KT", type, body length) and a bounded body; all
// numbers are big-endian, floats travel as their IEEE-754 bits.
#pragma once

#include "FrameLayout.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace KivraTolmEmulator::Protocol {

constexpr std::uint32_t version = 1;

constexpr std::size_t headerSize = 8;
constexpr unsigned char magic0 = 'K';
constexpr unsigned char magic1 = 'T';

// Limits that keep both sides from allocating on a peer's word.
constexpr std::size_t maxRequestBody = 16 * 1024;
constexpr std::size_t maxReplyBody = 16 * 1024 * 1024;
constexpr std::size_t maxText = 1023;
constexpr std::uint32_t maxFrameInputs = 4000; // ids in one SetupInputFrame

enum class Type : std::uint16_t {
    Hello = 0x01, // server's greeting
    Open = 0x02,
    Close = 0x03,
    GetDeviceParameter = 0x04,
    GetPeripheralName = 0x05,
    GetDigitalPortIoCount = 0x06,
    GetDigitalPortIoName = 0x07,
    SetDigitalPortOutputEnableMask = 0x08,
    WriteDigitalPort = 0x09,
    SetCounterConfig = 0x0A,
    SetCounterEnable = 0x0B,
    ResetCounter = 0x0C,
    SetColumnSensitivity = 0x0D,
    SetupInputFrame = 0x0E,
    StartDataAcquisition = 0x0F,
    StopDataAcquisition = 0x10,
    ReadNonBlocking = 0x11,
    Error = 0x7F, // the sender closes the connection after it
};

// The reply to a request carries the request's type with this bit set.
constexpr std::uint16_t replyBit = 0x80;

constexpr std::uint16_t code(Type type) {
    return static_cast<std::uint16_t>(type);
}
constexpr std::uint16_t replyCode(Type request) {
    return static_cast<std::uint16_t>(code(request) | replyBit);
}

// A request the server knows, by its code; false for replies and unknown codes.
bool isRequest(std::uint16_t type);
// "ReadNonBlocking", or "type 0x1234" for codes no message has.
std::string typeName(std::uint16_t type);

// A message that breaks the format; the receiver ends the connection.
struct ProtocolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Header {
    std::uint16_t type = 0;
    std::uint32_t bodyLength = 0;
};

// A ReadNonBlocking reply: status and frame count, then the frames' floats
// and words, four bytes each.
constexpr std::size_t readReplyHead = 8;
inline std::size_t frameBytes(const FrameLayout& layout) {
    return 4 * (layout.floats() + layout.words());
}

// Throws ProtocolError for a wrong magic or a body above maxBody.
Header parseHeader(const unsigned char* bytes, std::size_t maxBody);

// Builds one message; the header's length is filled by finish().
class MessageWriter {
public:
    explicit MessageWriter(std::uint16_t type);

    MessageWriter& u32(std::uint32_t value);
    MessageWriter& i32(std::int32_t value);
    MessageWriter& f32(float value);
    // At most maxText bytes, cut without splitting a UTF-8 character.
    MessageWriter& text(const std::string& value);
    MessageWriter& floats(const float* values, std::size_t count);
    MessageWriter& words(const std::uint32_t* values, std::size_t count);

    std::vector<unsigned char> finish();

private:
    std::vector<unsigned char> bytes;
};

// Reads one body front to back; every read past the end and any byte left
// over at finish() throws ProtocolError.
class MessageReader {
public:
    MessageReader(const unsigned char* body, std::size_t size, std::string what);

    std::uint32_t u32();
    std::int32_t i32();
    float f32();
    std::string text();
    void floats(float* out, std::size_t count);
    void words(std::uint32_t* out, std::size_t count);
    std::size_t remaining() const { return size - offset; }
    void finish() const;

private:
    const unsigned char* take(std::size_t count);

    const unsigned char* body;
    std::size_t size;
    std::size_t offset = 0;
    std::string what;
};

} // namespace KivraTolmEmulator::Protocol
