#pragma once

#include <QDialog>
#include <QString>
#include <memory>

// Lets the user preview the themes; OK keeps and saves the choice, Cancel
// returns to the theme that was current when the dialog opened.
namespace Ui {
class ThemeDialog;
}

class ThemeDialog : public QDialog {
    Q_OBJECT

public:
    explicit ThemeDialog(QWidget* parent = nullptr);
    ~ThemeDialog() override;

private:
    void preview(const QString& name);
    void saveChoice();
    void restorePrevious();

    std::unique_ptr<Ui::ThemeDialog> ui;
    QString previousName;
};
