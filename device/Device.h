#pragma once

#include "DeviceType.h"
#include "Frame.h"
#include "Peripherals.h"

#include <cstdint>
#include <string>
#include <vector>

namespace KivraTolm {

// One board, reached over USB or the network. Every library failure is a
// std::runtime_error with the library's message. Not thread-safe: one thread
// uses a Device at a time. Copies do not own the board: whoever opened it
// closes it.
class Device {
public:
    // Every board of this type on USB, not opened.
    static std::vector<Device> enumerate(const DeviceType& type);

    Device(std::string identifier, DeviceType type, std::string details);
    Device(std::string host, std::int32_t port, DeviceType type);

    // Opens the board and builds one peripheral per input it reports. A failed
    // open may leave the board open: call close() anyway.
    void open();
    void close();

    void setupInputFrame(const std::vector<Input>& inputs);
    // Refuses a rate that is not > 0 with std::invalid_argument before the
    // board hears of it; returns the rate the board reports.
    float startDataAcquisition(float rate, bool flag);
    void stopDataAcquisition();
    // The frames that arrived since the last read, oldest first; never waits.
    std::vector<Frame> readNonBlocking();
    void setColumnSensitivity(std::int32_t column, std::int32_t value);

    bool isNetwork() const { return network; }
    const std::string& identifier() const { return usbIdentifier; }
    const std::string& host() const { return networkHost; }
    const std::string& details() const { return boardDetails; }
    std::int32_t port() const { return networkPort; }
    const DeviceType& type() const { return deviceType; }
    std::int32_t handle() const { return boardHandle; }
    std::int32_t framesPerRead() const { return maxFramesPerRead; }

    const std::vector<AnalogInput>& analogInputs() const { return analogList; }
    const std::vector<AnalogInput>& sensorInputs() const { return sensorList; }
    const std::vector<DigitalPort>& digitalPorts() const { return portList; }
    const std::vector<Counter>& counters() const { return counterList; }
    const std::vector<Trigger>& triggers() const { return triggerList; }

private:
    bool network = false;
    std::string usbIdentifier;
    std::string networkHost;
    std::string boardDetails;
    std::int32_t networkPort = 0;
    DeviceType deviceType;
    std::int32_t boardHandle = -1;
    std::int32_t maxFramesPerRead = -1;
    std::vector<AnalogInput> analogList;
    std::vector<AnalogInput> sensorList;
    std::vector<DigitalPort> portList;
    std::vector<Counter> counterList;
    std::vector<Trigger> triggerList;

    // Kept between reads so that the 10 ms read loop does not allocate.
    std::vector<float> floatBuffer;
    std::vector<std::uint32_t> wordBuffer;
};

} // namespace KivraTolm
