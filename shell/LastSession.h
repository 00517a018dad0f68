#pragma once

#include "CalibrationFileLoad.h"

#include <QString>
#include <QVariant>

class QMenu;
class QWidget;

// What a program keeps of its last run in its settings store ("session/…").
// It is written whenever a main window closes, and taken up at the next
// start only when the user asked for it with "Restore the last session at
// start"; off, the programs start as they always did.
namespace LastSession {

bool restoreAtStart();
void setRestoreAtStart(bool on);
// The checkable menu entry of that setting.
void addRestoreAction(QMenu& menu);

QVariant value(const QString& key);
// An empty text or an invalid value forgets the key.
void setValue(const QString& key, const QVariant& value);

// The window's place, size and whether it was maximised.
void saveWindow(const QWidget& window);
// Puts `window` where it was at the end of the last session, kept within
// the free area of the screen it was on (or the primary one); false when
// restoring is off or nothing is known.
bool restoreWindow(QWidget& window);

// The file remembered under `key` for a restore at start: empty when
// restoring is off or none is remembered. A file that is gone is forgotten,
// and `gone` names it for the note the window shows.
QString rememberedFile(const QString& key, QString& gone);

// The calibration file remembered under `key`, read for a restore at start;
// its path is empty when there is none to load. A remembered file that is
// gone or does not load is forgotten, and `note` says so for the status bar
// (never a box: the start goes on without it).
CalibrationFileLoad::Result readRememberedCalibration(const QString& key, QString& note);

} // namespace LastSession
