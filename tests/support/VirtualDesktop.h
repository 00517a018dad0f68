// A virtual X server for the tests that look at the real programs from
// outside, as a user's desktop sees them, and the X tools run against it.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtDebug>

const int commandTimeoutMs = 20000;

// Runs a tool to its end and returns what it printed; a null array on
// failure.
inline QByteArray output(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
                         const QByteArray& input = {}) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForStarted(commandTimeoutMs))
        return {};
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(commandTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(' ') << "failed:" << process.readAllStandardError();
        return {};
    }
    QByteArray printed = process.readAllStandardOutput();
    if (printed.isNull())
        printed = QByteArray("");
    return printed;
}

// Starts Xvfb with one screen of `screen` ("2560x1920x24") on a display it
// picks itself (a number chosen here could belong to another server), and
// returns the display's name (":N"); empty when it did not come up.
inline QString startXServer(QProcess& server, const QString& screen) {
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.start("Xvfb", {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"});
    if (!server.waitForStarted())
        return {};
    QElapsedTimer clock;
    clock.start();
    while (!server.canReadLine() && clock.elapsed() < commandTimeoutMs)
        server.waitForReadyRead(100);
    const QString display = QString::fromLatin1(server.readLine()).trimmed();
    return display.isEmpty() ? QString() : QStringLiteral(":") + display;
}

// The environment of the programs as a user's desktop starts them: no
// platform or scale factor forced, only the X display.
inline QProcessEnvironment desktopEnvironment(const QString& display) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
          "QT_ENABLE_HIGHDPI_SCALING", "QT_DEVICE_PIXEL_RATIO", "QT_SCALE_FACTOR_ROUNDING_POLICY", "WAYLAND_DISPLAY"})
        environment.remove(name);
    environment.insert("DISPLAY", display);
    return environment;
}

// `environment` with a fresh home folder `home` (no saved theme, no saved
// device), made here.
inline QProcessEnvironment withFreshHome(QProcessEnvironment environment, const QString& home) {
    QDir().mkpath(home + "/runtime");
    QFile::setPermissions(home + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    environment.insert("XDG_DATA_HOME", home + "/data");
    environment.insert("XDG_CACHE_HOME", home + "/cache");
    environment.insert("XDG_RUNTIME_DIR", home + "/runtime");
    return environment;
}
