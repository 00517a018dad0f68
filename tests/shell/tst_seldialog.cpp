#include "SelDialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QtTest>

class TestSelDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void form();
    void firstRun();
    void ethernetChoice();
    void cancelStillRemembersChoice();
    void switchBackToUsb();
    void storedValues_data();
    void storedValues();

private:
    struct Controls {
        QRadioButton* usb;
        QRadioButton* ethernet;
        QLineEdit* ip;
        QSpinBox* port;
        QDialogButtonBox* box;
    };
    static Controls controls(SelDialog& dialog);
    static void show(SelDialog& dialog);
    static void clickRadio(QRadioButton* button);
    static void replaceText(QWidget* edit, const QString& text);
    static void store(const QString& bus, const QString& ip, int port);
};

TestSelDialog::Controls TestSelDialog::controls(SelDialog& dialog) {
    Controls c{dialog.findChild<QRadioButton*>("rdoUsb"), dialog.findChild<QRadioButton*>("rdoEthernet"),
               dialog.findChild<QLineEdit*>("txtIp"), dialog.findChild<QSpinBox*>("spnPort"),
               dialog.findChild<QDialogButtonBox*>("btnBox")};
    return c;
}

void TestSelDialog::show(SelDialog& dialog) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

// Near the left edge: the indicator and its text, whatever the button's width.
void TestSelDialog::clickRadio(QRadioButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

void TestSelDialog::replaceText(QWidget* edit, const QString& text) {
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

void TestSelDialog::store(const QString& bus, const QString& ip, int port) {
    QSettings settings;
    settings.setValue("bus", bus);
    settings.setValue("ip", ip);
    settings.setValue("port", port);
}

void TestSelDialog::initTestCase() {
    QCoreApplication::setOrganizationName("Orvane GmbH");
    QCoreApplication::setApplicationName("Kivra DAQ lite");
}

void TestSelDialog::init() {
    QSettings().clear();
}

void TestSelDialog::form() {
    SelDialog dialog(nullptr);
    QCOMPARE(dialog.objectName(), QString("SelDialog"));
    QCOMPARE(dialog.windowTitle(), QString("Select device to use"));
    QCOMPARE(dialog.size(), QSize(406, 142));
    QVERIFY(!dialog.windowIcon().isNull());
    const Controls c = controls(dialog);
    QVERIFY(c.usb && c.ethernet && c.ip && c.port && c.box);
    QCOMPARE(c.usb->text(), QString("First USB device"));
    QCOMPARE(c.ethernet->text(), QString("Ethernet device"));
    QCOMPARE(c.port->minimum(), 1);
    QCOMPARE(c.port->maximum(), 65535);
    QVERIFY(c.ip->inputMask().isEmpty());
    QVERIFY(!c.ip->validator());
    QVERIFY(c.box->button(QDialogButtonBox::Ok));
    QVERIFY(c.box->button(QDialogButtonBox::Cancel));
}

void TestSelDialog::firstRun() {
    SelDialog dialog(nullptr);
    show(dialog);
    const Controls c = controls(dialog);
    QVERIFY(c.usb->isChecked());
    QVERIFY(!c.ip->isEnabled());
    QVERIFY(!c.port->isEnabled());
    QCOMPARE(c.ip->text(), QString("?.?.?.?"));
    QCOMPARE(c.port->value(), 10001);

    // Written at construction already.
    QSettings settings;
    QCOMPARE(settings.value("bus").toString(), QString("usb"));
    QCOMPARE(settings.value("ip").toString(), QString("?.?.?.?"));
    QCOMPARE(settings.value("port").toInt(), 10001);

    QTest::mouseClick(c.box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.bus(), QString("usb"));
    QCOMPARE(dialog.address(), QString("-"));
}

void TestSelDialog::ethernetChoice() {
    SelDialog dialog(nullptr);
    show(dialog);
    const Controls c = controls(dialog);

    clickRadio(c.ethernet);
    QVERIFY(c.ethernet->isChecked());
    QVERIFY(c.ip->isEnabled());
    QVERIFY(c.port->isEnabled());
    QCOMPARE(QSettings().value("bus").toString(), QString("net"));
    QCOMPARE(dialog.address(), QString("?.?.?.?:10001"));

    replaceText(c.ip, "192.168.1.20");
    QTest::mouseClick(c.box->button(QDialogButtonBox::Ok), Qt::LeftButton);

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.bus(), QString("net"));
    QCOMPARE(dialog.address(), QString("192.168.1.20:10001"));
    QSettings settings;
    QCOMPARE(settings.value("bus").toString(), QString("net"));
    QCOMPARE(settings.value("ip").toString(), QString("192.168.1.20"));
    QCOMPARE(settings.value("port").toInt(), 10001);
}

void TestSelDialog::cancelStillRemembersChoice() {
    {
        SelDialog dialog(nullptr);
        show(dialog);
        const Controls c = controls(dialog);
        clickRadio(c.ethernet);
        replaceText(c.ip, "10.1.2.3");
        replaceText(c.port, "502");
        QTest::mouseClick(c.box->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    SelDialog next(nullptr);
    const Controls c = controls(next);
    QVERIFY(c.ethernet->isChecked());
    QVERIFY(c.ip->isEnabled());
    QVERIFY(c.port->isEnabled());
    QCOMPARE(c.ip->text(), QString("10.1.2.3"));
    QCOMPARE(c.port->value(), 502);
    QCOMPARE(next.bus(), QString("net"));
    QCOMPARE(next.address(), QString("10.1.2.3:502"));
}

void TestSelDialog::switchBackToUsb() {
    store("net", "10.0.0.5", 502);
    SelDialog dialog(nullptr);
    show(dialog);
    const Controls c = controls(dialog);
    QVERIFY(c.ip->isEnabled());

    clickRadio(c.usb);
    QVERIFY(c.usb->isChecked());
    QVERIFY(!c.ip->isEnabled());
    QVERIFY(!c.port->isEnabled());
    QCOMPARE(c.ip->text(), QString("10.0.0.5"));
    QCOMPARE(c.port->value(), 502);
    QCOMPARE(dialog.bus(), QString("usb"));
    QCOMPARE(dialog.address(), QString("-"));

    QSettings settings;
    QCOMPARE(settings.value("bus").toString(), QString("usb"));
    QCOMPARE(settings.value("ip").toString(), QString("10.0.0.5"));
    QCOMPARE(settings.value("port").toInt(), 502);
}

void TestSelDialog::storedValues_data() {
    QTest::addColumn<QString>("storedBus");
    QTest::addColumn<QString>("storedIp");
    QTest::addColumn<int>("storedPort");
    QTest::addColumn<bool>("ethernet");
    QTest::addColumn<int>("shownPort");
    QTest::addColumn<QString>("bus");
    QTest::addColumn<QString>("address");

    QTest::newRow("net") << "net"
                         << "10.0.0.5" << 502 << true << 502 << "net"
                         << "10.0.0.5:502";
    QTest::newRow("usb keeps the stored ip") << "usb"
                                             << "10.0.0.5" << 502 << false << 502 << "usb"
                                             << "-";
    QTest::newRow("unknown bus gives usb") << "serial"
                                           << "10.0.0.5" << 502 << false << 502 << "usb"
                                           << "-";
    QTest::newRow("ip text unchecked") << "net"
                                       << "?.?.?.?" << 10001 << true << 10001 << "net"
                                       << "?.?.?.?:10001";
    QTest::newRow("percent signs in ip") << "net"
                                         << "a%1%2b" << 7 << true << 7 << "net"
                                         << "a%1%2b:7";
    QTest::newRow("port above range") << "net"
                                      << "h" << 70000 << true << 65535 << "net"
                                      << "h:65535";
    QTest::newRow("port below range") << "net"
                                      << "h" << 0 << true << 1 << "net"
                                      << "h:1";
}

void TestSelDialog::storedValues() {
    QFETCH(QString, storedBus);
    QFETCH(QString, storedIp);
    QFETCH(int, storedPort);
    QFETCH(bool, ethernet);
    QFETCH(int, shownPort);
    QFETCH(QString, bus);
    QFETCH(QString, address);

    store(storedBus, storedIp, storedPort);
    SelDialog dialog(nullptr);
    show(dialog);
    const Controls c = controls(dialog);
    QCOMPARE(c.ethernet->isChecked(), ethernet);
    QCOMPARE(c.usb->isChecked(), !ethernet);
    QCOMPARE(c.ip->isEnabled(), ethernet);
    QCOMPARE(c.port->isEnabled(), ethernet);
    QCOMPARE(c.ip->text(), storedIp);
    QCOMPARE(c.port->value(), shownPort);

    QTest::mouseClick(c.box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.bus(), bus);
    QCOMPARE(dialog.address(), address);

    // What was shown is what is stored now.
    QSettings settings;
    QCOMPARE(settings.value("bus").toString(), bus);
    QCOMPARE(settings.value("ip").toString(), storedIp);
    QCOMPARE(settings.value("port").toInt(), shownPort);
}

QTEST_MAIN(TestSelDialog)
#include "tst_seldialog.moc"
