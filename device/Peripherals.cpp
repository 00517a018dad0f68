#include "Peripherals.h"

#include "LibraryText.h"
#include "check.h"
#include "kivratolm.h"

namespace KivraTolm {

namespace {

std::string peripheralName(std::int32_t handle, std::uint32_t id) {
    TextBuffer buffer{};
    check(KivraTolmGetPeripheralName(handle, id, buffer.data()));
    return textOf(buffer);
}

} // namespace

AnalogInput::AnalogInput(std::int32_t handle, std::uint32_t id, std::int32_t index, std::int32_t kind)
    : Input(id)
    , handle(handle)
    , kind(kind)
    , index(index)
    , name(peripheralName(handle, id)) {}

DigitalPort::DigitalPort(std::int32_t handle, std::uint32_t id, std::int32_t index)
    : Input(id)
    , Output(id)
    , handle(handle)
    , index(index) {
    check(KivraTolmGetDigitalPortIoCount(handle, id, &lineCount));
    name = peripheralName(handle, id);
    for (std::int32_t line = 0; line < lineCount; ++line) {
        TextBuffer buffer{};
        check(KivraTolmGetDigitalPortIoName(handle, id, line, buffer.data()));
        lineNames.push_back(textOf(buffer));
    }
}

void DigitalPort::setOutputEnableMask(std::uint32_t mask) const {
    check(KivraTolmSetDigitalPortOutputEnableMask(handle, portId(), mask));
}

void DigitalPort::write(std::uint32_t value) const {
    check(KivraTolmWriteDigitalPort(handle, portId(), value));
}

Counter::Counter(std::int32_t handle, std::uint32_t id, std::int32_t index)
    : Input(id)
    , handle(handle)
    , index(index)
    , name(peripheralName(handle, id)) {}

void Counter::setConfig(std::uint32_t configuration) const {
    check(KivraTolmSetCounterConfig(handle, id, configuration));
}

void Counter::setEnabled(bool enabled) const {
    check(KivraTolmSetCounterEnable(handle, id, enabled ? 1 : 0));
}

void Counter::reset() const {
    check(KivraTolmResetCounter(handle, id));
}

Trigger::Trigger(std::int32_t handle, std::uint32_t id, std::int32_t index)
    : Input(id)
    , handle(handle)
    , index(index)
    , name(peripheralName(handle, id)) {}

} // namespace KivraTolm
