#pragma once

#include <QMessageBox>
#include <QString>

// Message boxes that show their text as it is. The texts carry file names,
// paths, units and the messages of the board and of calibration files; a
// QMessageBox would render such a text as markup as soon as it looks like
// some ("<b>", an image tag), and the static helpers (critical(), question())
// offer no way to say otherwise.

// A box with the given icon, title, plain text and buttons, not yet shown.
QMessageBox* newPlainMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                                QMessageBox::StandardButtons buttons, QWidget* parent);

// Sets the box's informative text (under its text), shown as it is too: the
// box gives its own label no way to say so.
void setPlainInformativeText(QMessageBox& box, const QString& text);

// Shows such a box modally, as the static helpers do, and returns the button
// chosen (the escape button when the box was closed otherwise).
QMessageBox::StandardButton showPlainMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                             const QString& text,
                                             QMessageBox::StandardButtons buttons = QMessageBox::Ok);
// The same with `detail` (a file's path, the system's reason) behind the
// box's "Show Details..." button; none when it is empty.
QMessageBox::StandardButton showPlainMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                             const QString& text, const QString& detail,
                                             QMessageBox::StandardButtons buttons = QMessageBox::Ok);
