// Start-up of the DAQ program with its window: the command line reaches the
// window, a cancelled device selection ends at once with exit code 0.
#include "tst_mainwindow_support.h"

#include "SelDialog.h"
#include "StartUp.h"

#include <QScreen>
#include <QtTest>

class TestMainWindowStartup : public QObject {
    Q_OBJECT

private slots:
    void init() { KivraTolmEmulator::reset(); }
    void cleanup() { KivraTolmEmulator::reset(); }

    void cancelledSelectionEndsWithZero();
    void commandLineReachesWindow();
};

void TestMainWindowStartup::cancelledSelectionEndsWithZero() {
    ModalResponder responder;
    responder.onDialog<SelDialog>([](SelDialog* dialog) { dialog->reject(); });
    // use=usb has one piece only, so the device is asked for.
    QCOMPARE(runMainWindow<MainWindow>({"kivratolm-daq-lite-x86", "use=usb"}), 0);
    QVERIFY(responder.allAnswersUsed());
    QVERIFY(!KivraTolmEmulator::boardState(0).open);
}

void TestMainWindowStartup::commandLineReachesWindow() {
    QString status;
    QString unit;
    QRect geometry;
    QSize screen;
    // Looks at the running window from inside the event loop, then closes it.
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<MainWindow*>(widget);
            if (!window || !window->isVisible() || !statusOf(*window).contains("Samples"))
                continue;
            status = statusOf(*window);
            unit = QString::fromStdString(window->calibrationData().unit());
            geometry = window->frameGeometry();
            screen = QGuiApplication::primaryScreen()->size();
            window->close();
        }
    });
    probe.start(10);
    QApplication::setQuitOnLastWindowClosed(true);
    const int exitCode = runMainWindow<MainWindow>({"kivratolm-daq-lite-x86", "cfg=missing.tolmcal3", "use=usb/-",
                                                    "cfg=" KIVRA_SOURCE_DIR "/examples/demo.tolmcal3"});
    QCOMPARE(exitCode, 0);
    QVERIFY2(status.startsWith("usb/- - Samples: "), qPrintable(status));
    QCOMPARE(unit, QString("N")); // the later cfg= counts
    // Centred, give or take the window frame that appears once it is shown.
    const QPoint offCentre = geometry.center() - QRect(QPoint(0, 0), screen).center();
    QVERIFY2(offCentre.manhattanLength() <= 6, qPrintable(QString("%1, %2").arg(offCentre.x()).arg(offCentre.y())));
    QVERIFY(!KivraTolmEmulator::boardState(0).open);
}

QTEST_MAIN(TestMainWindowStartup)
#include "tst_mainwindow_startup.moc"
