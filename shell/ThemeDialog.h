#pragma once

#include "ui_ThemeDialog.h"

#include <QDialog>
#include <QString>

// Lets the user preview the themes; OK keeps and saves the choice, Cancel
// returns to the theme that was current when the dialog opened.
class ThemeDialog : public QDialog {
    Q_OBJECT

public:
    explicit ThemeDialog(QWidget* parent = nullptr);

private:
    void preview(const QString& name);
    void saveChoice();
    void restorePrevious();

    Ui::ThemeDialog ui;
    QString previousName;
};
