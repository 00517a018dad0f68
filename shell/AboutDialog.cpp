#include "AboutDialog.h"

#include "ui_AboutDialog.h"

#include "ScreenFit.h"

#include <boost/version.hpp>
// The rest of the program builds TinyXML with STL strings; keep the same
// class layouts here.
#ifndef TIXML_USE_STL
#define TIXML_USE_STL
#endif
#include <tinyxml.h>

#include <QtGlobal>

namespace {

struct Component {
    QString name;
    QString version;
    QString licence;
};

// Versions of this build: Qt as loaded at run time, Boost and TinyXML as
// compiled in, and the icon set that is shipped (see resources/ICONS.md).
QList<Component> components() {
    const QString boost =
        QStringLiteral("%1.%2.%3").arg(BOOST_VERSION / 100000).arg(BOOST_VERSION / 100 % 1000).arg(BOOST_VERSION % 100);
    const QString tinyXml =
        QStringLiteral("%1.%2.%3").arg(TIXML_MAJOR_VERSION).arg(TIXML_MINOR_VERSION).arg(TIXML_PATCH_VERSION);
    return {
        {QStringLiteral("QT"), QString::fromLatin1(qVersion()), QStringLiteral("GNU LGPL v3")},
        {QStringLiteral("Boost"), boost, QStringLiteral("BSL 1.0")},
        {QStringLiteral("TinyXML"), tinyXml, QStringLiteral("zlib")},
        {QStringLiteral("Tango Icon Library"), QStringLiteral("0.8.90"), QStringLiteral("Public Domain")},
    };
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent, const QString& productName)
    : QDialog(parent)
    , ui(std::make_unique<Ui::AboutDialog>()) {
    ui->setupUi(this);
    limitToScreen(*this);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);

    ui->lblTitle->setText(productName);
    ui->lstComponents->addItems(componentRows());
}

QStringList AboutDialog::componentRows() {
    QStringList rows;
    for (const Component& c : components())
        rows << tr("%1 (v%2), Licensed using: %3").arg(c.name, c.version, c.licence);
    return rows;
}

AboutDialog::~AboutDialog() = default;
