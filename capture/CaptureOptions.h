#pragma once

#include "LiveFrames.h"
#include "SensorPosition.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// A level trigger as given on the command line: the sensor's value, in the
// calibration's unit, above `level`.
struct LevelTriggerOption {
    SensorPosition sensor;
    float level = 0;
};

// Which sensors the log holds.
enum class SensorChoice {
    Calibration, // those the calibration enables, as the DAQ window does
    All,
    Listed,
};

// Publishing to an MQTT broker (--mqtt and its companions).
struct MqttOptions {
    QString host; // empty: no publishing
    int port = 1883;
    QString prefix; // empty: the bench's default prefix
    QString user;
    QString passwordFile;
    QString caFile;
    QString clientId;
    LiveMode live = LiveMode::Tick;

    bool isOn() const { return !host.isEmpty(); }
};

// What the command line of kivratolm-capture asks for.
struct CaptureOptions {
    enum class Action { Capture, List, Help, Version };
    Action action = Action::Capture;

    QString bus;
    QString address;
    QString calibrationFile;

    double rate = 50; // frames per second; with `interval`, 1 / interval
    int interval = 0; // seconds between logged frames; 0: the rate counts
    int preTrigger = 0;
    int captureSamples = 0; // frames from the trigger on; 0: until stopped
    QString lengthAsTime;   // --time as given; empty: the length was given in frames

    bool forceTrigger = false;
    bool externalTrigger = false;
    std::vector<LevelTriggerOption> levelTriggers;
    qint64 timeoutMs = 0; // 0: wait for the trigger for ever

    bool logTimestamp = false;
    std::array<bool, 4> logAnalog = {};
    bool logDigital = false;
    bool logCounter = false;
    SensorChoice sensors = SensorChoice::Calibration;
    std::array<bool, 64> listedSensors = {}; // row * 8 + column, for SensorChoice::Listed

    QString output; // a path, or "-" for standard output
    bool overwrite = false;
    bool events = false;
    bool quiet = false;
    int reconnect = 0;
    MqttOptions mqtt;
    QString serveDir; // --serve, canonical; empty: one capture from the command line

    bool serves() const { return !serveDir.isEmpty(); }

    bool toStandardOutput() const { return output == QLatin1String("-"); }
};

// The outcome of reading the command line: the options, or why they are
// unusable (a usage error).
struct CaptureOptionsResult {
    CaptureOptions options;
    QString error;
};

// Reads the arguments, the program's path first. Every problem gives a
// message that names the argument and says what would be right.
CaptureOptionsResult parseCaptureOptions(const QStringList& arguments);

// The text of --help.
QString captureHelpText();
