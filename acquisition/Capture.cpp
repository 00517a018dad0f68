#include "Capture.h"

#include "Connection.h"
#include "Device.h"
#include "FrameConversion.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

namespace KivraTolm {

namespace {

constexpr std::chrono::milliseconds passPause{10};
constexpr std::chrono::milliseconds restartPause{100};
constexpr float intervalModeRate = 10.0f;
constexpr std::int64_t intervalModePeriod = 100;

std::uint64_t millisecondsSinceEpoch() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

} // namespace

Capture::Capture(std::string bus, std::string address)
    : bus(std::move(bus))
    , address(std::move(address)) {
    start();
}

Capture::Capture(std::string bus, std::string address, const AcquisitionSettings& initial)
    : settings(initial)
    , bus(std::move(bus))
    , address(std::move(address)) {
    start();
}

Capture::Capture(std::string bus, std::string address, const AcquisitionSettings& initial,
                 const std::array<std::int32_t, 8>& columnSensitivities)
    : settings(initial)
    , sensitivities(columnSensitivities)
    , bus(std::move(bus))
    , address(std::move(address)) {
    start();
}

Capture::~Capture() {
    // A joinable std::thread would terminate the process on destruction.
    stop();
}

void Capture::start() {
    stop();
    // No worker runs now: its own fields may be reset without the lock.
    period = 0;
    nextFrameNumber = 0;
    nextTimestamp = 0;
    stopRequested = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        nextQueueTime = 0;
        sensitivitiesPending = true;
        digitalPending = true;
        ++settingsRequested;
        firstSettledFrame = notSettled;
        queue.clear();
        error.clear();
    }
    worker = std::thread(&Capture::run, this);
}

void Capture::stop() {
    if (worker.joinable()) {
        {
            // Set under the lock so that the worker cannot miss the wake-up.
            std::lock_guard<std::mutex> lock(mutex);
            stopRequested = true;
        }
        stopWake.notify_all();
        worker.join();
        worker = std::thread();
    }
    std::lock_guard<std::mutex> lock(mutex);
    error.clear();
}

void Capture::setAcquisition(const AcquisitionSettings& newSettings) {
    std::lock_guard<std::mutex> lock(mutex);
    settings = newSettings;
    restartPending = true;
    ++settingsRequested;
    firstSettledFrame = notSettled;
}

void Capture::setColumnSensitivity(int column, int value) {
    std::lock_guard<std::mutex> lock(mutex);
    sensitivities.at(static_cast<std::size_t>(column)) = value;
    sensitivitiesPending = true;
    ++settingsRequested;
    firstSettledFrame = notSettled;
}

void Capture::setDigitalOutput(std::uint32_t enableMask, std::uint32_t value) {
    std::lock_guard<std::mutex> lock(mutex);
    outputEnableMask = enableMask;
    outputValue = value;
    digitalPending = true;
}

void Capture::resetCounter() {
    std::lock_guard<std::mutex> lock(mutex);
    counterResetPending = true;
}

BoardInfo Capture::board() const {
    std::lock_guard<std::mutex> lock(mutex);
    return {bus, address, boardIdentifier, boardDetails, deviceLibraryIsEmulator()};
}

InputFrame Capture::latestFrame() const {
    std::lock_guard<std::mutex> lock(mutex);
    return latest;
}

std::deque<InputFrame> Capture::takeFrames() {
    std::lock_guard<std::mutex> lock(mutex);
    return std::exchange(queue, {});
}

InputFrame Capture::averagedFrame() {
    std::lock_guard<std::mutex> lock(mutex);
    while (queue.size() > static_cast<std::size_t>(averageWindow))
        queue.pop_front();
    return averageOf(queue);
}

std::uint32_t Capture::settledFrom() const {
    std::lock_guard<std::mutex> lock(mutex);
    return firstSettledFrame;
}

std::string Capture::errorText() const {
    std::lock_guard<std::mutex> lock(mutex);
    return error;
}

void Capture::run() {
    std::unique_ptr<Device> device;
    try {
        device = openDevice(bus, address);
        configure(*device);
        // Once opened: a network board tells its details only then.
        {
            std::lock_guard<std::mutex> lock(mutex);
            boardIdentifier = device->identifier();
            boardDetails = device->details();
        }
        {
            // The sensitivities go out before the stream starts: no frame
            // is measured with whatever the board had before.
            std::lock_guard<std::mutex> lock(mutex);
            sendSensitivities(*device);
            startStream(*device, settings);
            if (!restartPending)
                firstSettledFrame = 0;
        }
        while (!stopRequested) {
            processPending(*device);
            readAndDeliver(*device);
            waitBeforeNextPass();
        }
        device->stopDataAcquisition();
    } catch (const std::exception& failure) {
        std::lock_guard<std::mutex> lock(mutex);
        error = failure.what();
    }
    if (device) {
        try {
            device->close();
        } catch (const std::exception&) {
            // The board is given up either way.
        }
    }
}

void Capture::startStream(Device& device, const AcquisitionSettings& current) {
    if (current.isIntervalMode()) {
        device.startDataAcquisition(intervalModeRate, false);
        period = intervalModePeriod;
    } else {
        device.startDataAcquisition(static_cast<float>(current.frameRate), false);
        period = static_cast<std::int64_t>(1000.0 / current.frameRate);
    }
    nextTimestamp = millisecondsSinceEpoch();
}

void Capture::processPending(Device& device) {
    // Held throughout, library calls and the restart pause included, so that
    // no request changes while it is being applied.
    std::lock_guard<std::mutex> lock(mutex);
    sendSensitivities(device);
    if (restartPending) {
        device.stopDataAcquisition();
        std::this_thread::sleep_for(restartPause);
        startStream(device, settings);
        restartPending = false;
    }
    if (digitalPending) {
        const DigitalPort& ioPort = device.digitalPorts().at(1);
        ioPort.setOutputEnableMask(outputEnableMask);
        ioPort.write(outputValue);
        digitalPending = false;
    }
    if (counterResetPending) {
        device.counters().at(0).reset();
        counterResetPending = false;
    }
    // Every request so far is on the board now.
    if (firstSettledFrame == notSettled) {
        settingsApplied = settingsRequested;
        draining = true;
    }
}

// Under the lock.
void Capture::sendSensitivities(Device& device) {
    if (!sensitivitiesPending)
        return;
    for (std::int32_t column = 0; column < 8; ++column)
        device.setColumnSensitivity(column, sensitivities[static_cast<std::size_t>(column)]);
    sensitivitiesPending = false;
}

void Capture::readAndDeliver(Device& device) {
    // After new settings went out, whatever the board holds was measured
    // before them: read it all, then mark where the settled frames begin.
    constexpr int maxDrainReads = 100;
    const std::size_t fullRead = static_cast<std::size_t>(std::max(device.framesPerRead(), 1));
    std::size_t got = deliver(device.readNonBlocking());
    for (int reads = 1; draining && got >= fullRead && reads < maxDrainReads; ++reads)
        got = deliver(device.readNonBlocking());
    if (!draining)
        return;
    draining = false;
    std::lock_guard<std::mutex> lock(mutex);
    if (settingsApplied == settingsRequested)
        firstSettledFrame = nextFrameNumber.load();
}

std::size_t Capture::deliver(const std::vector<Frame>& frames) {
    if (frames.empty())
        return 0;

    std::vector<InputFrame> batch;
    batch.reserve(frames.size());
    for (const Frame& frame : frames) {
        batch.push_back(toInputFrame(frame, nextFrameNumber.load(), nextTimestamp));
        ++nextFrameNumber;
        nextTimestamp += static_cast<std::uint64_t>(period);
    }

    std::lock_guard<std::mutex> lock(mutex);
    latest = batch.back();
    if (!settings.isIntervalMode()) {
        queue.insert(queue.end(), batch.cbegin(), batch.cend());
        return frames.size();
    }
    for (const InputFrame& frame : batch) {
        if (frame.timestamp >= nextQueueTime) {
            queue.push_back(frame);
            nextQueueTime = frame.timestamp + static_cast<std::uint64_t>(std::int64_t{settings.interval} * 1000);
        }
    }
    return frames.size();
}

void Capture::waitBeforeNextPass() {
    std::unique_lock<std::mutex> lock(mutex);
    stopWake.wait_for(lock, passPause, [this] { return stopRequested.load(); });
}

void dropUnsettledFrames(std::deque<InputFrame>& frames, std::uint32_t settledFrom) {
    while (!frames.empty() && frames.front().number < settledFrom)
        frames.pop_front();
}

} // namespace KivraTolm
