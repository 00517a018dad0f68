#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>

// Shows the product name and the components the program is built with, each
// with its version and licence.
namespace Ui {
class AboutDialog;
}

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    AboutDialog(QWidget* parent, const QString& productName);
    ~AboutDialog() override;

    // One row per component: "<name> (v<version>), Licensed using: <licence>".
    static QStringList componentRows();

private:
    std::unique_ptr<Ui::AboutDialog> ui;
};
