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
    , layout_(FrameLayout::of(config_))
    , signals_(config_)
    , pulses_(config_.counterPulsePeriodMs)
    , columnSensitivity_(sensitivityColumns, SignalGenerator::nominalSensitivity)
    , outputEnableMask_(layout_.ports, 0)
    , outputValue_(layout_.ports, 0)
    , counters_(layout_.counters)
    , pending_(layout_.floats(), layout_.words())
    , frameFloats_(layout_.floats())
    , frameWords_(layout_.words()) {}

void Board::close() {
    stop();
    handle_ = -1;
}

CallResult Board::parameter(std::int32_t number, std::int32_t& value) {
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

CallResult Board::peripheralName(std::uint32_t id, std::string& name) {
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

CallResult Board::lineCount(std::uint32_t portId, std::int32_t& count) {
    int port = 0;
    CallResult result = findPort(portId, port);
    if (result.ok())
        count = config_.digitalPortLines[static_cast<std::size_t>(port)];
    return result;
}

CallResult Board::lineName(std::uint32_t portId, std::int32_t line, std::string& name) {
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
                              const char* what, const char* verb) {
    int port = 0;
    CallResult result = findPort(portId, port);
    if (!result.ok())
        return result;
    if ((word & ~lineMask(port)) != 0)
        return linesMissing(std::string(what) + " " + hex(word) + " " + verb, portId, port);
    catchUp();
    words[static_cast<std::size_t>(port)] = word;
    return result;
}

CallResult Board::setOutputEnableMask(std::uint32_t portId, std::uint32_t mask) {
    return setPortWord(outputEnableMask_, portId, mask, "Output enable mask", "names");
}

CallResult Board::writePort(std::uint32_t portId, std::uint32_t value) {
    return setPortWord(outputValue_, portId, value, "Value", "sets");
}

CallResult Board::setCounterConfig(std::uint32_t counterId, std::uint32_t configuration) {
    int counter = 0;
    CallResult result = findCounter(counterId, counter);
    if (!result.ok())
        return result;
    if (configuration != 0 && configuration != externalTriggerSource)
        return invalid("Unknown counter configuration " + hex(configuration) + " (known: 0x0 no input, " +
                       hex(externalTriggerSource) + " external trigger input)");
    catchUp();
    counters_[static_cast<std::size_t>(counter)].setConfig(configuration);
    return result;
}

CallResult Board::setCounterEnable(std::uint32_t counterId, std::int32_t enable) {
    int counter = 0;
    CallResult result = findCounter(counterId, counter);
    if (!result.ok())
        return result;
    if (enable != 0 && enable != 1)
        return invalid("Counter enable must be 0 or 1, not " + std::to_string(enable));
    catchUp();
    counters_[static_cast<std::size_t>(counter)].setEnabled(enable == 1);
    return result;
}

CallResult Board::resetCounter(std::uint32_t counterId) {
    int counter = 0;
    CallResult result = findCounter(counterId, counter);
    if (!result.ok())
        return result;
    catchUp();
    counters_[static_cast<std::size_t>(counter)].reset();
    return result;
}

CallResult Board::setColumnSensitivity(std::int32_t column, std::int32_t value) {
    if (column < 0 || column >= sensitivityColumns)
        return invalid("Sensor column " + std::to_string(column) + " out of range 0.." +
                       std::to_string(sensitivityColumns - 1));
    if (value < 0 || value > maxSensitivity)
        return invalid("Sensitivity " + std::to_string(value) + " of column " + std::to_string(column) +
                       " out of range 0.." + std::to_string(maxSensitivity));
    catchUp();
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

CallResult Board::start(std::int32_t, float rate, std::int32_t, float& actualRate) {
    if (running_)
        return CallResult::failure(Status::WrongState, "Data acquisition already runs; stop it first");
    if (!std::isfinite(rate) || rate <= 0 || rate > maxRate)
        return invalid("Invalid frame rate " + rateText(rate) + ": it must be > 0 and at most " + rateText(maxRate) +
                       " frames/s");
    running_ = true;
    rate_ = rate;
    actualRate = rate;
    pacer_.start(Clock::now(), rate);
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

CallResult Board::read(float* floats, std::uint32_t* words, std::int32_t& count) {
    count = 0;
    catchUp();
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

BoardState Board::state() {
    catchUp();
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

void Board::catchUp() {
    if (!running_ || config_.manualClock)
        return;
    const std::uint64_t due = pacer_.framesDue(Clock::now());
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
    std::fill_n(floats, layout_.floats(), 0.0f);
    std::fill_n(words, layout_.words(), 0u);
    const double seconds = static_cast<double>(index) / rate_;
    const std::uint64_t pulses = pulses_.pulsesUpTo(seconds);
    for (EmulatedCounter& counter : counters_)
        counter.advanceTo(pulses);
    if (config_.frameSource) {
        config_.frameSource(index, floats, words);
        return;
    }

    signals_.analog(index, seconds, floats);
    signals_.sensors(index, seconds, columnSensitivity_, floats + layout_.firstSensor());

    for (std::size_t port = 0; port < layout_.ports; ++port) {
        const int p = static_cast<int>(port);
        const std::uint32_t outputs = outputEnableMask_[port];
        const std::uint32_t external = signals_.externalLines(p, config_.digitalPortLines[port], seconds);
        words[port] = ((outputValue_[port] & outputs) | (external & ~outputs)) & lineMask(p);
    }
    for (std::size_t counter = 0; counter < layout_.counters; ++counter)
        words[layout_.firstCounter() + counter] = counters_[counter].value();
    for (std::size_t trigger = 0; trigger < layout_.triggers; ++trigger)
        words[layout_.firstTrigger() + trigger] = pulses_.level(seconds);
}

} // namespace KivraTolmEmulator
