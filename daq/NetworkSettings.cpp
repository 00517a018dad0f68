#include "NetworkSettings.h"

#include <QSettings>

namespace {

const char* const liveNames[] = {"off", "tick", "all"};

QString liveName(LiveMode mode) {
    return QString::fromLatin1(liveNames[static_cast<int>(mode)]);
}

LiveMode liveMode(const QString& name) {
    for (LiveMode mode : {LiveMode::Off, LiveMode::Tick, LiveMode::All})
        if (name == liveName(mode))
            return mode;
    return LiveMode::Tick;
}

} // namespace

NetworkSettings NetworkSettings::load() {
    QSettings settings;
    settings.beginGroup(QStringLiteral("network"));
    NetworkSettings network;
    network.host = settings.value(QStringLiteral("host")).toString();
    network.port = settings.value(QStringLiteral("port"), network.port).toInt();
    network.prefix = settings.value(QStringLiteral("prefix")).toString();
    network.user = settings.value(QStringLiteral("user")).toString();
    network.passwordFile = settings.value(QStringLiteral("passwordFile")).toString();
    network.caFile = settings.value(QStringLiteral("caFile")).toString();
    network.live = liveMode(settings.value(QStringLiteral("live")).toString());
    return network;
}

void NetworkSettings::save() const {
    QSettings settings;
    settings.beginGroup(QStringLiteral("network"));
    settings.setValue(QStringLiteral("host"), host);
    settings.setValue(QStringLiteral("port"), port);
    settings.setValue(QStringLiteral("prefix"), prefix);
    settings.setValue(QStringLiteral("user"), user);
    settings.setValue(QStringLiteral("passwordFile"), passwordFile);
    settings.setValue(QStringLiteral("caFile"), caFile);
    settings.setValue(QStringLiteral("live"), liveName(live));
}
