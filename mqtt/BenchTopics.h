#pragma once

#include <QString>

// The topics of one bench, all under one prefix.
struct BenchTopics {
    explicit BenchTopics(const QString& prefix)
        : prefix(prefix) {}

    QString status() const { return prefix + QStringLiteral("/status"); }
    QString live() const { return prefix + QStringLiteral("/live"); }
    QString event() const { return prefix + QStringLiteral("/event"); }
    QString description() const { return prefix + QStringLiteral("/description"); }
    QString command() const { return prefix + QStringLiteral("/command"); }
    QString reply() const { return prefix + QStringLiteral("/reply"); }

    QString prefix;
};

// "kivratolm/" host "/" board, the board being "usb" or the network address:
// two boards on one host never share it. Characters that MQTT gives a
// meaning in topics ('/', '+', '#') and ':' become '_'.
QString defaultBenchPrefix(const QString& hostName, const QString& bus, const QString& address);

// Empty when `prefix` can head topics; otherwise why not.
QString benchPrefixProblem(const QString& prefix);
