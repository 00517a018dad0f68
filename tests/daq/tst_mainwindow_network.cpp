// The DAQ window publishing its bench to a real mosquitto broker on a free
// loopback port, watched by a real subscriber (mosquitto_sub), on the
// emulated board.
#include "tst_mainwindow_support.h"

#include "MosquittoBroker.h"

#include <QDialog>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

const QString prefix = QStringLiteral("lab/bench1");

QString brokerText(MainWindow& window) {
    return child<QLabel>(window, "lblBroker")->text();
}

QStringList eventNames(const MosquittoSubscriber& sub) {
    QStringList names;
    for (const QJsonObject& event : sub.objects(prefix + "/event"))
        names << event.value("event").toString();
    return names;
}

QJsonObject eventNamed(const MosquittoSubscriber& sub, const QString& name) {
    for (const QJsonObject& event : sub.objects(prefix + "/event"))
        if (event.value("event").toString() == name)
            return event;
    return {};
}

QString retainedState(quint16 port) {
    return QJsonDocument::fromJson(retainedMessage(port, prefix + "/status")).object().value("state").toString();
}

int dataRows(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    return static_cast<int>(file.readAll().count('\n')) - 2;
}

} // namespace

class TestMainWindowNetwork : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() {
        KivraTolmEmulator::reset();
        // Every run starts without a broker set.
        QSettings().remove("network");
    }
    void cleanup() { KivraTolmEmulator::reset(); }

    // Set in "Network", the window publishes its retained status and its
    // capture's events, the rows of "done" being the log's; a close says
    // offline; a new window publishes again with the settings kept.
    void publishesStatusAndCaptureEvents() {
        MosquittoBroker broker;
        QVERIFY(broker.start());
        MosquittoSubscriber sub(broker.port(), {prefix + "/event", prefix + "/status"});
        QVERIFY(sub.waitUntilSubscribed());
        const QString connected = QString("Broker 127.0.0.1:%1: connected").arg(broker.port());
        QTemporaryDir dir;
        const QString log = dir.filePath("net.csv");
        {
            MainWindow window("usb", "-", QString());
            QVERIFY(!child<QLabel>(window, "lblBroker")->isVisibleTo(&window));
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                child<QLineEdit>(*dialog, "txtHost")->setText("127.0.0.1");
                child<QSpinBox>(*dialog, "spnPort")->setValue(broker.port());
                child<QLineEdit>(*dialog, "txtPrefix")->setText(prefix);
                dialog->accept();
            });
            child<QToolButton>(window, "btnNetwork")->click();
            QTRY_COMPARE_WITH_TIMEOUT(brokerText(window), connected, 10000);
            QCOMPARE(retainedState(broker.port()), QString("idle"));

            child<QLineEdit>(window, "txtFile")->setText(log);
            child<QPushButton>(window, "btnArmTrigger")->click();
            QTRY_VERIFY(statusOf(window).endsWith(" - Armed"));
            child<QPushButton>(window, "btnForceTrigger")->click();
            QTRY_VERIFY(statusOf(window).contains(" - Captured: "));
            QVERIFY(waitForTicks(window, 25));
            child<QPushButton>(window, "btnArmTrigger")->click();
            QTRY_VERIFY(statusOf(window).endsWith(" - Idle"));
            QTRY_VERIFY_WITH_TIMEOUT(eventNames(sub).contains("done"), 10000);

            QStringList names = eventNames(sub);
            names.removeAll("progress");
            QCOMPARE(names, QStringList({"armed", "triggered", "done"}));
            QCOMPARE(eventNamed(sub, "triggered").value("reason").toString(), QString("Forced trigger"));
            const QJsonObject done = eventNamed(sub, "done");
            QVERIFY(dataRows(log) > 0);
            QCOMPARE(done.value("rows").toInt(), dataRows(log));
            QCOMPARE(done.value("file").toString(), log);
            QCOMPARE(done.value("end").toString(), QString("stopped"));
            QVERIFY(done.contains("command"));
            bool recorded = false;
            for (const QJsonObject& status : sub.objects(prefix + "/status"))
                recorded |= status.value("state").toString() == "recording" &&
                            status.value("capture").toObject().value("file").toString() == log &&
                            status.value("board").toObject().value("bus").toString() == "usb";
            QVERIFY(recorded);

            window.close();
            QCOMPARE(retainedState(broker.port()), QString("offline"));
        }

        MainWindow again("usb", "-", QString());
        QTRY_COMPARE_WITH_TIMEOUT(brokerText(again), connected, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(retainedState(broker.port()), QString("idle"), 10000);
    }
};

QTEST_MAIN(TestMainWindowNetwork)
#include "tst_mainwindow_network.moc"
