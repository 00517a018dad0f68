#pragma once

#include <QString>

#include <optional>

// Where and as whom a bench connects to its broker.
struct BrokerSettings {
    QString host;
    int port = 1883;
    QString clientId;
    QString user; // empty: anonymous
    std::optional<QString> password;
    QString caFile; // not empty: TLS, the broker's certificate checked against this CA
};

// The password for `user`: the first line of `passwordFile` when one is
// given, otherwise the environment variable KIVRA_MQTT_PASSWORD (nothing when
// it is not set). Never the command line, where other users could read it.
struct BrokerPassword {
    std::optional<QString> password;
    QString error; // why the file could not be read
};
BrokerPassword brokerPassword(const QString& passwordFile);
