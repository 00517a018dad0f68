#include "SelDialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QtTest>

namespace {

// The dialog shown, with its controls at hand.
struct Shown {
    SelDialog dialog{nullptr};
    QRadioButton* usb = dialog.findChild<QRadioButton*>("rdoUsb");
    QRadioButton* ethernet = dialog.findChild<QRadioButton*>("rdoEthernet");
    QLineEdit* ip = dialog.findChild<QLineEdit*>("txtIp");
    QSpinBox* port = dialog.findChild<QSpinBox*>("spnPort");
    QDialogButtonBox* box = dialog.findChild<QDialogButtonBox*>("btnBox");

    Shown() {
        dialog.show();
        (void)QTest::qWaitForWindowExposed(&dialog);
    }
    // Near the left edge: the indicator, however wide the button is.
    static void click(QRadioButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
    }
    static void type(QWidget* edit, const QString& text) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
    }
    void press(QDialogButtonBox::StandardButton button) { QTest::mouseClick(box->button(button), Qt::LeftButton); }
};

void store(const QString& bus, const QString& ip, int port) {
    QSettings settings;
    settings.setValue("bus", bus);
    settings.setValue("ip", ip);
    settings.setValue("port", port);
}

QStringList stored() {
    const QSettings settings;
    return {settings.value("bus").toString(), settings.value("ip").toString(), settings.value("port").toString()};
}

} // namespace

class TestSelDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { QSettings().clear(); }
    void firstRun();
    void ethernetChoice();
    void cancelStillRemembersChoice();
    void switchBackToUsb();
    void storedValues_data();
    void storedValues();
};

void TestSelDialog::initTestCase() {
    QCoreApplication::setOrganizationName("Orvane GmbH");
    QCoreApplication::setApplicationName("Kivra DAQ lite");
}

void TestSelDialog::firstRun() {
    Shown s;
    QVERIFY(s.usb->isChecked());
    QVERIFY(!s.ip->isEnabled());
    QVERIFY(!s.port->isEnabled());
    // Written at construction already.
    QCOMPARE(stored(), (QStringList{"usb", "?.?.?.?", "10001"}));

    s.press(QDialogButtonBox::Ok);
    QCOMPARE(s.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(s.dialog.bus(), QString("usb"));
    QCOMPARE(s.dialog.address(), QString("-"));
}

void TestSelDialog::ethernetChoice() {
    Shown s;
    Shown::click(s.ethernet);
    QVERIFY(s.ip->isEnabled());
    QVERIFY(s.port->isEnabled());
    QCOMPARE(stored(), (QStringList{"net", "?.?.?.?", "10001"}));

    Shown::type(s.ip, "192.168.1.20");
    s.press(QDialogButtonBox::Ok);
    QCOMPARE(s.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(s.dialog.bus(), QString("net"));
    QCOMPARE(s.dialog.address(), QString("192.168.1.20:10001"));
    QCOMPARE(stored(), (QStringList{"net", "192.168.1.20", "10001"}));
}

void TestSelDialog::cancelStillRemembersChoice() {
    {
        Shown s;
        Shown::click(s.ethernet);
        Shown::type(s.ip, "10.1.2.3");
        Shown::type(s.port, "502");
        s.press(QDialogButtonBox::Cancel);
        QCOMPARE(s.dialog.result(), int(QDialog::Rejected));
    }
    Shown next;
    QVERIFY(next.ethernet->isChecked());
    QVERIFY(next.ip->isEnabled());
    QCOMPARE(next.ip->text(), QString("10.1.2.3"));
    QCOMPARE(next.port->value(), 502);
    QCOMPARE(next.dialog.address(), QString("10.1.2.3:502"));
}

void TestSelDialog::switchBackToUsb() {
    store("net", "10.0.0.5", 502);
    Shown s;
    Shown::click(s.usb);
    QVERIFY(!s.ip->isEnabled());
    QVERIFY(!s.port->isEnabled());
    QCOMPARE(s.ip->text(), QString("10.0.0.5"));
    QCOMPARE(s.port->value(), 502);
    QCOMPARE(s.dialog.address(), QString("-"));
    QCOMPARE(stored(), (QStringList{"usb", "10.0.0.5", "502"}));
}

void TestSelDialog::storedValues_data() {
    QTest::addColumn<QString>("bus");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("shownPort");
    QTest::addColumn<QString>("resultBus");
    QTest::addColumn<QString>("address");

    QTest::newRow("net") << "net"
                         << "10.0.0.5" << 502 << "502"
                         << "net"
                         << "10.0.0.5:502";
    QTest::newRow("usb keeps the ip") << "usb"
                                      << "10.0.0.5" << 502 << "502"
                                      << "usb"
                                      << "-";
    QTest::newRow("unknown bus: usb") << "serial"
                                      << "h" << 502 << "502"
                                      << "usb"
                                      << "-";
    QTest::newRow("ip text unchecked") << "net"
                                       << "?.?.?.?" << 1 << "1"
                                       << "net"
                                       << "?.?.?.?:1";
    QTest::newRow("percent signs in ip") << "net"
                                         << "a%1%2b" << 7 << "7"
                                         << "net"
                                         << "a%1%2b:7";
    QTest::newRow("port above range") << "net"
                                      << "h" << 70000 << "65535"
                                      << "net"
                                      << "h:65535";
    QTest::newRow("port below range") << "net"
                                      << "h" << 0 << "1"
                                      << "net"
                                      << "h:1";
}

// Accepting unchanged gives what was stored, and what was shown is stored.
void TestSelDialog::storedValues() {
    QFETCH(QString, bus);
    QFETCH(QString, ip);
    QFETCH(int, port);
    QFETCH(QString, shownPort);
    QFETCH(QString, resultBus);
    QFETCH(QString, address);

    store(bus, ip, port);
    Shown s;
    QCOMPARE(s.ethernet->isChecked(), resultBus == "net");
    QCOMPARE(s.ip->isEnabled(), resultBus == "net");
    QCOMPARE(s.ip->text(), ip);
    QCOMPARE(s.port->text(), shownPort);

    s.press(QDialogButtonBox::Ok);
    QCOMPARE(s.dialog.bus(), resultBus);
    QCOMPARE(s.dialog.address(), address);
    QCOMPARE(stored(), (QStringList{resultBus, ip, shownPort}));
}

QTEST_MAIN(TestSelDialog)
#include "tst_seldialog.moc"
