#include "ProgramVersion.h"
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
};

class TestStartUp : public QObject {
    Q_OBJECT

private slots:
    void parseArguments_data();
    void parseArguments();
    void centredGeometry_data();
    void centredGeometry();
    void fittedGeometry_data();
    void fittedGeometry();
    void keptInside_data();
    void keptInside();
    void centreOnScreen();
    void identity();
    void paintingInOneThread_data();
    void paintingInOneThread();
    void packageCarriesTheProgramsVersion_data();
    void packageCarriesTheProgramsVersion();
    void programsKeepSeparateSettings();
    void savedTheme_data();
    void savedTheme();
    void cancelledSelectionSkipsEventLoop();
    void eventLoopExitCodeIsReturned();
};

namespace {
void row(const char* name, const QStringList& arguments, const QString& bus, const QString& address,
         const QString& calibrationFile = {}) {
    QTest::newRow(name) << QStringList{"/opt/kivra/kivratolm-daq-lite-x86"} + arguments << bus << address
                        << calibrationFile;
}
} // namespace

void TestStartUp::parseArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("bus");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("calibrationFile");

    row("no arguments", {}, "", "");
    row("network", {"use=net/192.168.1.20:10001"}, "net", "192.168.1.20:10001");
    row("usb", {"use=usb/-"}, "usb", "-");
    row("one piece", {"use=usb"}, "", "");
    row("three pieces", {"use=net/a/b"}, "", "");
    row("malformed keeps earlier", {"use=usb/-", "use=net/a/b", "use=usb", "use="}, "usb", "-");
    row("two empty pieces", {"use=usb/-", "use=/"}, "", "");
    row("empty address", {"use=usb/"}, "usb", "");
    row("upper-case prefixes", {"USE=usb/x", "Cfg=a", "CFG=b"}, "", "");
    row("prefix only at start", {"xuse=usb/-", " cfg=a"}, "", "");
    row("calibration file", {"cfg=/home/u/a b.tolmcal3"}, "", "", "/home/u/a b.tolmcal3");
    row("cfg= undoes earlier", {"cfg=a.tolmcal3", "cfg="}, "", "");
    row("later use wins", {"use=usb/-", "use=net/10.0.0.5:502"}, "net", "10.0.0.5:502");
    row("any order", {"cfg=use=x/y", "other", "use=net/h:1"}, "net", "h:1", "use=x/y");
    QTest::newRow("program path looked at") << QStringList{"use=usb/-"} << "usb"
                                            << "-"
                                            << "";
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
    // -201 / 2 is -100: toward zero, not toward minus infinity.
    QTest::newRow("larger than screen") << QSize(1001, 901) << QSize(800, 600) << QRect(-100, -150, 1001, 901);
}

void TestStartUp::centredGeometry() {
    QFETCH(QSize, frame);
    QFETCH(QSize, screen);
    QFETCH(QRect, expected);
    QCOMPARE(::centredGeometry(frame, screen), expected);
}

void TestStartUp::fittedGeometry_data() {
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("expected");

    const QRect fullHd(0, 0, 1920, 1080);
    QTest::newRow("fits: centred as before")
        << fullHd << fullHd << QSize(1200, 900) << QSize(800, 500) << QRect(360, 90, 1200, 900);
    QTest::newRow("small dialog") << fullHd << fullHd << QSize(406, 142) << QSize(0, 0) << QRect(757, 469, 406, 142);
    // 1600 x 1200 at 200 %: 800 x 600 logical pixels.
    QTest::newRow("DAQ at 200 % on 1600x1200") << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 600) << QSize(1200, 900)
                                               << QSize(800, 500) << QRect(0, 0, 800, 600);
    QTest::newRow("CAL at 200 % on 1600x1200") << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 600) << QSize(1024, 768)
                                               << QSize(800, 500) << QRect(0, 0, 800, 600);
    QTest::newRow("panel on top") << QRect(0, 0, 800, 600) << QRect(0, 30, 800, 570) << QSize(1200, 900)
                                  << QSize(800, 500) << QRect(0, 30, 800, 570);
    QTest::newRow("centred would reach under a bottom panel")
        << fullHd << QRect(0, 0, 1920, 1040) << QSize(1200, 1040) << QSize(800, 500) << QRect(360, 0, 1200, 1040);
    QTest::newRow("minimum larger than the free area: top left kept")
        << QRect(0, 0, 700, 450) << QRect(0, 20, 700, 430) << QSize(1200, 900) << QSize(800, 500)
        << QRect(0, 20, 800, 500);
    QTest::newRow("second screen") << QRect(1920, 0, 1280, 1024) << QRect(1920, 0, 1280, 1024) << QSize(1200, 900)
                                   << QSize(800, 500) << QRect(1960, 62, 1200, 900);
}

void TestStartUp::fittedGeometry() {
    QFETCH(QRect, screen);
    QFETCH(QRect, available);
    QFETCH(QSize, wanted);
    QFETCH(QSize, minimum);
    QFETCH(QRect, expected);
    QCOMPARE(::fittedGeometry(screen, available, wanted, minimum), expected);
}

// A window put back where the last session left it.
void TestStartUp::keptInside_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QRect>("expected");
    const QRect fullHd(0, 0, 1920, 1080);
    QTest::newRow("inside: stays") << fullHd << QRect(40, 50, 900, 600) << QRect(40, 50, 900, 600);
    QTest::newRow("partly off the right and bottom: moved in")
        << fullHd << QRect(1500, 900, 900, 600) << QRect(1020, 480, 900, 600);
    QTest::newRow("larger than a smaller screen now: shrunk, top left kept")
        << QRect(0, 30, 1280, 770) << QRect(100, 100, 1600, 1000) << QRect(0, 30, 1280, 770);
}

void TestStartUp::keptInside() {
    QFETCH(QRect, available);
    QFETCH(QRect, wanted);
    QFETCH(QRect, expected);
    QCOMPARE(::keptInside(available, wanted, QSize(800, 500)), expected);
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

void TestStartUp::identity() {
    setApplicationIdentity(Program::Daq);
    QCOMPARE(QCoreApplication::organizationName(), QString("Orvane GmbH"));
    QCOMPARE(QCoreApplication::applicationName(), QString("Kivra DAQ lite"));
    QCOMPARE(QCoreApplication::applicationVersion(), QString("1.3.0."));
    QCOMPARE(productName(Program::Daq), QString("Kivra Tolm DAQ lite"));

    setApplicationIdentity(Program::Cal);
    QCOMPARE(QCoreApplication::applicationName(), QString("Kivra CAL lite"));
    QCOMPARE(productName(Program::Cal), QString("Kivra Tolm CAL lite"));
}

// The package (cmake/Package.cmake takes the project's version), its change
// log, its software-centre entries and the manual pages name the version the
// programs carry, without the programs' trailing dot.
void TestStartUp::paintingInOneThread_data() {
    QTest::addColumn<bool>("userSet");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("not set") << false << QByteArray("1");
    QTest::newRow("the user's choice") << true << QByteArray("0");
}

void TestStartUp::paintingInOneThread() {
    QFETCH(bool, userSet);
    QFETCH(QByteArray, expected);
    if (userSet)
        qputenv("QT_NO_GUI_THREADPOOL", "0");
    else
        qunsetenv("QT_NO_GUI_THREADPOOL");
    keepPaintingInOneThread();
    QCOMPARE(qgetenv("QT_NO_GUI_THREADPOOL"), expected);
    qunsetenv("QT_NO_GUI_THREADPOOL");
}

void TestStartUp::packageCarriesTheProgramsVersion_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    const auto contents = [](const QString& file) {
        QFile text(QStringLiteral(KIVRA_SOURCE_DIR "/") + file);
        return text.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(text.readAll()) : QString();
    };
    const QString manPage = QStringLiteral("^\\.TH \\S+ 1 \"[^\"]*\" \"kivra-lite ([^\"]+)\"");
    const QString release = QStringLiteral("<release version=\"([^\"]+)\"");
    QTest::newRow("package") << QStringLiteral(KIVRA_PROJECT_VERSION) << "^(.+)$";
    QTest::newRow("change log") << contents("packaging/debian/changelog") << "^kivra-lite \\(([^-)]+)-\\d+\\)";
    QTest::newRow("DAQ metainfo") << contents("packaging/com.orvane.KivraDaqLite.metainfo.xml") << release;
    QTest::newRow("CAL metainfo") << contents("packaging/com.orvane.KivraCalLite.metainfo.xml") << release;
    for (const char* page :
         {"kivratolm-daq-lite-x86", "kivratolm-cal-lite-x86", "kivratolm-capture", "kivratolm-board-emulator"})
        QTest::newRow(page) << contents(QStringLiteral("packaging/man/%1.1").arg(QLatin1String(page))) << manPage;
}

void TestStartUp::packageCarriesTheProgramsVersion() {
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QString version = programVersion();
    version.chop(1);
    // The first match: the newest release, the newest change log entry.
    const QRegularExpressionMatch match = QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text);
    QVERIFY2(match.hasMatch(), qPrintable(pattern));
    QCOMPARE(match.captured(1), version);
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
        QCoreApplication::exit(7);
    });

    const int code = runMainWindow<FakeWindow>({"prog"});
    QCOMPARE(code, 7);
    QVERIFY(FakeWindow::shownWhenLoopRan);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(FakeWindow::positionWhenLoopRan, QPoint((screen.width() - 320) / 2, (screen.height() - 240) / 2));
}

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
