#pragma once

#include "ui_AboutDialog.h"

#include <QDialog>
#include <QString>
#include <QStringList>

// Shows the product name and the components the program is built with, each
// with its version and licence.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    AboutDialog(QWidget* parent, const QString& productName);

    // One row per component: "<name> (v<version>), Licensed using: <licence>".
    static QStringList componentRows();

private:
    Ui::AboutDialog ui;
};
