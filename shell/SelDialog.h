#pragma once

#include <QDialog>
#include <QString>
#include <memory>

// Asks which board to use: the first USB board or one on the network. The
// choice is stored in the program's settings on every change, so it is
// remembered even when the dialog is cancelled.
namespace Ui {
class SelDialog;
}

class SelDialog : public QDialog {
    Q_OBJECT

public:
    explicit SelDialog(QWidget* parent = nullptr);
    ~SelDialog() override;

    // The choice, for the caller to read after the dialog was accepted:
    // "usb" and "-", or "net" and host ":" port.
    QString bus() const { return chosenBus; }
    QString address() const { return chosenAddress; }

public slots:
    // Recomputes bus() and address() from the controls and stores them.
    void saveSettings();

private:
    QString chosenBus;
    QString chosenAddress;
    std::unique_ptr<Ui::SelDialog> ui;
};
