// The last session across a real restart: each real program, as built, on a
// virtual X server with a home of its own and "Restore the Last Session at
// Start" ticked, is started with a calibration file, moved and resized, and
// ended with Ctrl+Q; started again without the file, it comes back where it
// was (the CAL program with the file in its title). Looked at from outside
// with xdotool, as the desktop sees the windows.
#include "VirtualDesktop.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

class TestProgramsSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void restoredAfterRestart_data();
    void restoredAfterRestart();

private:
    // The program's visible main window: its id, or empty when none came.
    QString waitForWindow(QProcess& process, const QProcessEnvironment& env);
    QRect geometryOf(const QString& id, const QProcessEnvironment& env);

    QTemporaryDir folder;
    std::unique_ptr<QProcess> server;
    QProcessEnvironment environment;
};

void TestProgramsSession::initTestCase() {
    for (const char* tool : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP(qPrintable(QString("%1 is not installed (scripts/setup.sh installs it)").arg(tool)));
    }
    QVERIFY(folder.isValid());
    server = std::make_unique<QProcess>();
    const QString display = startXServer(*server, "1280x960x24");
    QVERIFY2(!display.isEmpty(), server->readAllStandardError().constData());
    environment = desktopEnvironment(display);
}

void TestProgramsSession::cleanupTestCase() {
    if (server) {
        server->terminate();
        server->waitForFinished();
    }
}

QString TestProgramsSession::waitForWindow(QProcess& process, const QProcessEnvironment& env) {
    if (!process.waitForStarted())
        return QString();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000 && process.state() == QProcess::Running) {
        const QByteArray ids = output(
            "xdotool",
            {"search", "--onlyvisible", "--pid", QString::number(process.processId()), "--name", "^Kivra Tolm"}, env);
        const QString id = QString::fromLatin1(ids).section('\n', 0, 0).trimmed();
        if (!id.isEmpty())
            return id;
        QThread::msleep(200);
    }
    return QString();
}

QRect TestProgramsSession::geometryOf(const QString& id, const QProcessEnvironment& env) {
    QRect geometry;
    for (const QString& line : QString::fromLatin1(output("xdotool", {"getwindowgeometry", "--shell", id}, env))
                                   .split('\n', Qt::SkipEmptyParts)) {
        const int value = line.section('=', 1).toInt();
        if (line.startsWith("X="))
            geometry.moveLeft(value);
        else if (line.startsWith("Y="))
            geometry.moveTop(value);
        else if (line.startsWith("WIDTH="))
            geometry.setWidth(value);
        else if (line.startsWith("HEIGHT="))
            geometry.setHeight(value);
    }
    return geometry;
}

void TestProgramsSession::restoredAfterRestart_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("application");
    QTest::addColumn<bool>("titleNamesFile");
    QTest::newRow("DAQ") << DAQ_PROGRAM << "Kivra DAQ lite" << false;
    QTest::newRow("CAL") << CAL_PROGRAM << "Kivra CAL lite" << true;
}

void TestProgramsSession::restoredAfterRestart() {
    QFETCH(QString, program);
    QFETCH(QString, application);
    QFETCH(bool, titleNamesFile);

    const QString home = folder.filePath(application.section(' ', 1, 1));
    const QProcessEnvironment env = withFreshHome(environment, home);
    {
        // The entry of the File menu, ticked in an earlier run.
        QSettings settings(home + "/config/Orvane GmbH/" + application + ".conf", QSettings::IniFormat);
        settings.setValue("session/restore", true);
    }
    const QString calibration = folder.filePath(application.section(' ', 1, 1) + ".tolmcal3");
    QVERIFY(QFile::copy(KIVRA_SOURCE_DIR "/examples/demo.tolmcal3", calibration));
    const QRect placed(40, 50, 900, 600);

    QProcess first;
    first.setProcessEnvironment(env);
    first.setProcessChannelMode(QProcess::MergedChannels);
    first.start(program, {"use=usb/-", "cfg=" + calibration});
    const QString id = waitForWindow(first, env);
    QVERIFY2(!id.isEmpty(), first.readAll().constData());
    output("xdotool", {"windowsize", "--sync", id, "900", "600"}, env);
    output("xdotool", {"windowmove", "--sync", id, "40", "50"}, env);
    QTRY_COMPARE_WITH_TIMEOUT(geometryOf(id, env), placed, 10000);
    output("xdotool", {"windowfocus", "--sync", id}, env);
    output("xdotool", {"key", "--clearmodifiers", "ctrl+q"}, env);
    QVERIFY2(first.waitForFinished(20000), "Ctrl+Q did not end the program");
    QCOMPARE(first.exitCode(), 0);

    QProcess second;
    second.setProcessEnvironment(env);
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(program, {"use=usb/-"});
    const QString again = waitForWindow(second, env);
    QRect geometry;
    QString title;
    if (!again.isEmpty()) {
        QTest::qWait(500);
        geometry = geometryOf(again, env);
        title = QString::fromUtf8(output("xdotool", {"getwindowname", again}, env)).trimmed();
    }
    second.terminate();
    if (!second.waitForFinished(10000)) {
        second.kill();
        second.waitForFinished();
    }
    QVERIFY2(!again.isEmpty(), second.readAll().constData());
    QCOMPARE(geometry, placed);
    if (titleNamesFile)
        QVERIFY2(title.contains(QFileInfo(calibration).fileName()), qPrintable(title));
}

QTEST_MAIN(TestProgramsSession)
#include "tst_programs_session.moc"
