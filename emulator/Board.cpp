#include "Board.h"

#include "DefaultNames.h"
#include "Hex.h"
#include "PeripheralIds.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace KivraTolmEmulator {

namespace {

CallResult invalid(std::string message) {
    return CallResult::failure(Status::InvalidArgument, std::move(message));
}

std::string plural(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string rateText(float rate) {
    std::ostringstream text;
    text << rate;
    return text.str();
}

} // namespace

Board::Board(BoardConfig config)
    : config_(std::move(config))
    , signals_(config_)
    , pulses_(config_.counterPulsePeriodMs)
    , columnSensitivity_(sensitivityColumns, SignalGenerator::nominalSensitivity)
    , outputEnableMask_(config_.digitalPortLines.size(), 0)
    , outputValue_(config_.digitalPortLines.size(), 0)
    , counters_(static_cast<std::size_t>(config_.counters))
    , pending_(static_cast<std::size_t>(config_.analogInputs + config_.sensorInputs),
               config_.digitalPortLines.size() + static_cast<std::size_t>(config_.counters + config_.triggers))
    , frameFloats_(static_cast<std::size_t>(config_.analogInputs + config_.sensorInputs))
    , frameWords_(config_.digitalPortLines.size() + static_cast<std::size_t>(config_.counters + config_.triggers)) {}

void Board::close() {
    stop();
    handle_ = -1;
}

CallResult Board::parameter(std::int32_t number, std::int32_t& value) const {
    switch (number) {
    case 0:
        value = config_.analogInputs;
        break;
    case 1: // analog outputs: this board has none
        value = 0;
        break;
    case 2:
        value = config_.sensorInputs;
        break;
    case 3:
        value = static_cast<std::int32_t>(config_.digitalPortLines.size());
        break;
    case 4:
        value = config_.counters;
        break;
    case 5:
        value = config_.triggers;
        break;
    case 6:
        value = config_.framesPerRead;
        break;
    default:
        return invalid("Unknown device parameter " + std::to_string(number) + " (known: 0..6)");
    }
    return CallResult::success();
}

CallResult Board::peripheralName(std::uint32_t id, std::string& name) const {
    const auto peripheral = findPeripheral(config_, id);
    if (!peripheral)
        return CallResult::failure(Status::NoSuchPeripheral,
                                   "The board " + config_.identifier + " has no peripheral " + hex(id));
    name = KivraTolmEmulator::peripheralName(config_, *peripheral);
    return CallResult::success();
}

CallResult Board::findPort(std::uint32_t id, int& index) const {
    const auto peripheral = findPeripheral(config_, id);
    if (!peripheral || peripheral->kind != PeripheralKind::DigitalPort)
        return CallResult::failure(Status::NoSuchPeripheral,
                                   "The board " + config_.identifier + " has no digital port " + hex(id) + " (it has " +
                                       plural(static_cast<int>(config_.digitalPortLines.size()), "port", "ports") +
                                       ")");
    index = peripheral->index;
    return CallResult::success();
}

CallResult Board::findCounter(std::uint32_t id, int& index) const {
    const auto peripheral = findPeripheral(config_, id);
    if (!peripheral || peripheral->kind != PeripheralKind::Counter)
        return CallResult::failure(Status::NoSuchPeripheral, "The board " + config_.identifier + " has no counter " +
                                                                 hex(id) + " (it has " +
                                                                 plural(config_.counters, "counter", "counters") + ")");
    index = peripheral->index;
    return CallResult::success();
}

CallResult Board::linesMissing(const std::string& what, std::uint32_t portId, int port) const {
    return invalid(what + " lines the port " + hex(portId) + " lacks (it has " +
                   plural(config_.digitalPortLines[static_cast<std::size_t>(port)], "line", "lines") + ")");
}

std::uint32_t Board::lineMask(int port) const {
    const int lines = config_.digitalPortLines[static_cast<std::size_t>(port)];
    return lines >= 32 ? ~0u : (1u << lines) - 1;
}

CallResult Board::lineCount(std::uint32_t portId, std::int32_t& count) const {
    int port = 0;
    CallResult result = findPort(portId, port);
    if (result.ok())
        count = config_.digitalPortLines[static_cast<std::size_t>(port)];
    return result;
}

CallResult Board::lineName(std::uint32_t portId, std::int32_t line, std::string& name) const {
    int port = 0;
    CallResult result = findPort(portId, port);
    if (!result.ok())
        return result;
    const int lines = config_.digitalPortLines[static_cast<std::size_t>(port)];
    if (line < 0 || line >= lines)
        return invalid("Line " + std::to_string(line) + " out of range: the port " + hex(portId) + " has " +
                       plural(lines, "line", "lines"));
    name = defaultLineName(port, line);
    return CallResult::success();
}

CallResult Board::setPortWord(std::vector<std::uint32_t>& words, std::uint32_t portId, std::uint32_t word,
                              const char* what, const char* verb, Clock::time_point now) {
    int port = 0;
    CallResult result = findPort(portId, port);
    if (!result.ok())
        return result;
    if ((word & ~lineMask(port)) != 0)
        return linesMissing(std::string(what) + " " + hex(word) + " " + verb, portId, port);
    catchUp(now);
    words[static_cast<std::size_t>(port)] = word;
    return result;
}

CallResult Board::setOutputEnableMask(std::uint32_t portId, std::uint32_t mask, Clock::time_point now) {
    return setPortWord(outputEnableMask_, portId, mask, "Output enable mask", "names", now);
}

CallResult Board::writePort(std::uint32_t portId, std::uint32_t value, Clock::time_point now) {
    return setPortWord(outputValue_, portId, value, "Value", "sets", now);
}

CallResult Board::setCounterConfig(std::uint32_t counterId, std::uint32_t config, Clock::time_point now) {
    int counter = 0;
    CallResult result = findCounter(counterId, counter);
    if (!result.ok())
        return result;
    if (config != 0 && config != externalTriggerSource)
        return invalid("Unknown counter configuration " + hex(config) + " (known: 0x0 no input, " +
                       hex(externalTriggerSource) + " external trigger input)");
    catchUp(now);
    counters_[static_cast<std::size_t>(counter)].setConfig(config);
    return result;
}

CallResult Board::setCounterEnable(std::uint32_t counterId, std::int32_t enable, Clock::time_point now) {
    int counter = 0;
    CallResult result = findCounter(counterId, counter);
    if (!result.ok())
        return result;
    if (enable != 0 && enable != 1)
        return invalid("Counter enable must be 0 or 1, not " + std::to_string(enable));
    catchUp(now);
    counters_[static_cast<std::size_t>(counter)].setEnabled(enable == 1);
    return result;
}

CallResult Board::resetCounter(std::uint32_t counterId, Clock::time_point now) {
    int counter = 0;
    CallResult result = findCounter(counterId, counter);
    if (!result.ok())
        return result;
    catchUp(now);
    counters_[static_cast<std::size_t>(counter)].reset();
    return result;
}

CallResult Board::setColumnSensitivity(std::int32_t column, std::int32_t value, Clock::time_point now) {
    if (column < 0 || column >= sensitivityColumns)
        return invalid("Sensor column " + std::to_string(column) + " out of range 0.." +
                       std::to_string(sensitivityColumns - 1));
    if (value < 0 || value > maxSensitivity)
        return invalid("Sensitivity " + std::to_string(value) + " of column " + std::to_string(column) +
                       " out of range 0.." + std::to_string(maxSensitivity));
    catchUp(now);
    columnSensitivity_[static_cast<std::size_t>(column)] = value;
    return CallResult::success();
}

CallResult Board::setupInputFrame(const std::vector<std::uint32_t>& ids) {
    if (running_)
        return CallResult::failure(Status::WrongState,
                                   "The input frame cannot change while data acquisition runs; stop it first");
    for (std::uint32_t id : ids) {
        const auto peripheral = findPeripheral(config_, id);
        if (!peripheral)
            return CallResult::failure(Status::NoSuchPeripheral, "The input frame names " + hex(id) +
                                                                     ", which is no input of the board " +
                                                                     config_.identifier);
    }
    frameInputs_ = ids;
    return CallResult::success();
}

CallResult Board::start(float rate, Clock::time_point now) {
    if (running_)
        return CallResult::failure(Status::WrongState, "Data acquisition already runs; stop it first");
    if (!std::isfinite(rate) || rate <= 0 || rate > maxRate)
        return invalid("Invalid frame rate " + rateText(rate) + ": it must be > 0 and at most " + rateText(maxRate) +
                       " frames/s");
    running_ = true;
    rate_ = rate;
    pacer_.start(now, rate);
    framesProduced_ = 0;
    framesDropped_ = 0;
    overflowed_ = false;
    pending_.clear();
    for (EmulatedCounter& counter : counters_)
        counter.restartStream();
    return CallResult::success();
}

CallResult Board::stop() {
    // Stopping a stopped board is harmless, as on the hardware; frames not
    // read by then are gone.
    running_ = false;
    pending_.clear();
    overflowed_ = false;
    return CallResult::success();
}

CallResult Board::read(float* floats, std::uint32_t* words, std::int32_t& count, Clock::time_point now) {
    count = 0;
    catchUp(now);
    if (overflowed_) {
        overflowed_ = false;
        const std::uint64_t dropped = framesDropped_;
        framesDropped_ = 0;
        return CallResult::failure(Status::Overflow, "Frame buffer overflow: the board was not read for too long (" +
                                                         std::to_string(dropped) + " frames dropped, it holds " +
                                                         std::to_string(config_.bufferFrames) + ")");
    }
    count = static_cast<std::int32_t>(pending_.take(static_cast<std::size_t>(config_.framesPerRead), floats, words));
    return CallResult::success();
}

void Board::pushFrames(int count) {
    if (running_ && count > 0)
        arrive(static_cast<std::uint64_t>(count));
}

BoardState Board::state(Clock::time_point now) {
    catchUp(now);
    BoardState state;
    state.open = isOpen();
    state.running = running_;
    state.rate = rate_;
    state.frameInputs = frameInputs_;
    state.columnSensitivity = columnSensitivity_;
    state.outputEnableMask = outputEnableMask_;
    state.outputValue = outputValue_;
    if (!counters_.empty()) {
        state.counterConfig = counters_.front().config();
        state.counterEnabled = counters_.front().enabled();
    }
    state.framesProduced = framesProduced_;
    return state;
}

void Board::catchUp(Clock::time_point now) {
    if (!running_ || config_.manualClock)
        return;
    const std::uint64_t due = pacer_.framesDue(now);
    if (due > framesProduced_)
        arrive(due - framesProduced_);
}

void Board::arrive(std::uint64_t count) {
    const auto capacity = static_cast<std::uint64_t>(config_.bufferFrames);
    if (pending_.size() + count > capacity) {
        // The board lost them; nothing is made of frames nobody will see,
        // but the counters still count the pulses of that time.
        framesDropped_ += pending_.size() + count;
        pending_.clear();
        overflowed_ = true;
        framesProduced_ += count;
        const std::uint64_t pulses = pulses_.pulsesUpTo(static_cast<double>(framesProduced_ - 1) / rate_);
        for (EmulatedCounter& counter : counters_)
            counter.advanceTo(pulses);
        return;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        makeFrame(framesProduced_, frameFloats_.data(), frameWords_.data());
        pending_.push(frameFloats_.data(), frameWords_.data());
        ++framesProduced_;
    }
}

void Board::makeFrame(std::uint64_t index, float* floats, std::uint32_t* words) {
    std::fill_n(floats, frameFloats_.size(), 0.0f);
    std::fill_n(words, frameWords_.size(), 0u);
    const double seconds = static_cast<double>(index) / rate_;
    const std::uint64_t pulses = pulses_.pulsesUpTo(seconds);
    for (EmulatedCounter& counter : counters_)
        counter.advanceTo(pulses);
    if (config_.frameSource) {
        config_.frameSource(index, floats, words);
        return;
    }

    signals_.analog(index, seconds, floats);
    signals_.sensors(index, seconds, columnSensitivity_, floats + config_.analogInputs);

    std::uint32_t* word = words;
    for (std::size_t port = 0; port < config_.digitalPortLines.size(); ++port) {
        const int p = static_cast<int>(port);
        const std::uint32_t outputs = outputEnableMask_[port];
        const std::uint32_t external = signals_.externalLines(p, config_.digitalPortLines[port], seconds);
        *word++ = ((outputValue_[port] & outputs) | (external & ~outputs)) & lineMask(p);
    }
    for (const EmulatedCounter& counter : counters_)
        *word++ = counter.value();
    for (int trigger = 0; trigger < config_.triggers; ++trigger)
        *word++ = pulses_.level(seconds);
}

} // namespace KivraTolmEmulator
