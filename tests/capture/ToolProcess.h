// kivratolm-capture run by a test: its own folder for logs and the
// emulator's configuration, its events read as they come, signals sent on
// demand, and its log read back with Python's csv module.
#pragma once

#include "CsvLogPython.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>

#include <sys/resource.h>

// Consecutive numbers, each one more than the one before.
inline bool consecutive(const QList<qulonglong>& numbers) {
    for (int i = 1; i < numbers.size(); ++i) {
        if (numbers[i] != numbers[i - 1] + 1)
            return false;
    }
    return true;
}

class ToolProcess : public QProcess {
public:
    // `emulatorConfig`: the text of the USB emulator's configuration; empty: the default board.
    explicit ToolProcess(const QString& emulatorConfig = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        QString configPath;
        if (!emulatorConfig.isEmpty()) {
            configPath = dir.filePath("board.ini");
            QFile file(configPath);
            if (file.open(QIODevice::WriteOnly))
                file.write(emulatorConfig.toUtf8());
        }
        environment.insert("KIVRATOLM_EMULATOR", configPath);
        setProcessEnvironment(environment);
        setProgram(QStringLiteral(CAPTURE_TOOL));
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        // Qt 6 has no setupChildProcess() to override.
        setChildProcessModifier([this] { limitFileSize(); });
#endif
    }
    ~ToolProcess() override {
        if (state() != QProcess::NotRunning) {
            kill();
            waitForFinished(5000);
        }
    }

    QString path(const QString& name) const {
        return dir.filePath(name);
    }
    // Events on standard output unless the log goes there.
    void setEventsOnStandardError(bool onError) {
        eventsOnError = onError;
    }
    // The file size limit the tool runs under (bytes; 0: none), with
    // SIGXFSZ ignored so that a write beyond it fails instead of killing it.
    void setFileSizeLimit(rlim_t bytes) {
        fileSizeLimit = bytes;
    }

    void run(const QStringList& arguments) {
        setArguments(arguments);
        start();
        QVERIFY(waitForStarted(5000));
    }

    // Waits for the first event named `name` that `accept` takes.
    QJsonObject waitForEvent(const QString& name, int timeoutMs = 10000,
                             const std::function<bool(const QJsonObject&)>& accept = {}) {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            readEvents();
            for (int i = searched; i < eventList.size(); ++i) {
                if (eventList[i].value("event").toString() == name && (!accept || accept(eventList[i]))) {
                    searched = i + 1;
                    return eventList[i];
                }
            }
            if (clock.elapsed() > timeoutMs || state() == QProcess::NotRunning)
                return {};
            waitForReadyRead(50);
        }
    }

    // Waits for the end; the exit code, or -1 after a crash or a hang.
    int finish(int timeoutMs = 20000) {
        if (!waitForFinished(timeoutMs)) {
            qWarning("kivratolm-capture did not end; killed");
            kill();
            waitForFinished(5000);
            return -1;
        }
        readEvents();
        errorText += readAllStandardError();
        // A sanitizer's report from the tool goes where CTest looks for it.
        for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"}) {
            if (errorText.contains(marker))
                qWarning("kivratolm-capture: %s", errorText.constData());
        }
        if (exitStatus() != QProcess::NormalExit)
            return -1;
        return exitCode();
    }

    void signal(int number) {
        ::kill(static_cast<pid_t>(processId()), number);
    }

    const QList<QJsonObject>& events() {
        readEvents();
        return eventList;
    }
    QStringList eventNames() {
        QStringList names;
        for (const QJsonObject& event : events())
            names << event.value("event").toString();
        return names;
    }
    // Every JSON line well formed, each with "event" and "time".
    bool eventsWellFormed() const {
        return malformed == 0;
    }
    QByteArray standardOutput() {
        readEvents();
        return output;
    }
    QString standardError() {
        readEvents();
        return QString::fromLocal8Bit(errorText);
    }

protected:
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    void setupChildProcess() override {
        limitFileSize();
    }
#endif

private:
    // In the child, between fork and exec.
    void limitFileSize() {
        if (fileSizeLimit == 0)
            return;
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }

    void readEvents() {
        const QByteArray out = readAllStandardOutput();
        const QByteArray err = readAllStandardError();
        output += out;
        errorText += err;
        QByteArray& channel = eventsOnError ? errorText : output;
        // Whole lines only; a line is one event.
        while (true) {
            const int end = channel.indexOf('\n', eventScan);
            if (end < 0)
                break;
            const QByteArray line = channel.mid(eventScan, end - eventScan);
            eventScan = end + 1;
            if (!line.startsWith('{'))
                continue; // a message on standard error, or a log row
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(line, &error);
            const QJsonObject event = document.object();
            if (error.error != QJsonParseError::NoError || !event.value("event").isString() ||
                !event.value("time").isDouble())
                ++malformed;
            eventList << event;
        }
    }

    QTemporaryDir dir;
    QList<QJsonObject> eventList;
    QByteArray output;
    QByteArray errorText;
    int eventScan = 0;
    int searched = 0;
    int malformed = 0;
    bool eventsOnError = false;
    rlim_t fileSizeLimit = 0;
};
