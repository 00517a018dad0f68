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
    if (!setupError_.empty())
        return CallResult::failure(Status::Configuration, setupError_);
    if (const auto fault = faults_.onCall(function))
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
    std::lock_guard<std::mutex> lock(mutex_);
    ensureSetUp();
    recordCall(std::move(record));
    CallResult result = admit(function);
    if (result.ok())
        result = runGuarded(function, body);
    if (!result.ok())
        messages_.remember(result.status, result.message);
    return result.status;
}

std::int32_t Emulator::serveBoard(const char* function, std::string record, std::int32_t handle,
                                  const std::function<CallResult(BoardAccess&)>& body) {
    std::unique_lock<std::mutex> lock(mutex_);
    ensureSetUp();
    recordCall(std::move(record));
    CallResult result = admit(function);
    if (result.ok()) {
        const auto remote = networkBoards_.find(handle);
        if (remote != networkBoards_.end()) {
            const std::shared_ptr<NetworkBoard> board = remote->second;
            lock.unlock();
            result = runGuarded(function, [&] { return body(*board); });
            lock.lock();
        } else if (Board* board = boardFor(handle, result)) {
            result = runGuarded(function, [&] { return body(*board); });
        }
    }
    if (!result.ok())
        messages_.remember(result.status, result.message);
    return result.status;
}

void Emulator::recordCall(std::string record) {
    if (recordingCalls_ && !record.empty())
        calls_.push_back(std::move(record));
}

void Emulator::setCallRecording(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    recordingCalls_ = on;
    if (!on)
        calls_.clear();
}

Board* Emulator::boardFor(std::int32_t handle, CallResult& failure) {
    for (Board& board : boards_) {
        if (board.isOpen() && board.handle() == handle)
            return &board;
    }
    const bool wasIssued = handle >= 1 && handle < nextHandle_;
    failure = CallResult::failure(Status::InvalidHandle,
                                  "Invalid handle " + std::to_string(handle) +
                                      (wasIssued ? ": its board was closed" : ": no board was opened with it"));
    return nullptr;
}

void Emulator::ensureSetUp() {
    if (!setUp_)
        applySetupFromEnvironment();
}

void Emulator::applySetupFromEnvironment() {
    setUp_ = true;
    setupError_.clear();
    const char* path = std::getenv("KIVRATOLM_EMULATOR");
    EmulatorSetup setup;
    if (!path || !*path) {
        setup = defaultSetup();
    } else {
        try {
            setup = readSetupFile(path);
        } catch (const std::exception& error) {
            // No silent fallback: a wrong file must not pass for a working board.
            setupError_ = error.what();
        }
    }
    replaceBoards(setup.boards);
    for (const Fault& fault : setup.faults)
        faults_.add(fault);
}

void Emulator::replaceBoards(const std::vector<BoardConfig>& boards) {
    boards_.clear();
    for (const BoardConfig& config : boards)
        boards_.emplace_back(config);
    enumerated_.clear();
}

Board& Emulator::boardAt(int board) {
    if (board < 0 || static_cast<std::size_t>(board) >= boards_.size())
        throw std::out_of_range("No emulated board " + std::to_string(board) + " (there are " +
                                std::to_string(boards_.size()) + ")");
    return boards_[static_cast<std::size_t>(board)];
}

void Emulator::reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.clear();
    calls_.clear();
    messages_.clear();
    // A call in progress keeps its network board until it returns.
    networkBoards_.clear();
    applySetupFromEnvironment();
}

void Emulator::setBoards(const std::vector<BoardConfig>& boards) {
    const std::string problem = boardsProblem(boards);
    if (!problem.empty())
        throw std::invalid_argument("Emulated boards refused: " + problem);
    std::lock_guard<std::mutex> lock(mutex_);
    ensureSetUp();
    // Boards given here replace those of the file, a broken file included.
    setupError_.clear();
    replaceBoards(boards);
}

void Emulator::pushFrames(int board, int count) {
    if (count < 0)
        throw std::invalid_argument("pushFrames needs a count >= 0, not " + std::to_string(count));
    std::lock_guard<std::mutex> lock(mutex_);
    ensureSetUp();
    boardAt(board).pushFrames(count);
}

void Emulator::injectFault(const Fault& fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    ensureSetUp();
    faults_.add(fault);
}

void Emulator::clearFaults() {
    std::lock_guard<std::mutex> lock(mutex_);
    ensureSetUp();
    faults_.clear();
}

std::vector<std::string> Emulator::calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

void Emulator::clearCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

BoardState Emulator::boardState(int board) {
    std::lock_guard<std::mutex> lock(mutex_);
    ensureSetUp();
    return boardAt(board).state();
}

} // namespace KivraTolmEmulator
