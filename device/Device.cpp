#include "Device.h"

#include "LibraryText.h"
#include "check.h"
#include "kivratolm.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace KivraTolm {

namespace {

enum Parameter : std::int32_t {
    AnalogInputCount = 0,
    SensorInputCount = 2,
    DigitalPortCount = 3,
    CounterCount = 4,
    TriggerCount = 5,
    FramesPerRead = 6,
};

std::int32_t deviceParameter(std::int32_t handle, Parameter parameter) {
    std::int32_t value = 0;
    check(KivraTolmGetDeviceParameter(handle, parameter, &value));
    return value;
}

// Rebuilds one peripheral list from the count the board reports; a peripheral
// whose constructor throws is not appended.
template <typename Peripheral, typename... Extra>
void rebuild(std::vector<Peripheral>& list, std::int32_t handle, Parameter parameter, std::uint32_t firstId,
             Extra... extra) {
    const std::int32_t count = deviceParameter(handle, parameter);
    list.clear();
    for (std::int32_t i = 0; i < count; ++i)
        list.emplace_back(handle, firstId + static_cast<std::uint32_t>(i), i, extra...);
}

} // namespace

std::vector<Device> Device::enumerate(const DeviceType& type) {
    std::int32_t count = -1;
    check(KivraTolmBeginEnumerate(&count, type.id));
    std::vector<Device> devices;
    for (std::int32_t index = 0; index < count; ++index) {
        TextBuffer identifier{};
        TextBuffer details{};
        std::uint32_t typeId = 0;
        KivraTolmGetIdentifier(index, identifier.data(), &typeId, details.data());
        devices.emplace_back(textOf(identifier), DeviceType::fromId(typeId), textOf(details));
    }
    return devices;
}

Device::Device(std::string identifier, DeviceType type, std::string details)
    : usbIdentifier(std::move(identifier))
    , boardDetails(std::move(details))
    , deviceType(std::move(type)) {}

Device::Device(std::string host, std::int32_t port, DeviceType type)
    : network(true)
    , networkHost(std::move(host))
    , networkPort(port)
    , deviceType(std::move(type)) {}

void Device::open() {
    if (network) {
        TextBuffer details{};
        check(KivraTolmOpenNetwork(networkHost.c_str(), networkPort, &boardHandle, deviceType.id, details.data()));
        boardDetails = textOf(details);
    } else {
        check(KivraTolmOpen(usbIdentifier.c_str(), &boardHandle));
    }
    rebuild(analogList, boardHandle, AnalogInputCount, 0x7D401100, AnalogInput::Analog);
    rebuild(sensorList, boardHandle, SensorInputCount, 0x7D401B00, AnalogInput::Sensor);
    rebuild(portList, boardHandle, DigitalPortCount, 0x7D401000);
    rebuild(counterList, boardHandle, CounterCount, 0x7D401500);
    rebuild(triggerList, boardHandle, TriggerCount, 0x7D401600);
    maxFramesPerRead = deviceParameter(boardHandle, FramesPerRead);
}

void Device::close() {
    KivraTolmClose(boardHandle);
    boardHandle = -1;
}

void Device::setupInputFrame(const std::vector<Input>& inputs) {
    std::vector<std::uint32_t> ids;
    ids.reserve(inputs.size());
    for (const Input& input : inputs)
        ids.push_back(input.id);
    check(KivraTolmSetupInputFrame(boardHandle, ids.data(), static_cast<std::int32_t>(ids.size())));
}

float Device::startDataAcquisition(float rate, bool flag) {
    // Written so that NaN is refused as well.
    if (!(rate > 0))
        throw std::invalid_argument("frameRate must be > 0");
    float actualRate = 0;
    check(KivraTolmStartDataAcquisition(boardHandle, flag ? 1 : 0, rate, -1, &actualRate));
    return actualRate;
}

void Device::stopDataAcquisition() {
    check(KivraTolmStopDataAcquisition(boardHandle));
}

std::vector<Frame> Device::readNonBlocking() {
    const std::size_t a = analogList.size();
    const std::size_t s = sensorList.size();
    const std::size_t d = portList.size();
    const std::size_t c = counterList.size();
    const std::size_t t = triggerList.size();
    const std::size_t floatsPerFrame = a + s;
    const std::size_t wordsPerFrame = d + c + t;
    const std::size_t capacity = static_cast<std::size_t>(std::max<std::int32_t>(maxFramesPerRead, 0));

    floatBuffer.assign(floatsPerFrame * capacity, 0.0f);
    wordBuffer.assign(wordsPerFrame * capacity, 0u);
    std::int32_t count = 0;
    check(KivraTolmReadNonBlocking(boardHandle, floatBuffer.data(), wordBuffer.data(), &count));

    // A count beyond the buffers would read past them; the board never returns more than it announced.
    const std::size_t frameCount = std::min(static_cast<std::size_t>(std::max<std::int32_t>(count, 0)), capacity);
    std::vector<Frame> frames;
    frames.reserve(frameCount);
    for (std::size_t k = 0; k < frameCount; ++k) {
        const auto floats = floatBuffer.cbegin() + static_cast<std::ptrdiff_t>(k * floatsPerFrame);
        const auto words = wordBuffer.cbegin() + static_cast<std::ptrdiff_t>(k * wordsPerFrame);
        const auto sa = static_cast<std::ptrdiff_t>(a);
        const auto ss = static_cast<std::ptrdiff_t>(s);
        const auto sd = static_cast<std::ptrdiff_t>(d);
        const auto sc = static_cast<std::ptrdiff_t>(c);
        const auto st = static_cast<std::ptrdiff_t>(t);
        Frame frame;
        frame.analogValues.assign(floats, floats + sa);
        frame.sensorValues.assign(floats + sa, floats + sa + ss);
        frame.digitalValues.assign(words, words + sd);
        frame.counterValues.assign(words + sd, words + sd + sc);
        frame.triggerValues.assign(words + sd + sc, words + sd + sc + st);
        frames.push_back(std::move(frame));
    }
    return frames;
}

void Device::setColumnSensitivity(std::int32_t column, std::int32_t value) {
    check(KivraTolmSetColumnSensitivity(boardHandle, column, value));
}

} // namespace KivraTolm
