#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

// The README's journey on a desktop: the real DAQ program started from the
// programs' folder on a real X server, "Start Kivra CAL lite" pressed in its
// tool bar from outside through the accessibility bus (as assistive tools and
// UI robots do), the real CAL program changing the unit and ending with "Save
// and Exit", and the DAQ program taking up the saved file and acquiring
// again. KIVRA_PROGRAM_DIR points the test at another folder of programs,
// e.g. an installed package.
namespace {

const QString python = QStringLiteral("/usr/bin/python3");
const QString daqName = QStringLiteral("kivratolm-daq-lite-x86");
const QString calName = QStringLiteral("kivratolm-cal-lite-x86");

QString programDir() {
    const QString configured = qEnvironmentVariable("KIVRA_PROGRAM_DIR");
    return QDir(configured.isEmpty() ? QStringLiteral(PROGRAM_DIR) : configured).canonicalPath();
}

// What of the desktop is not installed, or empty.
QString missingTools() {
    QStringList missing;
    for (const char* tool : {"Xvfb", "dbus-daemon"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            missing << QLatin1String(tool);
    }
    // The session bus starts the accessibility bus on demand from this file.
    if (!QFile::exists(QStringLiteral("/usr/share/dbus-1/services/org.a11y.Bus.service")))
        missing << QStringLiteral("at-spi2-core");
    if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import pyatspi")}) != 0)
        missing << QStringLiteral("python3-pyatspi");
    return missing.join(QStringLiteral(", "));
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.hasExpired(timeoutMs))
            return false;
        QTest::qWait(100);
    }
    return true;
}

// The first line a starting helper writes: Xvfb its display number, the bus
// its address.
QString firstLine(QProcess& process, int timeoutMs) {
    QByteArray out;
    waitFor(
        [&] {
            process.waitForReadyRead(50);
            out += process.readAllStandardOutput();
            return out.contains('\n') || process.state() == QProcess::NotRunning;
        },
        timeoutMs);
    return QString::fromLocal8Bit(out.left(out.indexOf('\n'))).trimmed();
}

QByteArray procFile(qint64 pid, const char* name) {
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The fields of /proc/PID/stat behind the command name, which may itself
// hold blanks and parentheses: state, parent, ...
QList<QByteArray> statFields(qint64 pid) {
    const QByteArray stat = procFile(pid, "stat");
    return stat.mid(stat.lastIndexOf(')') + 2).split(' ');
}

bool isRunning(qint64 pid) {
    const QList<QByteArray> fields = statFields(pid);
    return fields.size() > 1 && fields[0] != "Z" && fields[0] != "X";
}

QList<qint64> childrenOf(qint64 parent) {
    QList<qint64> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        const QList<QByteArray> fields = statFields(pid);
        if (fields.size() > 1 && fields[1].toLongLong() == parent && isRunning(pid))
            children << pid;
    }
    return children;
}

QStringList commandLine(qint64 pid) {
    QStringList arguments;
    for (const QByteArray& argument : procFile(pid, "cmdline").split('\0'))
        arguments << QFile::decodeName(argument);
    if (!arguments.isEmpty() && arguments.last().isEmpty())
        arguments.removeLast();
    return arguments;
}

// The DAQ window's status text, "usb/- - Samples: N - Idle".
struct Status {
    qint64 samples = -1;
    QString capture;
};

} // namespace

class TestDesktopHandover : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startCalFromToolBar();
    void cleanup();

private:
    QProcessEnvironment desktopEnvironment() const;
    QString startHelper(QProcess& process, const QString& program, const QStringList& arguments);
    // Runs ui_access.py; false when it failed (the program or the widget is
    // not there yet). Its standard output goes to output.
    bool ui(const QStringList& arguments, QString* output = nullptr) const;
    bool press(qint64 pid, const QString& button) const;
    // Every label of the program's windows, message boxes included: what a
    // failed step left on screen.
    QByteArray labels(qint64 pid) const;
    Status status(qint64 pid) const;
    bool statusShows(qint64 pid, const std::function<bool(const Status&)>& condition, int timeoutMs = 15000) const;
    // What the sanitizers of the programs reported, one file per process.
    QByteArray sanitizerReports() const;

    QTemporaryDir dir;
    QProcess daq;
    QProcess xserver;
    QProcess sessionBus;
    QString display;
    QString busAddress;
};

QProcessEnvironment TestDesktopHandover::desktopEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A real X server: neither the tests' offscreen platform nor a library
    // path that could hide a program's own search for its device library.
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("LD_LIBRARY_PATH"));
    environment.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("home/config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
    if (!display.isEmpty())
        environment.insert(QStringLiteral("DISPLAY"), display);
    if (!busAddress.isEmpty())
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    // Qt answers on the accessibility bus without a screen reader running.
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    // A sanitizer build reports into files, one per process: the CAL
    // program's standard error goes to the DAQ program, which drops it.
    for (const QString& variable : {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("UBSAN_OPTIONS")}) {
        const QString options = environment.value(variable);
        environment.insert(variable, options + (options.isEmpty() ? QString() : QStringLiteral(":")) +
                                         QStringLiteral("log_path=") + dir.filePath(QStringLiteral("sanitizer")));
    }
    return environment;
}

QString TestDesktopHandover::startHelper(QProcess& process, const QString& program, const QStringList& arguments) {
    process.setProcessEnvironment(desktopEnvironment());
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return QString();
    return firstLine(process, 20000);
}

void TestDesktopHandover::initTestCase() {
    const QString missing = missingTools();
    if (!missing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("needs a virtual X server and the accessibility bus; not installed: ") +
                         missing));
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("home/config")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("runtime")));
    QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

    // The server picks a free display itself and names it on the given file
    // descriptor; no window manager.
    const QString number = startHelper(xserver, QStringLiteral("Xvfb"),
                                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                        QStringLiteral("0"), QStringLiteral("1280x960x24"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp"), QStringLiteral("-noreset")});
    QVERIFY2(!number.isEmpty(), xserver.readAllStandardError().constData());
    display = QLatin1Char(':') + number;

    busAddress =
        startHelper(sessionBus, QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    QVERIFY2(!busAddress.isEmpty(), sessionBus.readAllStandardError().constData());
    // The accessibility bus and its registry are up before a program starts.
    QVERIFY(waitFor([this] { return ui({QStringLiteral("ready")}); }, 20000));
}

void TestDesktopHandover::cleanupTestCase() {
    // The accessibility bus and its registry end with the session bus.
    for (QProcess* process : {&sessionBus, &xserver}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(10000))
                process->kill();
        }
    }
}

void TestDesktopHandover::cleanup() {
    // A failed step leaves the DAQ program running: it is ended the way a
    // user ends it, so that its sanitizer report is written all the same.
    if (daq.state() != QProcess::NotRunning) {
        press(daq.processId(), QStringLiteral("Exit"));
        if (!daq.waitForFinished(15000)) {
            daq.kill();
            daq.waitForFinished();
        }
    }
    const QByteArray reports = sanitizerReports();
    QVERIFY2(reports.isEmpty(), reports.constData());
}

QByteArray TestDesktopHandover::sanitizerReports() const {
    QByteArray reports;
    const QDir folder(dir.path());
    for (const QString& name : folder.entryList({QStringLiteral("sanitizer.*")}, QDir::Files)) {
        QFile report(folder.filePath(name));
        if (report.open(QIODevice::ReadOnly))
            reports += name.toUtf8() + ":\n" + report.readAll();
    }
    return reports;
}

bool TestDesktopHandover::ui(const QStringList& arguments, QString* output) const {
    QProcess helper;
    helper.setProcessEnvironment(desktopEnvironment());
    helper.start(python, QStringList{QStringLiteral(UI_ACCESS)} + arguments);
    if (!helper.waitForFinished(30000) || helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0)
        return false;
    if (output)
        *output = QString::fromUtf8(helper.readAllStandardOutput());
    return true;
}

bool TestDesktopHandover::press(qint64 pid, const QString& button) const {
    return waitFor([&] { return ui({QStringLiteral("press"), QString::number(pid), button}); }, 15000);
}

QByteArray TestDesktopHandover::labels(qint64 pid) const {
    QString text;
    ui({QStringLiteral("labels"), QString::number(pid)}, &text);
    return text.toUtf8();
}

Status TestDesktopHandover::status(qint64 pid) const {
    static const QRegularExpression pattern(QStringLiteral("^usb/- - Samples: (\\d+) - (.*)$"),
                                            QRegularExpression::MultilineOption);
    QString labels;
    if (!ui({QStringLiteral("labels"), QString::number(pid)}, &labels))
        return {};
    const QRegularExpressionMatch match = pattern.match(labels);
    if (!match.hasMatch())
        return {};
    return {match.captured(1).toLongLong(), match.captured(2)};
}

bool TestDesktopHandover::statusShows(qint64 pid, const std::function<bool(const Status&)>& condition,
                                      int timeoutMs) const {
    return waitFor([&] { return condition(status(pid)); }, timeoutMs);
}

void TestDesktopHandover::startCalFromToolBar() {
    const QString calibrationFile = dir.filePath(QStringLiteral("demo.tolmcal3"));
    QVERIFY(QFile::copy(QStringLiteral(KIVRA_SOURCE_DIR "/examples/demo.tolmcal3"), calibrationFile));
    QVERIFY(QFile::setPermissions(calibrationFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const QString captureFile = dir.filePath(QStringLiteral("capture.csv"));
    const QString daqProgram = QDir(programDir()).filePath(daqName);
    QVERIFY2(QFileInfo(daqProgram).isExecutable(), qPrintable(daqProgram + " is missing"));

    daq.setProcessEnvironment(desktopEnvironment());
    daq.setWorkingDirectory(dir.path());
    daq.start(daqProgram, {QStringLiteral("use=usb/-"), QStringLiteral("cfg=") + calibrationFile});
    QVERIFY2(daq.waitForStarted(10000), qPrintable(daq.errorString()));
    const qint64 daqPid = daq.processId();

    // Acquiring from the emulated board.
    QVERIFY2(statusShows(daqPid, [](const Status& s) { return s.samples > 0 && s.capture == "Idle"; }),
             daq.readAllStandardError().constData());

    QVERIFY(press(daqPid, QStringLiteral("Start Kivra CAL lite")));

    // The real CAL program from the same folder, with the DAQ program's board
    // and calibration file.
    qint64 calPid = 0;
    QVERIFY2(waitFor(
                 [&] {
                     const QList<qint64> children = childrenOf(daqPid);
                     calPid = children.isEmpty() ? 0 : children.first();
                     return calPid != 0;
                 },
                 10000),
             labels(daqPid).constData());
    QCOMPARE(QFileInfo(QStringLiteral("/proc/%1/exe").arg(calPid)).canonicalFilePath(),
             QDir(programDir()).filePath(calName));
    const QStringList calArguments = commandLine(calPid);
    QCOMPARE(calArguments.mid(1), QStringList({QStringLiteral("use=usb/-"), QStringLiteral("cfg=") + calibrationFile}));

    // The DAQ program has let go of the board: its count stands still.
    const Status stopped = status(daqPid);
    QVERIFY(stopped.samples > 0);
    QTest::qWait(500);
    QCOMPARE(status(daqPid).samples, stopped.samples);

    // In the CAL program: another unit, then "Save and Exit".
    QVERIFY(waitFor(
        [&] {
            return ui({QStringLiteral("set-text"), QString::number(calPid), QStringLiteral("kPa")});
        },
        15000));
    QVERIFY(press(calPid, QStringLiteral("Save and Exit")));
    QVERIFY(waitFor([&] { return !isRunning(calPid); }, 15000));
    QFile saved(calibrationFile);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("unit=\"kPa\""));

    // Acquiring again: the count starts anew and rises.
    Status restarted;
    QVERIFY(statusShows(daqPid, [&](const Status& s) {
        restarted = s;
        return s.samples > 0 && s.samples != stopped.samples;
    }));
    QVERIFY(statusShows(daqPid, [&](const Status& s) { return s.samples > restarted.samples; }));

    // The reloaded calibration is in force: a forced capture logs the sensors
    // in the unit the CAL program saved.
    QVERIFY(ui({QStringLiteral("set-text"), QString::number(daqPid), captureFile}));
    QVERIFY(press(daqPid, QStringLiteral("Arm Trigger")));
    QVERIFY(statusShows(daqPid, [](const Status& s) { return s.capture == "Armed"; }));
    QVERIFY(press(daqPid, QStringLiteral("Force Trigger")));
    QVERIFY(statusShows(
        daqPid, [](const Status& s) { return s.capture.startsWith("Captured: ") && s.capture != "Captured: 0"; }));
    QVERIFY(press(daqPid, QStringLiteral("Stop")));
    QVERIFY(statusShows(daqPid, [](const Status& s) { return s.capture == "Idle"; }));
    QFile log(captureFile);
    QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(log.readLine().startsWith("# Sample rate: "));
    const QByteArray columns = log.readLine();
    QVERIFY2(columns.startsWith("Sensor A1 (kPa);Sensor A2 (kPa);"), columns.constData());
    QVERIFY2(!columns.contains("(N)"), columns.constData());
    QVERIFY(!log.readLine().isEmpty());

    QVERIFY(press(daqPid, QStringLiteral("Exit")));
    QVERIFY(daq.waitForFinished(15000));
    QCOMPARE(daq.exitStatus(), QProcess::NormalExit);
    QCOMPARE(daq.exitCode(), 0);
    // cleanup() reads the programs' sanitizer reports.
}

QTEST_GUILESS_MAIN(TestDesktopHandover)
#include "tst_desktop_handover.moc"
