// The DAQ main window on the emulated board: construction, the live labels
// and indicators, the digital outputs and the length conversions.
#include "tst_mainwindow_support.h"

#include "AboutDialog.h"
#include "Grid8x8Widget.h"
#include "GridGeometry.h"
#include "HeapInUse.h"
#include "SelDialog.h"
#include "SensorWidget.h"
#include "Theme.h"
#include "ThemeDialog.h"

#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimeEdit>
#include <QToolBar>
#include <QtTest>

using namespace KivraTolmEmulator;

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { KivraTolmEmulator::reset(); }
    void cleanup() { KivraTolmEmulator::reset(); }

    void form_data();
    void form();
    void deviceGivenSkipsSelection();
    void selectionCancelled_data();
    void selectionCancelled();
    void selectionAccepted();
    void toolBarDialogs();
    void exitStopsEngine();
    void logFileChoice_data();
    void logFileChoice();
    void statusAndLabels();
    void ioIndicators();
    void digitalOutputs_data();
    void digitalOutputs();
    void captureLength_data();
    void captureLength();
    void preTrigger_data();
    void preTrigger();
    void longUnitStaysBounded();
    void barGraphTabSaysWhatItShows();
    void lastSessionRestored();
    void goneSessionFileIsANote();
    void userGuideOnF1();

public slots:
    // Stands in for the desktop's browser.
    void openUrl(const QUrl& url) { openedUrls << url; }

private:
    QList<QUrl> openedUrls;
};

void TestMainWindow::form_data() {
    QTest::addColumn<QString>("object");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("In tool tip") << "btnIn2" << QByteArray("toolTip")
                                 << QVariant("If enabled, I/O 2 is configured as input.");
    QTest::newRow("Low tool tip") << "btnLow1" << QByteArray("toolTip")
                                  << QVariant("If I/O 1 is an output, drive it low.");
    QTest::newRow("High tool tip") << "btnHigh3" << QByteArray("toolTip")
                                   << QVariant("If I/O 3 is an output, drive it high.");
    QTest::newRow("extern tool tip") << "btnExtTrigger" << QByteArray("toolTip")
                                     << QVariant("If enabled, a trigger is created when the counter changes.");
    QTest::newRow("In checked") << "btnIn3" << QByteArray("checked") << QVariant(true);
    QTest::newRow("first analog label") << "lblAI0" << QByteArray("text") << QVariant(" 0.00 V");
    QTest::newRow("analog title") << "lblAnalogIn1" << QByteArray("text") << QVariant("Analog In 1: ");
    QTest::newRow("rate") << "spnRate" << QByteArray("value") << QVariant(50);
    QTest::newRow("rate maximum") << "spnRate" << QByteArray("maximum") << QVariant(250);
    QTest::newRow("interval disabled") << "tmeSampleToSample" << QByteArray("enabled") << QVariant(false);
    QTest::newRow("interval") << "tmeSampleToSample" << QByteArray("time") << QVariant(QTime(0, 0, 10));
    QTest::newRow("pre-trigger by time") << "rdoPreTriggerTime" << QByteArray("checked") << QVariant(true);
    QTest::newRow("pre-trigger count disabled") << "spnPreTriggerSamples" << QByteArray("enabled") << QVariant(false);
    QTest::newRow("capture count maximum") << "spnCapSamples" << QByteArray("maximum") << QVariant(99999999);
    QTest::newRow("capture days maximum") << "spnCapDays" << QByteArray("maximum") << QVariant(99);
    QTest::newRow("arm text") << "btnArmTrigger" << QByteArray("text") << QVariant("  Arm Trigger");
    QTest::newRow("arm checkable") << "btnArmTrigger" << QByteArray("checkable") << QVariant(true);
    QTest::newRow("bar graph first") << "tabWidget" << QByteArray("currentIndex") << QVariant(0);
}

void TestMainWindow::form() {
    QFETCH(QString, object);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);

    MainWindow window("usb", "-", QString());
    QObject* widget = window.findChild<QObject*>(object);
    QVERIFY2(widget, qPrintable(object));
    QCOMPARE(widget->property(property.constData()), expected);
    QVERIFY(window.windowTitle().startsWith("Kivra Tolm DAQ lite 2.0 - "));
    // These tests run on the emulator, and the title must say so.
    QVERIFY2(window.windowTitle().endsWith(QStringLiteral(" \u2014 emulated board")), qPrintable(window.windowTitle()));
    QCOMPARE(window.size(), QSize(1200, 900));
}

void TestMainWindow::deviceGivenSkipsSelection() {
    ModalResponder responder;
    int dialogs = 0;
    responder.onDialog([&](QDialog* dialog) {
        ++dialogs;
        dialog->reject();
    });
    MainWindow window("usb", "-", QString());
    QVERIFY(!window.selectionCancelled());
    QTRY_VERIFY(statusOf(window).startsWith("usb/- - Samples: "));
    QCOMPARE(dialogs, 0);
    QVERIFY(responder.shownBoxes().isEmpty());
    QCOMPARE(responder.fileDialogsShown(), 0);
}

void TestMainWindow::selectionCancelled_data() {
    QTest::addColumn<QString>("bus");
    QTest::addColumn<QString>("address");
    QTest::newRow("no address") << "usb"
                                << "";
    QTest::newRow("no bus") << ""
                            << "-";
    QTest::newRow("neither") << ""
                             << "";
}

void TestMainWindow::selectionCancelled() {
    QFETCH(QString, bus);
    QFETCH(QString, address);

    ModalResponder responder;
    responder.onDialog<SelDialog>([](SelDialog* dialog) { dialog->reject(); });
    MainWindow window(bus, address, QString());
    QVERIFY(responder.allAnswersUsed());
    QVERIFY(window.selectionCancelled());
    QVERIFY(window.findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
    QVERIFY(!boardState(0).open);
}

void TestMainWindow::selectionAccepted() {
    ModalResponder responder;
    responder.onDialog<SelDialog>([](SelDialog* dialog) { dialog->accept(); });
    MainWindow window("", "", QString());
    QVERIFY(responder.allAnswersUsed());
    QVERIFY(!window.selectionCancelled());
    // A fresh settings store chooses the first USB board.
    QTRY_VERIFY(statusOf(window).startsWith("usb/- - Samples: "));
    QTRY_VERIFY(boardState(0).running);
}

void TestMainWindow::toolBarDialogs() {
    MainWindow window("usb", "-", QString());
    ModalResponder responder;
    QString product;
    responder.onDialog<AboutDialog>([&](AboutDialog* about) {
        product = about->findChild<QLabel*>("lblTitle")->text();
        about->reject();
    });
    window.findChild<QAction*>("actAbout")->trigger();
    QVERIFY(responder.allAnswersUsed());
    QCOMPARE(product, QString("Kivra Tolm DAQ lite"));

    responder.onDialog<ThemeDialog>([](ThemeDialog* dialog) { dialog->reject(); });
    window.findChild<QAction*>("actSelectTheme")->trigger();
    QVERIFY(responder.allAnswersUsed());
}

void TestMainWindow::exitStopsEngine() {
    MainWindow window("usb", "-", QString());
    window.show();
    QTRY_VERIFY(boardState(0).running);
    window.findChild<QAction*>("actExit")->trigger();
    QVERIFY(!window.isVisible());
    QVERIFY(!boardState(0).open);
}

void TestMainWindow::logFileChoice_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("shown");

    QTest::newRow("suffix added") << "log"
                                  << "log.csv";
    QTest::newRow("suffix kept") << "log.csv"
                                 << "log.csv";
    QTest::newRow("upper-case suffix is not the suffix") << "log.CSV"
                                                         << "log.CSV.csv";
    QTest::newRow("cancelled") << ""
                               << "earlier.csv";
}

void TestMainWindow::logFileChoice() {
    QFETCH(QString, answer);
    QFETCH(QString, shown);

    QTemporaryDir dir;
    MainWindow window("usb", "-", QString());
    auto* txtFile = child<QLineEdit>(window, "txtFile");
    txtFile->setText(dir.filePath("earlier.csv"));
    ModalResponder responder;
    responder.chooseFiles({answer.isEmpty() ? QString() : dir.filePath(answer)});
    child<QPushButton>(window, "btnFileSel")->click();
    QVERIFY(responder.allAnswersUsed());
    QCOMPARE(responder.fileDialogTitles(), QStringList{"Select file to store capture data"});
    QVERIFY(responder.shownBoxes().isEmpty());
    QCOMPARE(txtFile->text(), dir.filePath(shown));
}

void TestMainWindow::statusAndLabels() {
    ScriptedBoard board;
    board.counter = 1234567;
    board.install();
    MainWindow window("usb", "-", QString());
    window.show();

    const QRegularExpression idle("^usb/- - Samples: (\\d+) - Idle$");
    QTRY_VERIFY(idle.match(statusOf(window)).hasMatch());
    QTRY_VERIFY(idle.match(statusOf(window)).captured(1).toInt() > 10);
    QTRY_COMPARE(child<QLabel>(window, "lblCounter")->text(), QString("1234567"));
    QCOMPARE(child<QLabel>(window, "lblAI2")->text(), QLocale().toString(2.5, 'f', 2) + " V");
    const QString timer = child<QLabel>(window, "lblCapSampleTimer")->text();
    QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$").match(timer).hasMatch(),
             qPrintable(timer));
}

void TestMainWindow::ioIndicators() {
    ScriptedBoard board;
    board.install();
    MainWindow window("usb", "-", QString());
    QLabel* indicator = child<QLabel>(window, "lblIO2");
    const QString high = ":/images/icons/success.png";
    const QString low = ":/images/icons/target.png";

    // An input follows its bit of the port.
    board.port = 0b0100;
    QTRY_VERIFY(showsPicture(indicator, high));
    QVERIFY(showsPicture(child<QLabel>(window, "lblIO1"), low));
    board.port = 0b1011;
    QTRY_VERIFY(showsPicture(indicator, low));

    // An output shows the level the user set, whatever the port reads.
    child<QPushButton>(window, "btnHigh2")->click();
    QTRY_VERIFY(showsPicture(indicator, high));
    board.port = 0b0100;
    child<QPushButton>(window, "btnLow2")->click();
    QTRY_VERIFY(showsPicture(indicator, low));
    QVERIFY(waitForTicks(window, 3)); // with bit 2 set
    QVERIFY(showsPicture(indicator, low));
}

void TestMainWindow::digitalOutputs_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<uint>("mask");
    QTest::addColumn<uint>("value");

    QTest::newRow("low 1") << QStringList{"btnLow1"} << 0x2u << 0x0u;
    QTest::newRow("high 3") << QStringList{"btnHigh3"} << 0x8u << 0x8u;
    QTest::newRow("low 1 then in 1") << QStringList{"btnLow1", "btnIn1"} << 0x0u << 0x0u;
    QTest::newRow("mixed") << QStringList{"btnHigh0", "btnLow2", "btnHigh3"} << 0xDu << 0x9u;
    QTest::newRow("high then low") << QStringList{"btnHigh1", "btnLow1"} << 0x2u << 0x0u;
}

void TestMainWindow::digitalOutputs() {
    QFETCH(QStringList, clicks);
    QFETCH(uint, mask);
    QFETCH(uint, value);

    MainWindow window("usb", "-", QString());
    QTRY_VERIFY(boardState(0).running);
    for (const QString& name : clicks)
        child<QPushButton>(window, name.toLatin1().constData())->click();
    QTRY_COMPARE(boardState(0).outputEnableMask.at(1), std::uint32_t(mask));
    QTRY_COMPARE(boardState(0).outputValue.at(1), std::uint32_t(value));
}

namespace {

// interval 0: the sample rate in Hz; otherwise one frame every interval s.
void setTiming(MainWindow& window, int rate, int interval) {
    if (interval == 0) {
        child<QRadioButton>(window, "rdoSampleRate")->click();
        child<QSpinBox>(window, "spnRate")->setValue(rate);
    } else {
        child<QRadioButton>(window, "rdoSampleToSample")->click();
        child<QTimeEdit>(window, "tmeSampleToSample")->setTime(QTime::fromMSecsSinceStartOfDay(interval * 1000));
    }
}

} // namespace

void TestMainWindow::captureLength_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("byCount");
    QTest::addColumn<int>("days");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("samples");

    // Time form: days and time in, samples out.
    QTest::newRow("one minute at 50 Hz") << 50 << 0 << false << 0 << QTime(0, 1) << 3000;
    QTest::newRow("one hour every 5 s") << 0 << 5 << false << 0 << QTime(1, 0) << 720;
    QTest::newRow("99 days every second") << 0 << 1 << false << 99 << QTime(0, 0) << 8553600;
    QTest::newRow("99 days at 250 Hz stops at the maximum") << 250 << 0 << false << 99 << QTime(23, 59, 59) << 99999999;
    QTest::newRow("30 days at 10 Hz") << 10 << 0 << false << 30 << QTime(0, 0) << 25920000;
    // Count form: samples in, days and time out.
    QTest::newRow("one day at 50 Hz") << 50 << 0 << true << 1 << QTime(0, 0) << 4320000;
    QTest::newRow("most samples at 250 Hz") << 250 << 0 << true << 4 << QTime(15, 6, 39, 996) << 99999999;
    QTest::newRow("most samples at 10 Hz stop at 99 days")
        << 10 << 0 << true << 99 << QTime(23, 59, 59, 999) << 99999999;
    QTest::newRow("most samples every 23:59:59") << 0 << 86399 << true << 99 << QTime(23, 59, 59, 999) << 99999999;
    QTest::newRow("25 days every second") << 0 << 1 << true << 25 << QTime(0, 0) << 2160000;
}

void TestMainWindow::captureLength() {
    QFETCH(int, rate);
    QFETCH(int, interval);
    QFETCH(bool, byCount);
    QFETCH(int, days);
    QFETCH(QTime, time);
    QFETCH(int, samples);

    MainWindow window("usb", "-", QString());
    setTiming(window, rate, interval);
    auto* spnDays = child<QSpinBox>(window, "spnCapDays");
    auto* tmeTime = child<QTimeEdit>(window, "tmeCapTime");
    auto* spnSamples = child<QSpinBox>(window, "spnCapSamples");
    if (byCount) {
        child<QRadioButton>(window, "rdoCapFrames")->click();
        QVERIFY(spnSamples->isEnabled() && !spnDays->isEnabled() && !tmeTime->isEnabled());
        spnSamples->setValue(samples);
    } else {
        QVERIFY(!spnSamples->isEnabled() && spnDays->isEnabled() && tmeTime->isEnabled());
        spnDays->setValue(days);
        tmeTime->setTime(time);
    }
    // The input stays as entered: a sync never runs the opposite one.
    QCOMPARE(spnSamples->value(), samples);
    QCOMPARE(spnDays->value(), days);
    QCOMPARE(tmeTime->time(), time);
}

void TestMainWindow::preTrigger_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("byCount");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("samples");

    QTest::newRow("10 s at 50 Hz") << 50 << 0 << false << QTime(0, 0, 10) << 500;
    QTest::newRow("59:59 at 250 Hz stops at 9999") << 250 << 0 << false << QTime(0, 59, 59) << 9999;
    QTest::newRow("59:59 every 10 s") << 0 << 10 << false << QTime(0, 59, 59) << 359;
    QTest::newRow("9999 at 10 Hz") << 10 << 0 << true << QTime(0, 16, 39, 900) << 9999;
    QTest::newRow("9999 every 10 s stops at 59:59") << 0 << 10 << true << QTime(0, 59, 59) << 9999;
    QTest::newRow("25 at 50 Hz") << 50 << 0 << true << QTime(0, 0, 0, 500) << 25;
}

void TestMainWindow::preTrigger() {
    QFETCH(int, rate);
    QFETCH(int, interval);
    QFETCH(bool, byCount);
    QFETCH(QTime, time);
    QFETCH(int, samples);

    MainWindow window("usb", "-", QString());
    setTiming(window, rate, interval);
    auto* tmeTime = child<QTimeEdit>(window, "tmePreTriggerTime");
    auto* spnSamples = child<QSpinBox>(window, "spnPreTriggerSamples");
    if (byCount) {
        child<QRadioButton>(window, "rdoPreTriggerSamples")->click();
        QVERIFY(spnSamples->isEnabled() && !tmeTime->isEnabled());
        spnSamples->setValue(samples);
    } else {
        tmeTime->setTime(time);
    }
    QCOMPARE(spnSamples->value(), samples);
    QCOMPARE(tmeTime->time(), time);
}

// A calibration file whose unit is 10 kB of text, loaded by the window as
// at start, painted tick after tick with new values on both tabs: the label
// caches stay within their bytes, the heap with them, and every label draws
// no more than its line or cell shows.
void TestMainWindow::longUnitStaysBounded() {
    QFile demo(KIVRA_SOURCE_DIR "/examples/demo.tolmcal3");
    QVERIFY(demo.open(QIODevice::ReadOnly));
    const QString unit = QString("Newton").repeated(1707).left(10240);
    QByteArray content = demo.readAll();
    QVERIFY(content.contains("unit=\"N\""));
    content.replace("unit=\"N\"", "unit=\"" + unit.toLatin1() + "\"");
    QTemporaryDir dir;
    const QString path = dir.filePath("long-unit.tolmcal3");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();

    MainWindow window("usb", "-", path);
    window.resize(1200, 900);
    window.show();
    const std::size_t before = heapInUse();
    QVERIFY(waitForTicks(window, 50));
    child<QTabWidget>(window, "tabWidget")->setCurrentIndex(1);
    QVERIFY(waitForTicks(window, 50));

    const std::size_t grown = heapInUse() - std::min(before, heapInUse());
    QVERIFY2(grown <= 16 * 1024 * 1024, qPrintable(QString("the heap grew by %1 bytes").arg(grown)));

    const QFontMetricsF metrics(QFont(currentTheme().fontFamily, currentTheme().fontSize));
    const QList<SensorWidget*> bars = window.findChildren<SensorWidget*>();
    QCOMPARE(bars.size(), 8);
    for (SensorWidget* view : bars) {
        QCOMPARE(view->bar(0).unit, unit);
        const QString text = view->shownText(0);
        // The value, then what fits of the unit.
        QVERIFY2(text.startsWith(QLocale().toString(static_cast<float>(view->bar(0).value), 'f', 2) + " ") &&
                     text.endsWith(QChar(0x2026)),
                 qPrintable(text));
        QVERIFY2(metrics.horizontalAdvance(text) <= view->width() - 30, qPrintable(text));
    }
    const Grid8x8Widget* grid = window.findChild<Grid8x8Widget*>();
    const QFontMetricsF small(grid->smallLabelFont());
    const qreal cellWidth = GridGeometry::cellRect(grid->size(), 0, 0).width();
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            const QStringList lines = grid->shownText(column, row).split('\n');
            QCOMPARE(lines.size(), 2);
            QVERIFY2(small.horizontalAdvance(lines[1]) <= cellWidth, qPrintable(lines[1]));
        }
    }
}

// Captions name the sensors each graph shows, the status bar the calibration
// file, and a typed trigger level moves every graph's trigger line.
void TestMainWindow::barGraphTabSaysWhatItShows() {
    MainWindow uncalibrated("usb", "-", QString());
    QCOMPARE(child<QLabel>(uncalibrated, "lblColumnA")->text(), QString("A1"));
    QCOMPARE(child<QLabel>(uncalibrated, "lblColumnH")->text(), QString("H8"));
    QCOMPARE(child<QLabel>(uncalibrated, "lblCalibration")->text(), QString("No calibration file"));
    uncalibrated.close();

    const QString file = KIVRA_SOURCE_DIR "/examples/demo.tolmcal3";
    MainWindow window("usb", "-", file);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(child<QLabel>(window, "lblColumnA")->text(), QString("A1\u2013A8"));
    QCOMPARE(child<QLabel>(window, "lblColumnC")->text(), QString("C1\u2013C8"));
    QCOMPARE(child<QLabel>(window, "lblCalibration")->text(), QString("Calibration: demo.tolmcal3"));
    QCOMPARE(child<QLabel>(window, "lblCalibration")->toolTip(), file);

    auto* level = child<QDoubleSpinBox>(window, "spnTriggerLevel");
    QVERIFY(!level->isEnabled());
    QCOMPARE(level->text(), QString("\u2013")); // none typed yet
    child<QPushButton>(window, "btnLevelTrigger")->click();
    QVERIFY(level->isEnabled());
    level->setFocus();
    level->selectAll();
    QTest::keyClicks(level, "12.5");
    QTest::keyClick(level, Qt::Key_Return);
    for (SensorWidget* column : window.findChildren<SensorWidget*>()) {
        QVERIFY(column->isTriggerLevelSet());
        QCOMPARE(column->currentTriggerLevel(), 12.5f);
    }
}

namespace {

// "Restore the Last Session at Start" as the user sets it.
void setRestoreSession(MainWindow& window, bool on) {
    QAction* action = window.findChild<QAction*>("actRestoreSession");
    QVERIFY(action && action->isCheckable());
    action->setChecked(on);
}

QString startFolderOfLogDialog(MainWindow& window) {
    QString folder;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            folder = dialog->directory().absolutePath();
            dialog->reject();
        }
    });
    poll.start(5);
    child<QPushButton>(window, "btnFileSel")->click();
    return folder;
}

} // namespace

// What a closed window kept comes back in the next one, with the file of
// the command line winning over the remembered one.
void TestMainWindow::lastSessionRestored() {
    QSettings().remove("session");
    QTemporaryDir dir;
    const QString demo = KIVRA_SOURCE_DIR "/examples/demo.tolmcal3";
    {
        MainWindow window("usb", "-", demo);
        window.show();
        setRestoreSession(window, true);
        child<QRadioButton>(window, "rdoSampleToSample")->click();
        child<QTimeEdit>(window, "tmeSampleToSample")->setTime(QTime(0, 0, 2));
        child<QPushButton>(window, "btnLogAnalog1")->setChecked(true);
        child<QPushButton>(window, "btnLogHardwareCounter")->setChecked(true);
        child<QRadioButton>(window, "rdoPreTriggerSamples")->click();
        child<QSpinBox>(window, "spnPreTriggerSamples")->setValue(3);
        child<QRadioButton>(window, "rdoCapFrames")->click();
        child<QSpinBox>(window, "spnCapSamples")->setValue(30);
        child<QTabWidget>(window, "tabWidget")->setCurrentWidget(child<QWidget>(window, "tabGrid"));
        child<QLineEdit>(window, "txtFile")->setText(dir.filePath("run.csv"));
        window.close();
    }
    {
        MainWindow window("usb", "-", QString());
        QCOMPARE(window.calibrationData().unit(), std::string("N"));
        QVERIFY(child<QRadioButton>(window, "rdoSampleToSample")->isChecked());
        QVERIFY(!child<QSpinBox>(window, "spnRate")->isEnabled());
        QCOMPARE(child<QTimeEdit>(window, "tmeSampleToSample")->time(), QTime(0, 0, 2));
        QCOMPARE(window.currentAcquisitionSettings().interval, 2u);
        for (const char* logged : {"btnLogAnalog1", "btnLogHardwareCounter"})
            QVERIFY2(child<QPushButton>(window, logged)->isChecked(), logged);
        for (const char* notLogged : {"btnLogAnalog0", "btnLogDigital", "btnLogCapSampleTimer"})
            QVERIFY2(!child<QPushButton>(window, notLogged)->isChecked(), notLogged);
        QVERIFY(child<QRadioButton>(window, "rdoPreTriggerSamples")->isChecked());
        QCOMPARE(child<QSpinBox>(window, "spnPreTriggerSamples")->value(), 3);
        QCOMPARE(child<QTimeEdit>(window, "tmePreTriggerTime")->time(), QTime(0, 0, 6)); // 3 frames of 2 s
        QVERIFY(child<QRadioButton>(window, "rdoCapFrames")->isChecked());
        QCOMPARE(child<QSpinBox>(window, "spnCapSamples")->value(), 30);
        QCOMPARE(child<QTabWidget>(window, "tabWidget")->currentWidget()->objectName(), QString("tabGrid"));
        // The log's folder, not its name: arming must not meet the old file.
        QVERIFY(child<QLineEdit>(window, "txtFile")->text().isEmpty());
        QCOMPARE(startFolderOfLogDialog(window), QDir(dir.path()).absolutePath());
        window.close();
    }
    {
        // Another file on the command line counts.
        MainWindow window("usb", "-", KIVRA_SOURCE_DIR "/tests/calibration/fuzz/corpus/rich.tolmcal3");
        QVERIFY(QString::fromStdString(window.calibrationData().unit()).startsWith("k&N"));
    }
    QSettings().remove("session");
}

// A remembered file that is gone: the window starts without it, says so in
// passing and asks nothing.
void TestMainWindow::goneSessionFileIsANote() {
    QSettings().remove("session");
    QTemporaryDir dir;
    const QString gone = dir.filePath("gone.tolmcal3");
    QVERIFY(QFile::copy(KIVRA_SOURCE_DIR "/examples/demo.tolmcal3", gone));
    {
        MainWindow window("usb", "-", gone);
        setRestoreSession(window, true);
        window.close();
    }
    QVERIFY(QFile::remove(gone));
    ModalResponder responder;
    MainWindow window("usb", "-", QString());
    QVERIFY(responder.shownBoxes().isEmpty());
    QCOMPARE(ModalResponder::visibleMessageBoxes(), 0);
    QCOMPARE(window.calibrationData().unit(), CalibrationData().unit());
    QVERIFY(!child<QLabel>(window, "lblStatusNote")->isHidden());
    const QString note = child<QLabel>(window, "lblStatusNote")->text();
    QVERIFY2(
        note.contains(QString("The last session's calibration file %1 is gone.").arg(QDir::toNativeSeparators(gone))),
        qPrintable(note));
    // Forgotten: the next start says nothing of it.
    window.close();
    MainWindow next("usb", "-", QString());
    QVERIFY(!child<QLabel>(next, "lblStatusNote")->text().contains("gone"));
    QSettings().remove("session");
}

// F1 opens the guide the build made as HTML, beside the programs' folder as
// in the installed tree, with the pictures it shows.
void TestMainWindow::userGuideOnF1() {
    openedUrls.clear();
    QDesktopServices::setUrlHandler("file", this, "openUrl");
    MainWindow window("usb", "-", QString());
    window.setDaqProgramPath(KIVRA_PROGRAM_DIR "/kivratolm-daq-lite-x86");
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F1);
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(openedUrls.size(), 1);
    const QString page = openedUrls.first().toLocalFile();
    QCOMPARE(QFileInfo(page).absoluteFilePath(),
             QFileInfo(KIVRA_PROGRAM_DIR "/../share/kivra-lite/guide/index.html").absoluteFilePath());
    QFile file(page);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QVERIFY(html.contains("<h2 id=\"the-daq-window\">The DAQ window</h2>"));
    const QRegularExpression picture("<img alt=\"[^\"]*\" src=\"([^\"]+)\"");
    int pictures = 0;
    for (auto match = picture.globalMatch(html); match.hasNext(); ++pictures) {
        const QString source = match.next().captured(1);
        QVERIFY2(QFileInfo::exists(QFileInfo(page).dir().filePath(source)), qPrintable(source));
    }
    QVERIFY(pictures >= 5);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
