// The C functions as the Emulator serves them: each checks its arguments,
// finds the board of its handle and passes the call on.
#include "Emulator.h"

#include "Hex.h"
#include "NetworkBoard.h"
#include "PeripheralIds.h"
#include "TextBuffer.h"

#include <sstream>

namespace KivraTolmEmulator {

namespace {

CallResult nullArgument(const char* function, const char* argument) {
    return CallResult::failure(Status::InvalidArgument,
                               std::string(function) + ": the argument " + argument + " is a null pointer");
}

std::string textOrNull(const char* text) {
    return text ? text : "(null)";
}

std::string number(float value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace

std::int32_t Emulator::errorLength(std::int32_t status) {
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<std::int32_t>(messages.message(status).size());
}

std::int32_t Emulator::errorText(std::int32_t status, char* message) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!message)
        return Status::InvalidArgument;
    copyText(message, messages.message(status));
    return Status::Ok;
}

std::int32_t Emulator::beginEnumerate(std::int32_t* count, std::uint32_t typeId) {
    if (count)
        *count = 0;
    return serve("BeginEnumerate", "BeginEnumerate(" + hex(typeId) + ")", [&] {
        if (!count)
            return nullArgument("BeginEnumerate", "count");
        enumerated.clear();
        for (std::size_t i = 0; i < boardList.size(); ++i) {
            // Every emulated board is a USB board.
            const std::uint32_t type = boardList[i].config().typeId;
            if (typeId == TypeId::All || typeId == TypeId::Usb || typeId == type)
                enumerated.push_back(i);
        }
        *count = static_cast<std::int32_t>(enumerated.size());
        return CallResult::success();
    });
}

std::int32_t Emulator::identifier(std::int32_t index, char* identifier, std::uint32_t* typeId, char* details) {
    copyText(identifier, "");
    copyText(details, "");
    if (typeId)
        *typeId = 0;
    return serve("GetIdentifier", "GetIdentifier(" + std::to_string(index) + ")", [&] {
        if (!identifier)
            return nullArgument("GetIdentifier", "identifier");
        if (!typeId)
            return nullArgument("GetIdentifier", "typeId");
        if (!details)
            return nullArgument("GetIdentifier", "details");
        if (index < 0 || static_cast<std::size_t>(index) >= enumerated.size())
            return CallResult::failure(Status::NoSuchBoard, "No board at enumeration index " + std::to_string(index) +
                                                                " (the last " + "enumeration found " +
                                                                std::to_string(enumerated.size()) + ")");
        const BoardConfig& config = boardList[enumerated[static_cast<std::size_t>(index)]].config();
        copyText(identifier, config.identifier);
        copyText(details, config.details);
        *typeId = config.typeId;
        return CallResult::success();
    });
}

std::int32_t Emulator::open(const char* identifier, std::int32_t* handle) {
    if (handle)
        *handle = -1;
    return serve("Open", "Open(" + textOrNull(identifier) + ")", [&] {
        if (!identifier)
            return nullArgument("Open", "identifier");
        if (!handle)
            return nullArgument("Open", "handle");
        for (Board& board : boardList) {
            if (board.config().identifier != identifier)
                continue;
            if (board.isOpen())
                return CallResult::failure(Status::Busy, "The board " + board.config().identifier +
                                                             " is busy: it is already open (handle " +
                                                             std::to_string(board.handle()) + ")");
            board.open(nextHandle++);
            *handle = board.handle();
            return CallResult::success();
        }
        return CallResult::failure(Status::NoSuchBoard,
                                   "No board with the identifier \"" + std::string(identifier) + "\" on USB");
    });
}

std::int32_t Emulator::openNetwork(const char* host, std::int32_t port, std::int32_t* handle, std::uint32_t typeId,
                                   char* details) {
    if (handle)
        *handle = -1;
    copyText(details, "");
    {
        std::lock_guard<std::mutex> lock(mutex);
        ensureSetUp();
        recordCall("OpenNetwork(" + textOrNull(host) + ", " + std::to_string(port) + ", " + hex(typeId) + ")");
        CallResult refusal = admit("OpenNetwork");
        if (refusal.ok() && !host)
            refusal = nullArgument("OpenNetwork", "host");
        if (refusal.ok() && !handle)
            refusal = nullArgument("OpenNetwork", "handle");
        if (!refusal.ok()) {
            messages.remember(refusal.status, refusal.message);
            return refusal.status;
        }
    }
    // Connecting takes its time; other boards stay usable meanwhile.
    const auto board = std::make_shared<NetworkBoard>(host, port);
    std::string boardDetails;
    CallResult result;
    try {
        result = board->open(typeId, boardDetails);
    } catch (const std::exception& error) {
        result = CallResult::failure(Status::Internal, std::string("Emulator failure in OpenNetwork: ") + error.what());
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (!result.ok()) {
        messages.remember(result.status, result.message);
        return result.status;
    }
    *handle = nextHandle++;
    networkBoards[*handle] = board;
    copyText(details, boardDetails);
    return Status::Ok;
}

std::int32_t Emulator::close(std::int32_t handle) {
    std::shared_ptr<NetworkBoard> remote;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ensureSetUp();
        recordCall("Close()");
        CallResult result = admit("Close");
        if (result.ok()) {
            const auto found = networkBoards.find(handle);
            if (found != networkBoards.end()) {
                remote = found->second;
                // The handle is gone whatever the server answers.
                networkBoards.erase(found);
            } else if (Board* board = boardFor(handle, result)) {
                board->close();
            }
        }
        if (!remote) {
            if (!result.ok())
                messages.remember(result.status, result.message);
            return result.status;
        }
    }
    const CallResult result = remote->close();
    if (!result.ok()) {
        std::lock_guard<std::mutex> lock(mutex);
        messages.remember(result.status, result.message);
    }
    return result.status;
}

std::int32_t Emulator::deviceParameter(std::int32_t handle, std::int32_t number, std::int32_t* value) {
    return serveBoard("GetDeviceParameter", "GetDeviceParameter(" + std::to_string(number) + ")", handle,
                      [&](BoardAccess& board) {
                          if (!value)
                              return nullArgument("GetDeviceParameter", "value");
                          return board.parameter(number, *value);
                      });
}

std::int32_t Emulator::peripheralName(std::int32_t handle, std::uint32_t id, char* name) {
    copyText(name, "");
    return serveBoard("GetPeripheralName", "GetPeripheralName(" + hex(id) + ")", handle, [&](BoardAccess& board) {
        if (!name)
            return nullArgument("GetPeripheralName", "name");
        std::string text;
        CallResult result = board.peripheralName(id, text);
        copyText(name, text);
        return result;
    });
}

std::int32_t Emulator::portLineCount(std::int32_t handle, std::uint32_t portId, std::int32_t* count) {
    return serveBoard("GetDigitalPortIoCount", "GetDigitalPortIoCount(" + hex(portId) + ")", handle,
                      [&](BoardAccess& board) {
                          if (!count)
                              return nullArgument("GetDigitalPortIoCount", "count");
                          return board.lineCount(portId, *count);
                      });
}

std::int32_t Emulator::portLineName(std::int32_t handle, std::uint32_t portId, std::int32_t line, char* name) {
    copyText(name, "");
    return serveBoard("GetDigitalPortIoName", "GetDigitalPortIoName(" + hex(portId) + ", " + std::to_string(line) + ")",
                      handle, [&](BoardAccess& board) {
                          if (!name)
                              return nullArgument("GetDigitalPortIoName", "name");
                          std::string text;
                          CallResult result = board.lineName(portId, line, text);
                          copyText(name, text);
                          return result;
                      });
}

std::int32_t Emulator::setOutputEnableMask(std::int32_t handle, std::uint32_t portId, std::uint32_t mask) {
    return serveBoard("SetDigitalPortOutputEnableMask",
                      "SetDigitalPortOutputEnableMask(" + hex(portId) + ", " + hex(mask) + ")", handle,
                      [&](BoardAccess& board) { return board.setOutputEnableMask(portId, mask); });
}

std::int32_t Emulator::writePort(std::int32_t handle, std::uint32_t portId, std::uint32_t value) {
    return serveBoard("WriteDigitalPort", "WriteDigitalPort(" + hex(portId) + ", " + hex(value) + ")", handle,
                      [&](BoardAccess& board) { return board.writePort(portId, value); });
}

std::int32_t Emulator::setCounterConfig(std::int32_t handle, std::uint32_t counterId, std::uint32_t configuration) {
    return serveBoard("SetCounterConfig", "SetCounterConfig(" + hex(counterId) + ", " + hex(configuration) + ")",
                      handle, [&](BoardAccess& board) { return board.setCounterConfig(counterId, configuration); });
}

std::int32_t Emulator::setCounterEnable(std::int32_t handle, std::uint32_t counterId, std::int32_t enable) {
    return serveBoard("SetCounterEnable", "SetCounterEnable(" + hex(counterId) + ", " + std::to_string(enable) + ")",
                      handle, [&](BoardAccess& board) { return board.setCounterEnable(counterId, enable); });
}

std::int32_t Emulator::resetCounter(std::int32_t handle, std::uint32_t counterId) {
    return serveBoard("ResetCounter", "ResetCounter(" + hex(counterId) + ")", handle,
                      [&](BoardAccess& board) { return board.resetCounter(counterId); });
}

std::int32_t Emulator::setColumnSensitivity(std::int32_t handle, std::int32_t column, std::int32_t value) {
    return serveBoard("SetColumnSensitivity",
                      "SetColumnSensitivity(" + std::to_string(column) + ", " + std::to_string(value) + ")", handle,
                      [&](BoardAccess& board) { return board.setColumnSensitivity(column, value); });
}

std::int32_t Emulator::setupInputFrame(std::int32_t handle, const std::uint32_t* ids, std::int32_t count) {
    return serveBoard(
        "SetupInputFrame", "SetupInputFrame(" + std::to_string(count) + ")", handle, [&](BoardAccess& board) {
            if (count < 0)
                return CallResult::failure(Status::InvalidArgument,
                                           "SetupInputFrame: the count " + std::to_string(count) + " is negative");
            if (!ids && count > 0)
                return nullArgument("SetupInputFrame", "ids");
            return board.setupInputFrame(std::vector<std::uint32_t>(ids, ids + count));
        });
}

std::int32_t Emulator::startAcquisition(std::int32_t handle, std::int32_t flag, float rate, std::int32_t reserved,
                                        float* actualRate) {
    return serveBoard("StartDataAcquisition",
                      "StartDataAcquisition(" + std::to_string(flag) + ", " + number(rate) + ", " +
                          std::to_string(reserved) + ")",
                      handle, [&](BoardAccess& board) {
                          if (!actualRate)
                              return nullArgument("StartDataAcquisition", "actualRate");
                          return board.start(flag, rate, reserved, *actualRate);
                      });
}

std::int32_t Emulator::stopAcquisition(std::int32_t handle) {
    return serveBoard("StopDataAcquisition", "StopDataAcquisition()", handle,
                      [&](BoardAccess& board) { return board.stop(); });
}

std::int32_t Emulator::readNonBlocking(std::int32_t handle, float* floats, std::uint32_t* words, std::int32_t* count) {
    if (count)
        *count = 0;
    // Not recorded: it runs every few milliseconds.
    return serveBoard("ReadNonBlocking", {}, handle, [&](BoardAccess& board) {
        // An empty buffer may well be null, e.g. a board without digital inputs.
        const FrameLayout layout = board.frameLayout();
        if (!floats && layout.floats() > 0)
            return nullArgument("ReadNonBlocking", "floats");
        if (!words && layout.words() > 0)
            return nullArgument("ReadNonBlocking", "words");
        if (!count)
            return nullArgument("ReadNonBlocking", "count");
        return board.read(floats, words, *count);
    });
}

} // namespace KivraTolmEmulator
