// Both real programs, as built, on a virtual X server: the German
// translation compiled into them is there when the desktop's locale is
// German, and LANGUAGE=en or LC_MESSAGES=C keeps them English; and a
// program restarted with "Restore the Last Session at Start" ticked comes
// back with its file and window. Looked at from outside through the window's
// title and geometry, as the desktop shows them (xdotool).
#include "VirtualDesktop.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

class TestProgramsLanguage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void titleInTheDesktopLanguage_data();
    void titleInTheDesktopLanguage();
    void lastSessionAfterRestart_data();
    void lastSessionAfterRestart();

private:
    // The id of the program's visible main window; empty when none came.
    static QString waitForWindow(QProcess& process, const QProcessEnvironment& env);

    QTemporaryDir folder;
    std::unique_ptr<QProcess> server;
    QProcessEnvironment environment;
    int starts = 0;
};

void TestProgramsLanguage::initTestCase() {
    for (const char* tool : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP(qPrintable(QString("%1 is not installed (scripts/setup.sh installs it)").arg(tool)));
    }
    QVERIFY(folder.isValid());
    server = std::make_unique<QProcess>();
    const QString display = startXServer(*server, "1280x960x24");
    QVERIFY2(!display.isEmpty(), server->readAllStandardError().constData());
    environment = desktopEnvironment(display);
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
        environment.remove(name);
}

void TestProgramsLanguage::cleanupTestCase() {
    if (server) {
        server->terminate();
        server->waitForFinished();
    }
}

void TestProgramsLanguage::titleInTheDesktopLanguage_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("locale");
    QTest::addColumn<QString>("title");
    const QString daq = DAQ_PROGRAM;
    const QString cal = CAL_PROGRAM;
    QTest::newRow("DAQ German") << daq << QStringList{"LANG=de_DE.UTF-8"}
                                << "Kivra Tolm DAQ lite 2.0 - Orvane GmbH \u2014 emulierte Messkarte";
    QTest::newRow("DAQ German, LANGUAGE=en") << daq << QStringList{"LANG=de_DE.UTF-8", "LANGUAGE=en"}
                                             << "Kivra Tolm DAQ lite 2.0 - Orvane GmbH \u2014 emulated board";
    QTest::newRow("CAL German") << cal << QStringList{"LANG=de_DE.UTF-8"}
                                << "Kivra Tolm CAL lite 2.0 \u2014 emulierte Messkarte";
    QTest::newRow("CAL German, LC_MESSAGES=C")
        << cal << QStringList{"LANG=de_DE.UTF-8", "LC_MESSAGES=C"} << "Kivra Tolm CAL lite 2.0 \u2014 emulated board";
    QTest::newRow("CAL French") << cal << QStringList{"LANG=fr_FR.UTF-8"}
                                << "Kivra Tolm CAL lite 2.0 \u2014 emulated board";
}

void TestProgramsLanguage::titleInTheDesktopLanguage() {
    QFETCH(QString, program);
    QFETCH(QStringList, locale);
    QFETCH(QString, title);
    QProcessEnvironment env = withFreshHome(environment, folder.filePath(QString("home-%1").arg(++starts)));
    for (const QString& variable : locale)
        env.insert(variable.section('=', 0, 0), variable.section('=', 1));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {"use=usb/-"});
    QVERIFY(process.waitForStarted());
    QString shown;
    QElapsedTimer clock;
    clock.start();
    while (shown.isEmpty() && clock.elapsed() < 30000 && process.state() == QProcess::Running) {
        QThread::msleep(200);
        // Only this process's windows: an earlier program may still be going.
        const QByteArray ids = output(
            "xdotool",
            {"search", "--onlyvisible", "--pid", QString::number(process.processId()), "--name", "^Kivra Tolm"}, env);
        const QString id = QString::fromLatin1(ids).section('\n', 0, 0).trimmed();
        if (!id.isEmpty())
            shown = QString::fromUtf8(output("xdotool", {"getwindowname", id}, env)).trimmed();
    }
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
    QVERIFY2(!shown.isEmpty(), process.readAll().constData());
    QCOMPARE(shown, title);
}

QString TestProgramsLanguage::waitForWindow(QProcess& process, const QProcessEnvironment& env) {
    QElapsedTimer clock;
    clock.start();
    while (process.waitForStarted() && clock.elapsed() < 30000 && process.state() == QProcess::Running) {
        const QByteArray ids = output(
            "xdotool",
            {"search", "--onlyvisible", "--pid", QString::number(process.processId()), "--name", "^Kivra Tolm"}, env);
        if (!ids.trimmed().isEmpty())
            return QString::fromLatin1(ids).section('\n', 0, 0).trimmed();
        QThread::msleep(200);
    }
    return QString();
}

// The CAL program started with a file, moved, resized and ended with Ctrl+Q
// comes back without the file argument with that file and where it was.
void TestProgramsLanguage::lastSessionAfterRestart_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("name"); // of its settings file
    QTest::addColumn<QStringList>("placed");
    QTest::newRow("CAL") << CAL_PROGRAM << "Kivra CAL lite" << QStringList{"X=40", "Y=50", "WIDTH=900", "HEIGHT=600"};
    QTest::newRow("DAQ") << DAQ_PROGRAM << "Kivra DAQ lite" << QStringList{"X=30", "Y=40", "WIDTH=1150", "HEIGHT=860"};
}

void TestProgramsLanguage::lastSessionAfterRestart() {
    QFETCH(QString, program);
    QFETCH(QString, name);
    QFETCH(QStringList, placed);
    const QString home = folder.filePath("home-session-" + name);
    const QProcessEnvironment env = withFreshHome(environment, home);
    const QString settings = home + "/config/Orvane GmbH/" + name + ".conf";
    // The File menu's entry, ticked in an earlier run.
    QSettings(settings, QSettings::IniFormat).setValue("session/restore", true);
    const QString calibration = folder.filePath(name + ".tolmcal3");
    QVERIFY(QFile::copy(KIVRA_SOURCE_DIR "/examples/demo.tolmcal3", calibration));
    const auto geometry = [&env](const QString& id) {
        return QString::fromLatin1(output("xdotool", {"getwindowgeometry", "--shell", id}, env)).split('\n').mid(1, 4);
    };
    const auto quit = [&env](QProcess& process, const QString& id) {
        output("xdotool", {"windowfocus", "--sync", id}, env);
        output("xdotool", {"key", "--clearmodifiers", "ctrl+q"}, env);
        return process.waitForFinished(20000);
    };

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program, {"use=usb/-", "cfg=" + calibration});
    const QString id = waitForWindow(first, env);
    QVERIFY(!id.isEmpty());
    output("xdotool", {"windowsize", "--sync", id, placed[2].mid(6), placed[3].mid(7)}, env);
    output("xdotool", {"windowmove", "--sync", id, placed[0].mid(2), placed[1].mid(2)}, env);
    QTRY_COMPARE_WITH_TIMEOUT(geometry(id), placed, 10000);
    QVERIFY2(quit(first, id), "Ctrl+Q did not end the program");

    // Without a file on the command line: the last session's comes back.
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(program, {"use=usb/-"});
    const QString again = waitForWindow(second, env);
    QVERIFY(!again.isEmpty());
    QTest::qWait(500);
    const QStringList shown = geometry(again);
    const QString title = QString::fromUtf8(output("xdotool", {"getwindowname", again}, env));
    QVERIFY2(quit(second, again), "Ctrl+Q did not end the program");
    QCOMPARE(shown, placed);
    // The CAL window names its file in its title; either program, ended
    // again, remembers the file it had loaded.
    if (name.contains("CAL"))
        QVERIFY2(title.contains(name + ".tolmcal3"), qPrintable(title));
    QCOMPARE(QSettings(settings, QSettings::IniFormat).value("session/calibrationFile").toString(), calibration);
}

QTEST_MAIN(TestProgramsLanguage)
#include "tst_programs_language.moc"
