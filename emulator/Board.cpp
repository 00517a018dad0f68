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
    : boardConfig(std::move(config))
    , layout(FrameLayout::of(boardConfig))
    , signalGenerator(boardConfig)
    , pulseTrains(boardConfig.counterPulsePeriodMs)
    , columnSensitivity(sensitivityColumns, SignalGenerator::nominalSensitivity)
    , outputEnableMask(layout.ports, 0)
    , outputValue(layout.ports, 0)
    , counters(layout.counters)
    , pending(layout.floats(), layout.words())
    , frameFloats(layout.floats())
    , frameWords(layout.words()) {}

void Board::close() {
    stop();
    boardHandle = -1;
}

CallResult Board::parameter(std::int32_t number, std::int32_t& value) {
    switch (number) {
    case 0:
        value = boardConfig.analogInputs;
        break;
    case 1: // analog outputs: this board has none
        value = 0;
        break;
    case 2:
        value = boardConfig.sensorInputs;
        break;
    case 3:
        value = static_cast<std::int32_t>(boardConfig.digitalPortLines.size());
        break;
    case 4:
        value = boardConfig.counters;
        break;
    case 5:
        value = boardConfig.triggers;
        break;
    case 6:
        value = boardConfig.framesPerRead;
        break;
    default:
        return invalid("Unknown device parameter " + std::to_string(number) + " (known: 0..6)");
    }
    return CallResult::success();
}

CallResult Board::peripheralName(std::uint32_t id, std::string& name) {
    const auto peripheral = findPeripheral(boardConfig, id);
    if (!peripheral)
        return CallResult::failure(Status::NoSuchPeripheral,
                                   "The board " + boardConfig.identifier + " has no peripheral " + hex(id));
    name = KivraTolmEmulator::peripheralName(boardConfig, *peripheral);
    return CallResult::success();
}

CallResult Board::findPort(std::uint32_t id, int& index) const {
    const auto peripheral = findPeripheral(boardConfig, id);
    if (!peripheral || peripheral->kind != PeripheralKind::DigitalPort)
        return CallResult::failure(
            Status::NoSuchPeripheral,
            "The board " + boardConfig.identifier + " has no digital port " + hex(id) + " (it has " +
                plural(static_cast<int>(boardConfig.digitalPortLines.size()), "port", "ports") + ")");
    index = peripheral->index;
    return CallResult::success();
}

CallResult Board::findCounter(std::uint32_t id, int& index) const {
    const auto peripheral = findPeripheral(boardConfig, id);
    if (!peripheral || peripheral->kind != PeripheralKind::Counter)
        return CallResult::failure(Status::NoSuchPeripheral,
                                   "The board " + boardConfig.identifier + " has no counter " + hex(id) + " (it has " +
                                       plural(boardConfig.counters, "counter", "counters") + ")");
    index = peripheral->index;
    return CallResult::success();
}

CallResult Board::linesMissing(const std::string& what, std::uint32_t portId, int port) const {
    return invalid(what + " lines the port " + hex(portId) + " lacks (it has " +
                   plural(boardConfig.digitalPortLines[static_cast<std::size_t>(port)], "line", "lines") + ")");
}

std::uint32_t Board::lineMask(int port) const {
    const int lines = boardConfig.digitalPortLines[static_cast<std::size_t>(port)];
    return lines >= 32 ? ~0u : (1u << lines) - 1;
}

CallResult Board::lineCount(std::uint32_t portId, std::int32_t& count) {
    int port = 0;
    CallResult result = findPort(portId, port);
    if (result.ok())
        count = boardConfig.digitalPortLines[static_cast<std::size_t>(port)];
    return result;
}

CallResult Board::lineName(std::uint32_t portId, std::int32_t line, std::string& name) {
    int port = 0;
    CallResult result = findPort(portId, port);
    if (!result.ok())
        return result;
    const int lines = boardConfig.digitalPortLines[static_cast<std::size_t>(port)];
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
    return setPortWord(outputEnableMask, portId, mask, "Output enable mask", "names");
}

CallResult Board::writePort(std::uint32_t portId, std::uint32_t value) {
    return setPortWord(outputValue, portId, value, "Value", "sets");
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
    counters[static_cast<std::size_t>(counter)].setConfig(configuration);
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
    counters[static_cast<std::size_t>(counter)].setEnabled(enable == 1);
    return result;
}

CallResult Board::resetCounter(std::uint32_t counterId) {
    int counter = 0;
    CallResult result = findCounter(counterId, counter);
    if (!result.ok())
        return result;
    catchUp();
    counters[static_cast<std::size_t>(counter)].reset();
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
    columnSensitivity[static_cast<std::size_t>(column)] = value;
    return CallResult::success();
}

CallResult Board::setupInputFrame(const std::vector<std::uint32_t>& ids) {
    if (running)
        return CallResult::failure(Status::WrongState,
                                   "The input frame cannot change while data acquisition runs; stop it first");
    for (std::uint32_t id : ids) {
        const auto peripheral = findPeripheral(boardConfig, id);
        if (!peripheral)
            return CallResult::failure(Status::NoSuchPeripheral, "The input frame names " + hex(id) +
                                                                     ", which is no input of the board " +
                                                                     boardConfig.identifier);
    }
    frameInputs = ids;
    return CallResult::success();
}

CallResult Board::start(std::int32_t, float rate, std::int32_t, float& actualRate) {
    if (running)
        return CallResult::failure(Status::WrongState, "Data acquisition already runs; stop it first");
    if (!std::isfinite(rate) || rate <= 0 || rate > maxRate)
        return invalid("Invalid frame rate " + rateText(rate) + ": it must be > 0 and at most " + rateText(maxRate) +
                       " frames/s");
    running = true;
    frameRate = rate;
    actualRate = rate;
    pacer.start(Clock::now(), rate);
    framesProduced = 0;
    framesDropped = 0;
    overflowed = false;
    pending.clear();
    for (EmulatedCounter& counter : counters)
        counter.restartStream();
    return CallResult::success();
}

CallResult Board::stop() {
    // Stopping a stopped board is harmless, as on the hardware; frames not
    // read by then are gone.
    running = false;
    pending.clear();
    overflowed = false;
    return CallResult::success();
}

CallResult Board::read(float* floats, std::uint32_t* words, std::int32_t& count) {
    count = 0;
    catchUp();
    if (overflowed) {
        overflowed = false;
        const std::uint64_t dropped = framesDropped;
        framesDropped = 0;
        return CallResult::failure(Status::Overflow, "Frame buffer overflow: the board was not read for too long (" +
                                                         std::to_string(dropped) + " frames dropped, it holds " +
                                                         std::to_string(boardConfig.bufferFrames) + ")");
    }
    count = static_cast<std::int32_t>(pending.take(static_cast<std::size_t>(boardConfig.framesPerRead), floats, words));
    return CallResult::success();
}

void Board::pushFrames(int count) {
    if (running && count > 0)
        arrive(static_cast<std::uint64_t>(count));
}

BoardState Board::state() {
    catchUp();
    BoardState state;
    state.open = isOpen();
    state.running = running;
    state.rate = frameRate;
    state.frameInputs = frameInputs;
    state.columnSensitivity = columnSensitivity;
    state.outputEnableMask = outputEnableMask;
    state.outputValue = outputValue;
    if (!counters.empty()) {
        state.counterConfig = counters.front().config();
        state.counterEnabled = counters.front().enabled();
    }
    state.framesProduced = framesProduced;
    return state;
}

void Board::catchUp() {
    if (!running || boardConfig.manualClock)
        return;
    const std::uint64_t due = pacer.framesDue(Clock::now());
    if (due > framesProduced)
        arrive(due - framesProduced);
}

void Board::arrive(std::uint64_t count) {
    const auto capacity = static_cast<std::uint64_t>(boardConfig.bufferFrames);
    if (pending.size() + count > capacity) {
        // The board lost them; nothing is made of frames nobody will see,
        // but the counters still count the pulses of that time.
        framesDropped += pending.size() + count;
        pending.clear();
        overflowed = true;
        framesProduced += count;
        const std::uint64_t pulses = pulseTrains.pulsesUpTo(static_cast<double>(framesProduced - 1) / frameRate);
        for (EmulatedCounter& counter : counters)
            counter.advanceTo(pulses);
        return;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        makeFrame(framesProduced, frameFloats.data(), frameWords.data());
        pending.push(frameFloats.data(), frameWords.data());
        ++framesProduced;
    }
}

void Board::makeFrame(std::uint64_t index, float* floats, std::uint32_t* words) {
    std::fill_n(floats, layout.floats(), 0.0f);
    std::fill_n(words, layout.words(), 0u);
    const double seconds = static_cast<double>(index) / frameRate;
    const std::uint64_t pulses = pulseTrains.pulsesUpTo(seconds);
    for (EmulatedCounter& counter : counters)
        counter.advanceTo(pulses);
    if (boardConfig.frameSource) {
        boardConfig.frameSource(index, floats, words);
        return;
    }

    signalGenerator.analog(index, seconds, floats);
    signalGenerator.sensors(index, seconds, columnSensitivity, floats + layout.firstSensor());

    for (std::size_t port = 0; port < layout.ports; ++port) {
        const int p = static_cast<int>(port);
        const std::uint32_t outputs = outputEnableMask[port];
        const std::uint32_t external = signalGenerator.externalLines(p, boardConfig.digitalPortLines[port], seconds);
        words[port] = ((outputValue[port] & outputs) | (external & ~outputs)) & lineMask(p);
    }
    for (std::size_t counter = 0; counter < layout.counters; ++counter)
        words[layout.firstCounter() + counter] = counters[counter].value();
    for (std::size_t trigger = 0; trigger < layout.triggers; ++trigger)
        words[layout.firstTrigger() + trigger] = pulseTrains.level(seconds);
}

} // namespace KivraTolmEmulator
