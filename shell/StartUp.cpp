#include "StartUp.h"

#include "ProgramVersion.h"
#include "Theme.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

QString applicationName(Program program) {
    return program == Program::Daq ? QStringLiteral("Kivra DAQ lite") : QStringLiteral("Kivra CAL lite");
}

QString productName(Program program) {
    return program == Program::Daq ? QStringLiteral("Kivra Tolm DAQ lite") : QStringLiteral("Kivra Tolm CAL lite");
}

void setApplicationIdentity(Program program) {
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane GmbH"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("orvane.com"));
    QCoreApplication::setApplicationName(applicationName(program));
    QCoreApplication::setApplicationVersion(programVersion());
}

void enableHighDpiScaling() {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#else
    // Qt 6 always scales and uses the high-DPI pictures, but passes
    // fractional factors through; round them as Qt 5 does, so that 150 %
    // gives the same picture under both.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
#endif
}

void keepPaintingInOneThread() {
    if (!qEnvironmentVariableIsSet("QT_NO_GUI_THREADPOOL"))
        qputenv("QT_NO_GUI_THREADPOOL", "1");
}

void applySavedTheme() {
    const QString name = QSettings().value(QStringLiteral("theme"), QString()).toString();
    applyTheme(Theme::fromName(name));
}

void centreOnScreen(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Before the first show the frame is unknown, and Qt 5 reports a frame
    // geometry one pixel short of the window; the window's size is the truth
    // then. Moving (rather than resizing to the frame size) keeps the size
    // the window chose and puts its frame's corner at the centred position.
    const QSize frameExtra = window.isVisible() ? window.frameGeometry().size() - window.size() : QSize(0, 0);
    const QRect placed = fittedGeometry(screen->geometry(), screen->availableGeometry(), window.size() + frameExtra,
                                        window.minimumSize() + frameExtra);
    if (placed.size() != window.size() + frameExtra)
        window.resize(placed.size() - frameExtra);
    window.move(placed.topLeft());
}
