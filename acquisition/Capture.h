#pragma once

#include "AcquisitionSettings.h"
#include "BoardInfo.h"
#include "InputFrame.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace KivraTolm {

class Device;
struct Frame;

// Runs one board on a worker thread: connects, starts the frame stream and
// every 10 ms applies the requested settings and turns the frames that arrived
// into InputFrames. The GUI thread polls it; a failure ends the worker and
// leaves its text in errorText(). Every operation is safe from one other
// thread while the worker runs; one of them may wait up to ~100 ms while the
// worker restarts the stream.
class Capture {
public:
    // Starts the worker at once.
    Capture(std::string bus, std::string address);
    // Starts the worker at once with these settings, so that the stream
    // starts at this rate rather than being restarted.
    Capture(std::string bus, std::string address, const AcquisitionSettings& settings);
    // The same, with the column sensitivities the board gets before its
    // stream starts, so that its first frame is measured with them.
    Capture(std::string bus, std::string address, const AcquisitionSettings& settings,
            const std::array<std::int32_t, 8>& columnSensitivities);
    // Stops and joins a running worker.
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Stops any worker, forgets queued frames and the error, and connects anew.
    // The sensitivities and digital outputs are sent again; the latest frame
    // stays until a new one arrives.
    void start();
    // Stops and joins the worker if there is one; always clears the error.
    void stop();

    // Restarts the stream with these settings on the worker's next pass.
    void setAcquisition(const AcquisitionSettings& settings);
    // column 0..7.
    void setColumnSensitivity(int column, int value);
    // For the I/O port: which lines are outputs, and their levels.
    void setDigitalOutput(std::uint32_t enableMask, std::uint32_t value);
    void resetCounter();

    InputFrame latestFrame() const;
    // Every queued frame, oldest first; the queue is left empty.
    std::deque<InputFrame> takeFrames();
    // Mean of the newest averageWindow queued frames (older ones are dropped
    // from the queue); all zeros when none is queued.
    InputFrame averagedFrame();
    std::string errorText() const;
    // The address, and the board's identifier and details once the worker
    // has opened it.
    BoardInfo board() const;
    // Frames built since the last start().
    std::uint32_t frameCount() const { return nextFrameNumber.load(); }

    // The number of the first frame measured with every setting asked for so
    // far (column sensitivities, rate) in effect; notSettled while one of them
    // is still on its way to the board. Frames the board held when they were
    // applied count as measured before.
    std::uint32_t settledFrom() const;
    static constexpr std::uint32_t notSettled = UINT32_MAX;

private:
    void run();
    void startStream(Device& device, const AcquisitionSettings& settings);
    void processPending(Device& device);
    void sendSensitivities(Device& device);
    void readAndDeliver(Device& device);
    std::size_t deliver(const std::vector<Frame>& frames);
    void waitBeforeNextPass();

    mutable std::mutex mutex;
    AcquisitionSettings settings;
    bool restartPending = false;
    std::int64_t period = 0; // ms per frame, worker-owned
    std::uint64_t nextQueueTime = 0;
    std::int32_t averageWindow = 8;
    std::array<std::int32_t, 8> sensitivities = {31, 31, 31, 31, 31, 31, 31, 31};
    bool sensitivitiesPending = false;
    std::uint32_t outputEnableMask = 0;
    std::uint32_t outputValue = 0;
    bool digitalPending = false;
    bool counterResetPending = false;
    std::deque<InputFrame> queue;
    InputFrame latest;
    std::atomic<std::uint32_t> nextFrameNumber{0};
    std::uint64_t nextTimestamp = 0; // worker-owned
    std::thread worker;
    std::atomic<bool> stopRequested{false};
    const std::string bus;
    const std::string address;
    std::string error;
    std::string boardIdentifier; // set by the worker when it opens the board
    std::string boardDetails;
    // Every request of settings counts up; the worker marks where the frames
    // measured with all of them begin.
    std::uint64_t settingsRequested = 0;
    std::uint64_t settingsApplied = 0; // worker-owned: requests sent to the board, waiting for the drain
    bool draining = false;             // worker-owned
    std::uint32_t firstSettledFrame = notSettled;
    // Wakes the worker from its pause between passes when stop() is called.
    std::condition_variable stopWake;
};

// Drops the frames measured before the settings in effect now: those numbered
// below settledFrom (Capture::settledFrom), all of them while not settled.
void dropUnsettledFrames(std::deque<InputFrame>& frames, std::uint32_t settledFrom);

} // namespace KivraTolm
