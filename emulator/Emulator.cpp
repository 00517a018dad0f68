#include "Emulator.h"

#include "BoardConfigCheck.h"
#include "NetworkBoard.h"
#include "SetupFile.h"

#include <cstdlib>
#include <stdexcept>

namespace KivraTolmEmulator {

Emulator& Emulator::instance() {
    // Never destroyed: see the header.
    static Emulator* emulator = new Emulator;
    return *emulator;
}

CallResult Emulator::admit(const char* function) {
    if (!setupError.empty())
        return CallResult::failure(Status::Configuration, setupError);
    if (const auto fault = faults.onCall(function))
        return CallResult::failure(fault->status, fault->message);
    return CallResult::success();
}

namespace {

CallResult runGuarded(const char* function, const std::function<CallResult()>& body) {
    try {
        return body();
    } catch (const std::exception& error) {
        // Nothing may escape through the C functions.
        return CallResult::failure(Status::Internal,
                                   std::string("Emulator failure in ") + function + ": " + error.what());
    }
}

} // namespace

std::int32_t Emulator::serve(const char* function, std::string record, const std::function<CallResult()>& body) {
    std::lock_guard<std::mutex> lock(mutex);
    ensureSetUp();
    recordCall(std::move(record));
    CallResult result = admit(function);
    if (result.ok())
        result = runGuarded(function, body);
    if (!result.ok())
        messages.remember(result.status, result.message);
    return result.status;
}

std::int32_t Emulator::serveBoard(const char* function, std::string record, std::int32_t handle,
                                  const std::function<CallResult(BoardAccess&)>& body) {
    std::unique_lock<std::mutex> lock(mutex);
    ensureSetUp();
    recordCall(std::move(record));
    CallResult result = admit(function);
    if (result.ok()) {
        const auto remote = networkBoards.find(handle);
        if (remote != networkBoards.end()) {
            const std::shared_ptr<NetworkBoard> board = remote->second;
            lock.unlock();
            result = runGuarded(function, [&] { return body(*board); });
            lock.lock();
        } else if (Board* board = boardFor(handle, result)) {
            result = runGuarded(function, [&] { return body(*board); });
        }
    }
    if (!result.ok())
        messages.remember(result.status, result.message);
    return result.status;
}

void Emulator::recordCall(std::string record) {
    if (recordingCalls && !record.empty())
        callLog.push_back(std::move(record));
}

void Emulator::setCallRecording(bool on) {
    std::lock_guard<std::mutex> lock(mutex);
    recordingCalls = on;
    if (!on)
        callLog.clear();
}

Board* Emulator::boardFor(std::int32_t handle, CallResult& failure) {
    for (Board& board : boardList) {
        if (board.isOpen() && board.handle() == handle)
            return &board;
    }
    const bool wasIssued = handle >= 1 && handle < nextHandle;
    failure = CallResult::failure(Status::InvalidHandle,
                                  "Invalid handle " + std::to_string(handle) +
                                      (wasIssued ? ": its board was closed" : ": no board was opened with it"));
    return nullptr;
}

void Emulator::ensureSetUp() {
    if (!setUp)
        applySetupFromEnvironment();
}

void Emulator::applySetupFromEnvironment() {
    setUp = true;
    setupError.clear();
    const char* path = std::getenv("KIVRATOLM_EMULATOR");
    EmulatorSetup setup;
    if (!path || !*path) {
        setup = defaultSetup();
    } else {
        try {
            setup = readSetupFile(path);
        } catch (const std::exception& error) {
            // No silent fallback: a wrong file must not pass for a working board.
            setupError = error.what();
        }
    }
    replaceBoards(setup.boards);
    for (const Fault& fault : setup.faults)
        faults.add(fault);
}

void Emulator::replaceBoards(const std::vector<BoardConfig>& boards) {
    boardList.clear();
    for (const BoardConfig& config : boards)
        boardList.emplace_back(config);
    enumerated.clear();
}

Board& Emulator::boardAt(int board) {
    if (board < 0 || static_cast<std::size_t>(board) >= boardList.size())
        throw std::out_of_range("No emulated board " + std::to_string(board) + " (there are " +
                                std::to_string(boardList.size()) + ")");
    return boardList[static_cast<std::size_t>(board)];
}

void Emulator::reset() {
    std::lock_guard<std::mutex> lock(mutex);
    faults.clear();
    callLog.clear();
    messages.clear();
    // A call in progress keeps its network board until it returns.
    networkBoards.clear();
    applySetupFromEnvironment();
}

void Emulator::setBoards(const std::vector<BoardConfig>& boards) {
    const std::string problem = boardsProblem(boards);
    if (!problem.empty())
        throw std::invalid_argument("Emulated boards refused: " + problem);
    std::lock_guard<std::mutex> lock(mutex);
    ensureSetUp();
    // Boards given here replace those of the file, a broken file included.
    setupError.clear();
    replaceBoards(boards);
}

void Emulator::pushFrames(int board, int count) {
    if (count < 0)
        throw std::invalid_argument("pushFrames needs a count >= 0, not " + std::to_string(count));
    std::lock_guard<std::mutex> lock(mutex);
    ensureSetUp();
    boardAt(board).pushFrames(count);
}

void Emulator::injectFault(const Fault& fault) {
    std::lock_guard<std::mutex> lock(mutex);
    ensureSetUp();
    faults.add(fault);
}

void Emulator::clearFaults() {
    std::lock_guard<std::mutex> lock(mutex);
    ensureSetUp();
    faults.clear();
}

std::vector<std::string> Emulator::calls() {
    std::lock_guard<std::mutex> lock(mutex);
    return callLog;
}

void Emulator::clearCalls() {
    std::lock_guard<std::mutex> lock(mutex);
    callLog.clear();
}

BoardState Emulator::boardState(int board) {
    std::lock_guard<std::mutex> lock(mutex);
    ensureSetUp();
    return boardAt(board).state();
}

} // namespace KivraTolmEmulator
