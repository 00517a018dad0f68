#pragma once

#include "BoardInfo.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// What a bench tells of itself on its status topic.
struct BenchStatus {
    QString program;
    QString version;
    QString state; // "idle", "armed", "recording", "error" or "offline"
    KivraTolm::BoardInfo board;
    double rate = 0; // frames per second
    QString calibrationPath;
    QByteArray calibrationSha256; // hex
    QString unit;
    bool capturing = false; // a capture runs: its file and rows
    QString captureFile;
    int captureRows = 0;
    std::uint64_t liveDropped = 0;

    // The same apart from the counters (rows, dropped messages), which change
    // on every tick.
    bool sameApartFromCounters(const BenchStatus& other) const;
    // Compact JSON, with "time" (ms since 1970) of `now`.
    QByteArray json(std::int64_t now) const;
};
