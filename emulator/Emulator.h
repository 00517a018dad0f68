// The process's emulated boards and everything the C functions and the
// control interface share: open handles, injected faults, the call record and
// the error messages. One mutex serialises all of it.
#pragma once

#include "Board.h"
#include "BoardAccess.h"
#include "BoardConfig.h"
#include "BoardState.h"
#include "ErrorMessages.h"
#include "Fault.h"
#include "FaultTable.h"
#include "Status.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace KivraTolmEmulator {

class NetworkBoard;

class Emulator {
public:
    // Lives until the process ends, so that a worker thread still calling in
    // during exit never meets a destroyed emulator.
    static Emulator& instance();

    // The C functions, with the same arguments.
    std::int32_t errorLength(std::int32_t status);
    std::int32_t errorText(std::int32_t status, char* message);
    std::int32_t beginEnumerate(std::int32_t* count, std::uint32_t typeId);
    std::int32_t identifier(std::int32_t index, char* identifier, std::uint32_t* typeId, char* details);
    std::int32_t open(const char* identifier, std::int32_t* handle);
    std::int32_t openNetwork(const char* host, std::int32_t port, std::int32_t* handle, std::uint32_t typeId,
                             char* details);
    std::int32_t close(std::int32_t handle);
    std::int32_t deviceParameter(std::int32_t handle, std::int32_t number, std::int32_t* value);
    std::int32_t peripheralName(std::int32_t handle, std::uint32_t id, char* name);
    std::int32_t portLineCount(std::int32_t handle, std::uint32_t portId, std::int32_t* count);
    std::int32_t portLineName(std::int32_t handle, std::uint32_t portId, std::int32_t line, char* name);
    std::int32_t setOutputEnableMask(std::int32_t handle, std::uint32_t portId, std::uint32_t mask);
    std::int32_t writePort(std::int32_t handle, std::uint32_t portId, std::uint32_t value);
    std::int32_t setCounterConfig(std::int32_t handle, std::uint32_t counterId, std::uint32_t configuration);
    std::int32_t setCounterEnable(std::int32_t handle, std::uint32_t counterId, std::int32_t enable);
    std::int32_t resetCounter(std::int32_t handle, std::uint32_t counterId);
    std::int32_t setColumnSensitivity(std::int32_t handle, std::int32_t column, std::int32_t value);
    std::int32_t setupInputFrame(std::int32_t handle, const std::uint32_t* ids, std::int32_t count);
    std::int32_t startAcquisition(std::int32_t handle, std::int32_t flag, float rate, std::int32_t reserved,
                                  float* actualRate);
    std::int32_t stopAcquisition(std::int32_t handle);
    std::int32_t readNonBlocking(std::int32_t handle, float* floats, std::uint32_t* words, std::int32_t* count);

    // The control interface.
    void reset();
    void setBoards(const std::vector<BoardConfig>& boards);
    void pushFrames(int board, int count);
    void injectFault(const Fault& fault);
    void clearFaults();
    std::vector<std::string> calls();
    void clearCalls();
    BoardState boardState(int board);

    // A long-running server keeps no record: it would grow with every call.
    void setCallRecording(bool on);

private:
    Emulator() = default;

    // Runs one C function under the lock: records it (unless `record` is
    // empty), answers with the set-up error or a due fault, else runs `body`;
    // a failure's message becomes the message of its status.
    std::int32_t serve(const char* function, std::string record, const std::function<CallResult()>& body);
    // The same for a call on an open board: `body` gets the board of
    // `handle`. A network board's call runs outside the lock, so that a slow
    // network holds up no other board.
    std::int32_t serveBoard(const char* function, std::string record, std::int32_t handle,
                            const std::function<CallResult(BoardAccess&)>& body);
    // Before a call runs: the set-up error or a due fault, else success.
    CallResult admit(const char* function);
    // The open board of `handle`, or null with `failure` filled.
    Board* boardFor(std::int32_t handle, CallResult& failure);
    void recordCall(std::string record);
    // Reads the configuration file on first use.
    void ensureSetUp();
    void applySetupFromEnvironment();
    void replaceBoards(const std::vector<BoardConfig>& boards);
    Board& boardAt(int board);

    std::mutex mutex;
    bool setUp = false;
    std::string setupError; // non-empty: every C function fails with it
    std::vector<Board> boardList;
    // Boards opened over the network, by handle. Shared so that a call in
    // progress keeps its board while another thread closes it.
    std::map<std::int32_t, std::shared_ptr<NetworkBoard>> networkBoards;
    std::vector<std::size_t> enumerated; // board indices of the last BeginEnumerate
    // Handles are never reused, so a stale handle is always recognised.
    std::int32_t nextHandle = 1;
    FaultTable faults;
    std::vector<std::string> callLog;
    bool recordingCalls = true;
    ErrorMessages messages;
};

} // namespace KivraTolmEmulator
