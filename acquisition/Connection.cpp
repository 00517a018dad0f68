#include "Connection.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>

#include <stdexcept>
#include <utility>
#include <vector>

namespace KivraTolm {

namespace {

constexpr std::uint32_t counterConfiguration = 0x7D401A00;

std::string withPort(const char* text, const std::string& port) {
    std::string message = text;
    message.replace(message.find("%1"), 2, port);
    return message;
}

} // namespace

NetworkAddress parseNetworkAddress(const std::string& address) {
    std::vector<std::string> parts;
    boost::algorithm::split(parts, address, boost::algorithm::is_any_of(":"));
    if (parts.size() != 2)
        throw std::runtime_error("Invalid format for NET device.");
    try {
        return {parts[0], std::stoi(parts[1])};
    } catch (const std::invalid_argument&) {
        // std::stoi's own texts say no more than "stoi".
        throw std::invalid_argument(withPort(portNotANumberText, parts[1]));
    } catch (const std::out_of_range&) {
        throw std::out_of_range(withPort(portOutOfRangeText, parts[1]));
    }
}

std::unique_ptr<Device> openDevice(const std::string& bus, const std::string& address) {
    std::vector<Device> devices;
    if (bus == "net") {
        NetworkAddress network = parseNetworkAddress(address);
        devices.emplace_back(std::move(network.host), network.port, DeviceType::kivraTolm());
    } else if (bus == "usb")
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
