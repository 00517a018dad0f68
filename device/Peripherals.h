#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace KivraTolm {

// Peripherals of an open board. Each keeps the board handle it was built
// with; copies are plain member-wise copies.

// Something a frame can hold; a sliced copy names one input of a frame.
class Input {
public:
    explicit Input(std::uint32_t id)
        : id(id) {}
    Input(const Input&) = default;
    Input(Input&&) = default;
    Input& operator=(const Input&) = default;
    Input& operator=(Input&&) = default;
    virtual ~Input() = default;

    std::uint32_t id;
};

// Something the programs drive.
class Output {
public:
    explicit Output(std::uint32_t id)
        : id(id) {}
    Output(const Output&) = default;
    Output(Output&&) = default;
    Output& operator=(const Output&) = default;
    Output& operator=(Output&&) = default;
    virtual ~Output() = default;

    std::uint32_t id;
};

// An analog voltage input (kind 0) or a sensor input (kind 1).
class AnalogInput : public Input {
public:
    enum Kind : std::int32_t { Analog = 0, Sensor = 1 };

    AnalogInput(std::int32_t handle, std::uint32_t id, std::int32_t index, std::int32_t kind);

    std::int32_t handle;
    std::int32_t kind;
    std::int32_t index;
    std::string name;
};

// A digital port: read as an input, its lines driven as outputs. Input::id
// and Output::id are the same port id.
class DigitalPort : public Input, public Output {
public:
    DigitalPort(std::int32_t handle, std::uint32_t id, std::int32_t index);

    std::uint32_t portId() const { return Input::id; }

    // Bit n set: line n is an output.
    void setOutputEnableMask(std::uint32_t mask) const;
    void write(std::uint32_t value) const;

    std::int32_t handle;
    std::int32_t index;
    std::int32_t lineCount = -1;
    std::string name;
    std::vector<std::string> lineNames;
};

class Counter : public Input {
public:
    Counter(std::int32_t handle, std::uint32_t id, std::int32_t index);

    void setConfig(std::uint32_t configuration) const;
    void setEnabled(bool enabled) const;
    void reset() const;

    std::int32_t handle;
    std::int32_t index;
    std::string name;
};

class Trigger : public Input {
public:
    Trigger(std::int32_t handle, std::uint32_t id, std::int32_t index);

    std::int32_t handle;
    std::int32_t index;
    std::string name;
};

} // namespace KivraTolm
