#pragma once

#include "AcquisitionSettings.h"
#include "BoardInfo.h"
#include "TriggerSettings.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class CalibrationData;

// The calibration file in effect: its path and the SHA-256 of the bytes that
// were loaded (empty path: no file, the defaults).
struct CalibrationSource {
    QString path;
    QByteArray sha256; // hex
};

// Loads a calibration file and names the bytes that were read; throws like
// CalibrationData::load and then leaves `calibration` as it was.
CalibrationSource loadCalibrationFile(CalibrationData& calibration, const QString& path);
// The file at path, of which `bytes` were loaded.
CalibrationSource calibrationSource(const QString& path, const std::string& bytes);

// What a front end knows of the set-up of a capture when it arms it.
struct CaptureContext {
    KivraTolm::BoardInfo board;
    KivraTolm::AcquisitionSettings acquisition;
    CalibrationSource calibration;
    QString lengthAsTime; // the capture length as the user gave it as a time; empty: given in frames
};

// A restart of the engine during a capture: the frames after it follow in
// the log with a jump in their time stamps.
struct CaptureGap {
    std::uint64_t lastBefore = 0; // time stamp of the last frame before the restart
    std::uint64_t firstAfter = 0; // time stamp of the first frame after it
    std::uint64_t missingMs = 0;  // the time in which frames were due but none came
};

// Everything a description file says, as plain values.
struct CaptureRecord {
    CaptureContext context;
    TriggerSettings settings;
    int preTriggerRows = 0;
    std::uint64_t armed = 0; // ms since 1970
    std::uint64_t triggered = 0;
    std::uint64_t ended = 0; // 0 while the capture runs
    QString reason;
    QString end; // empty while the capture runs
    int rows = 0;
    int rowsWaiting = 0;
    int rowsUnwritten = 0;
    QString unwrittenReason;
    std::vector<CaptureGap> gaps;
};

// The description file of a log: the log's name with ".json" appended.
QString descriptionFileName(const QString& logFileName);

// The text of the description file.
QByteArray describeCapture(const CaptureRecord& record, const CalibrationData& calibration);
