#include "StartUp.h"
#include "Theme.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <QtTest>

// Stands in for a program's MainWindow: records what start-up hands it.
class FakeWindow : public QWidget {
public:
    FakeWindow(const QString& bus, const QString& address, const QString& calibrationFile) {
        resize(320, 240);
        constructed = StartArguments{bus, address, calibrationFile};
        instance = this;
    }
    ~FakeWindow() override { instance = nullptr; }
    bool selectionCancelled() const { return cancel; }

    static inline StartArguments constructed;
    static inline bool cancel = false;
    static inline FakeWindow* instance = nullptr;
    static inline bool shownWhenLoopRan = false;
    static inline QPoint positionWhenLoopRan;
    static inline QSize sizeWhenLoopRan;
};

class TestStartUp : public QObject {
    Q_OBJECT

private slots:
    void parseArguments_data();
    void parseArguments();
    void centredGeometry_data();
    void centredGeometry();
    void centreOnScreen();
    void identity_data();
    void identity();
    void programsKeepSeparateSettings();
    void savedTheme_data();
    void savedTheme();
    void cancelledSelectionSkipsEventLoop();
    void eventLoopExitCodeIsReturned();
};

void TestStartUp::parseArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("bus");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("calibrationFile");

    const QString program = "/opt/kivra/kivratolm-daq-lite-x86";
    QTest::newRow("no arguments") << QStringList{program} << ""
                                  << ""
                                  << "";
    QTest::newRow("empty list") << QStringList{} << ""
                                << ""
                                << "";
    QTest::newRow("network") << QStringList{program, "use=net/192.168.1.20:10001"} << "net"
                             << "192.168.1.20:10001"
                             << "";
    QTest::newRow("usb") << QStringList{program, "use=usb/-"} << "usb"
                         << "-"
                         << "";
    QTest::newRow("one piece") << QStringList{program, "use=usb"} << ""
                               << ""
                               << "";
    QTest::newRow("three pieces") << QStringList{program, "use=net/a/b"} << ""
                                  << ""
                                  << "";
    QTest::newRow("malformed keeps earlier") << QStringList{program, "use=usb/-", "use=net/a/b", "use=usb"} << "usb"
                                             << "-"
                                             << "";
    QTest::newRow("two empty pieces") << QStringList{program, "use=usb/-", "use=/"} << ""
                                      << ""
                                      << "";
    QTest::newRow("empty address") << QStringList{program, "use=usb/"} << "usb"
                                   << ""
                                   << "";
    QTest::newRow("empty bus") << QStringList{program, "use=/-"} << ""
                               << "-"
                               << "";
    QTest::newRow("nothing behind use=") << QStringList{program, "use=usb/-", "use="} << "usb"
                                         << "-"
                                         << "";
    QTest::newRow("upper-case prefixes") << QStringList{program, "USE=usb/x", "Cfg=a", "CFG=b"} << ""
                                         << ""
                                         << "";
    QTest::newRow("prefix only at start") << QStringList{program, "xuse=usb/-", " cfg=a"} << ""
                                          << ""
                                          << "";
    QTest::newRow("calibration file") << QStringList{program, "cfg=/home/u/sensors.tolmcal3"} << ""
                                      << ""
                                      << "/home/u/sensors.tolmcal3";
    QTest::newRow("cfg= undoes earlier") << QStringList{program, "cfg=a.tolmcal3", "cfg="} << ""
                                         << ""
                                         << "";
    QTest::newRow("path with = and /") << QStringList{program, "cfg=dir=x/use=y.tolmcal3"} << ""
                                       << ""
                                       << "dir=x/use=y.tolmcal3";
    QTest::newRow("later use wins") << QStringList{program, "use=usb/-", "use=net/10.0.0.5:502"} << "net"
                                    << "10.0.0.5:502"
                                    << "";
    QTest::newRow("any order") << QStringList{program, "cfg=c.tolmcal3", "other", "use=net/h:1"} << "net"
                               << "h:1"
                               << "c.tolmcal3";
    QTest::newRow("program path looked at") << QStringList{"use=usb/-"} << "usb"
                                            << "-"
                                            << "";
    QTest::newRow("what the DAQ passes to CAL")
        << QStringList{"/opt/kivra/kivratolm-cal-lite-x86", "use=usb/-", "cfg=/tmp/a b.tolmcal3"} << "usb"
        << "-"
        << "/tmp/a b.tolmcal3";
}

void TestStartUp::parseArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, bus);
    QFETCH(QString, address);
    QFETCH(QString, calibrationFile);

    const StartArguments parsed = parseStartArguments(arguments);
    QCOMPARE(parsed.bus, bus);
    QCOMPARE(parsed.address, address);
    QCOMPARE(parsed.calibrationFile, calibrationFile);
}

void TestStartUp::centredGeometry_data() {
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("even") << QSize(1200, 900) << QSize(1920, 1080) << QRect(360, 90, 1200, 900);
    QTest::newRow("odd difference truncates") << QSize(801, 500) << QSize(1920, 1080) << QRect(559, 290, 801, 500);
    QTest::newRow("same size") << QSize(800, 600) << QSize(800, 600) << QRect(0, 0, 800, 600);
    // -201 / 2 is -100: toward zero, not toward minus infinity.
    QTest::newRow("larger than screen") << QSize(1001, 901) << QSize(800, 600) << QRect(-100, -150, 1001, 901);
}

void TestStartUp::centredGeometry() {
    QFETCH(QSize, frame);
    QFETCH(QSize, screen);
    QFETCH(QRect, expected);
    QCOMPARE(::centredGeometry(frame, screen), expected);
}

void TestStartUp::centreOnScreen() {
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();

    // Not shown yet: the window's own size counts and stays.
    QWidget window;
    window.resize(300, 200);
    ::centreOnScreen(window);
    QCOMPARE(window.size(), QSize(300, 200));
    QCOMPARE(window.pos(), QPoint((screen.width() - 300) / 2, (screen.height() - 200) / 2));

    // Shown: the frame is known and is what gets centred.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ::centreOnScreen(window);
    const QSize frame = window.frameGeometry().size();
    QTRY_COMPARE(window.frameGeometry().topLeft(),
                 QPoint((screen.width() - frame.width()) / 2, (screen.height() - frame.height()) / 2));
    QCOMPARE(window.size(), QSize(300, 200));
}

void TestStartUp::identity_data() {
    QTest::addColumn<int>("program");
    QTest::addColumn<QString>("application");
    QTest::addColumn<QString>("product");
    QTest::newRow("DAQ") << int(Program::Daq) << "Kivra DAQ lite"
                         << "Kivra Tolm DAQ lite";
    QTest::newRow("CAL") << int(Program::Cal) << "Kivra CAL lite"
                         << "Kivra Tolm CAL lite";
}

void TestStartUp::identity() {
    QFETCH(int, program);
    QFETCH(QString, application);
    QFETCH(QString, product);

    setApplicationIdentity(Program(program));
    QCOMPARE(QCoreApplication::organizationName(), QString("Orvane GmbH"));
    QVERIFY(!QCoreApplication::organizationDomain().isEmpty());
    QCOMPARE(QCoreApplication::applicationName(), application);
    QCOMPARE(QCoreApplication::applicationVersion(), QString("1.3.0."));
    QCOMPARE(applicationName(Program(program)), application);
    QCOMPARE(productName(Program(program)), product);

    const QSettings settings;
    QCOMPARE(settings.organizationName(), QString("Orvane GmbH"));
    QCOMPARE(settings.applicationName(), application);
}

void TestStartUp::programsKeepSeparateSettings() {
    setApplicationIdentity(Program::Daq);
    QSettings().setValue("theme", "dark");
    setApplicationIdentity(Program::Cal);
    QSettings().setValue("theme", "light");

    setApplicationIdentity(Program::Daq);
    QCOMPARE(QSettings().value("theme").toString(), QString("dark"));
    setApplicationIdentity(Program::Cal);
    QCOMPARE(QSettings().value("theme").toString(), QString("light"));
}

void TestStartUp::savedTheme_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("theme");
    QTest::newRow("dark") << QVariant("dark") << Theme::dark().name;
    QTest::newRow("light") << QVariant("light") << Theme::light().name;
    QTest::newRow("unknown name") << QVariant("sepia") << Theme::system().name;
    QTest::newRow("nothing stored") << QVariant() << Theme::system().name;
}

void TestStartUp::savedTheme() {
    QFETCH(QVariant, stored);
    QFETCH(QString, theme);

    setApplicationIdentity(Program::Cal);
    QSettings settings;
    if (stored.isValid())
        settings.setValue("theme", stored);
    else
        settings.remove("theme");
    settings.sync();

    applyTheme(Theme::fromName(theme == Theme::system().name ? "dark" : "system"));
    applySavedTheme();
    QCOMPARE(currentTheme().name, theme);
}

void TestStartUp::cancelledSelectionSkipsEventLoop() {
    FakeWindow::cancel = true;
    bool loopRan = false;
    QTimer::singleShot(0, [&loopRan] {
        loopRan = true;
        QCoreApplication::exit(5);
    });

    const int code = runMainWindow<FakeWindow>({"prog", "use=net/h:1", "cfg=c.tolmcal3"});
    QCOMPARE(code, 0);
    QVERIFY(!loopRan);
    QVERIFY(!FakeWindow::instance); // destroyed before returning
    QCOMPARE(FakeWindow::constructed.bus, QString("net"));
    QCOMPARE(FakeWindow::constructed.address, QString("h:1"));
    QCOMPARE(FakeWindow::constructed.calibrationFile, QString("c.tolmcal3"));

    // Leave the pending timer to this test's own loop.
    QTRY_VERIFY(loopRan);
}

void TestStartUp::eventLoopExitCodeIsReturned() {
    FakeWindow::cancel = false;
    QTimer::singleShot(0, [] {
        QVERIFY(FakeWindow::instance);
        FakeWindow::shownWhenLoopRan = FakeWindow::instance->isVisible();
        FakeWindow::positionWhenLoopRan = FakeWindow::instance->pos();
        FakeWindow::sizeWhenLoopRan = FakeWindow::instance->size();
        QCoreApplication::exit(7);
    });

    const int code = runMainWindow<FakeWindow>({"prog"});
    QCOMPARE(code, 7);
    QVERIFY(FakeWindow::shownWhenLoopRan);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(FakeWindow::sizeWhenLoopRan, QSize(320, 240));
    QCOMPARE(FakeWindow::positionWhenLoopRan, QPoint((screen.width() - 320) / 2, (screen.height() - 240) / 2));
    QVERIFY(FakeWindow::constructed.bus.isEmpty());
    QVERIFY(FakeWindow::constructed.address.isEmpty());
    QVERIFY(FakeWindow::constructed.calibrationFile.isEmpty());
}

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
