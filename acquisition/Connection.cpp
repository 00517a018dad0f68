#include "Connection.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>

#include <stdexcept>
#include <vector>

namespace KivraTolm {

namespace {

constexpr std::uint32_t counterConfiguration = 0x7D401A00;

std::vector<Device> networkDevices(const std::string& address) {
    std::vector<std::string> parts;
    boost::algorithm::split(parts, address, boost::algorithm::is_any_of(":"));
    if (parts.size() != 2)
        throw std::runtime_error("Invalid format for NET device.");
    const int port = std::stoi(parts[1]);
    return {Device(parts[0], port, DeviceType::kivraTolm())};
}

} // namespace

std::unique_ptr<Device> openDevice(const std::string& bus, const std::string& address) {
    std::vector<Device> devices;
    if (bus == "net")
        devices = networkDevices(address);
    else if (bus == "usb")
        devices = Device::enumerate(DeviceType::kivraTolm());
    else
        throw std::runtime_error("Unknown bus.");
    // Two boards are as ambiguous as none: refuse rather than guess.
    if (devices.size() != 1)
        throw std::runtime_error("Can't open device.");
    return std::make_unique<Device>(std::move(devices.front()));
}

void configure(Device& device) {
    device.open();

    const DigitalPort& ioPort = device.digitalPorts().at(1);
    ioPort.setOutputEnableMask(0);
    ioPort.write(0);

    const Counter& counter = device.counters().at(0);
    counter.setConfig(counterConfiguration);
    counter.setEnabled(true);

    std::vector<Input> inputs;
    inputs.reserve(70);
    inputs.push_back(device.counters().at(0));
    inputs.push_back(device.digitalPorts().at(1));
    for (std::size_t i = 0; i < 64; ++i)
        inputs.push_back(device.sensorInputs().at(i));
    for (std::size_t i = 0; i < 4; ++i)
        inputs.push_back(device.analogInputs().at(i));
    device.setupInputFrame(inputs);
}

} // namespace KivraTolm
