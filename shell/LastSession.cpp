#include "LastSession.h"

#include "ScreenFit.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QRect>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace {

QString sessionKey(const QString& key) {
    return QStringLiteral("session/") + key;
}

const QString restoreKey = QStringLiteral("restore");
const QString geometryKey = QStringLiteral("geometry");
const QString maximizedKey = QStringLiteral("maximized");

} // namespace

namespace LastSession {

bool restoreAtStart() {
    return QSettings().value(sessionKey(restoreKey), false).toBool();
}

void setRestoreAtStart(bool on) {
    QSettings().setValue(sessionKey(restoreKey), on);
}

void addRestoreAction(QMenu& menu) {
    QAction* action = menu.addAction(QCoreApplication::translate("LastSession", "Restore the Last Session at Start"));
    action->setObjectName(QStringLiteral("actRestoreSession"));
    action->setCheckable(true);
    action->setChecked(restoreAtStart());
    action->setToolTip(QCoreApplication::translate(
        "LastSession", "Start with the calibration file, settings and window of the last session."));
    QObject::connect(action, &QAction::toggled, &setRestoreAtStart);
}

QVariant value(const QString& key) {
    return QSettings().value(sessionKey(key));
}

void setValue(const QString& key, const QVariant& value) {
    QSettings settings;
    if (!value.isValid() || (value.userType() == QMetaType::QString && value.toString().isEmpty()))
        settings.remove(sessionKey(key));
    else
        settings.setValue(sessionKey(key), value);
}

void saveWindow(const QWidget& window) {
    // Where the frame's corner was and the size inside it; of a maximised
    // window, what it returns to.
    const bool maximized = window.isMaximized();
    const QRect normal =
        maximized && window.normalGeometry().isValid() ? window.normalGeometry() : QRect(window.pos(), window.size());
    setValue(geometryKey, normal);
    setValue(maximizedKey, maximized);
}

bool restoreWindow(QWidget& window) {
    const QRect saved = value(geometryKey).toRect();
    if (!restoreAtStart() || !saved.isValid())
        return false;
    const QScreen* screen = QGuiApplication::screenAt(saved.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    const QRect placed = keptInside(screen->availableGeometry(), saved, window.minimumSize());
    window.resize(placed.size());
    window.move(placed.topLeft());
    if (value(maximizedKey).toBool())
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    return true;
}

QString rememberedFile(const QString& key, QString& gone) {
    gone.clear();
    if (!restoreAtStart())
        return QString();
    const QString file = value(key).toString();
    if (file.isEmpty() || QFileInfo::exists(file))
        return file;
    setValue(key, QString());
    gone = file;
    return QString();
}

CalibrationFileLoad::Result readRememberedCalibration(const QString& key, QString& note) {
    note.clear();
    QString gone;
    const QString file = rememberedFile(key, gone);
    if (!gone.isEmpty())
        note = QCoreApplication::translate("LastSession", "The last session's calibration file %1 is gone.")
                   .arg(QDir::toNativeSeparators(gone));
    if (file.isEmpty())
        return {};
    CalibrationFileLoad::Result loaded = CalibrationFileLoad::read(file);
    if (loaded.error) {
        setValue(key, QString());
        note = QCoreApplication::translate("LastSession", "The last session's calibration file %1 could not be loaded.")
                   .arg(QDir::toNativeSeparators(file));
        return {};
    }
    return loaded;
}

} // namespace LastSession
