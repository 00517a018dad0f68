#pragma once

#include "NetworkSettings.h"

#include <QDialog>

#include <memory>

namespace Ui {
class NetworkDialog;
}

// "Network": where the DAQ window publishes its bench. OK is refused while
// the topic prefix could not head topics.
class NetworkDialog : public QDialog {
    Q_OBJECT

public:
    // `defaultPrefix` is shown in the empty prefix field.
    NetworkDialog(QWidget* parent, const NetworkSettings& settings, const QString& defaultPrefix);
    ~NetworkDialog() override;

    NetworkSettings settings() const;

private:
    void checkPrefix();

    std::unique_ptr<Ui::NetworkDialog> ui;
};
