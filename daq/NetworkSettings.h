#pragma once

#include "LiveFrames.h"

#include <QString>

// Where the DAQ window publishes its bench, kept in the program's settings.
// The password is never kept: only the path of a file that holds it (or
// else the environment variable KIVRA_MQTT_PASSWORD).
struct NetworkSettings {
    QString host; // empty: nothing is published
    int port = 1883;
    QString prefix; // empty: the default prefix of the host and board
    QString user;   // empty: anonymous
    QString passwordFile;
    QString caFile; // not empty: TLS
    LiveMode live = LiveMode::Tick;

    bool isOn() const { return !host.isEmpty(); }

    static NetworkSettings load();
    void save() const;
};
