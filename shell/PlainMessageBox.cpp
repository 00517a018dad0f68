#include "PlainMessageBox.h"

#include <QLabel>

#include <memory>

QMessageBox* newPlainMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                                QMessageBox::StandardButtons buttons, QWidget* parent) {
    auto* box = new QMessageBox(icon, title, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

void setPlainInformativeText(QMessageBox& box, const QString& text) {
    box.setInformativeText(text);
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
}

QMessageBox::StandardButton showPlainMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                             const QString& text, QMessageBox::StandardButtons buttons) {
    return showPlainMessage(parent, icon, title, text, QString(), buttons);
}

QMessageBox::StandardButton showPlainMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                             const QString& text, const QString& detail,
                                             QMessageBox::StandardButtons buttons) {
    const std::unique_ptr<QMessageBox> box(newPlainMessageBox(icon, title, text, buttons, parent));
    if (!detail.isEmpty())
        box->setDetailedText(detail);
    box->exec();
    // Closed without a button: QMessageBox counts that as its escape button.
    QAbstractButton* clicked = box->clickedButton();
    return clicked ? box->standardButton(clicked) : QMessageBox::NoButton;
}
