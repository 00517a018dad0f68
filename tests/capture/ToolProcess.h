// kivratolm-capture run by a test: its own folder for logs and the
// emulator's configuration, its events read as they come, signals sent on
// demand, and its log read back with Python's csv module.
#pragma once

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

// A log as Python's csv module read it.
struct CsvLog {
    QString header;
    QStringList columns;
    QList<QStringList> rows;
    bool complete = false; // the last line ends with a line feed
    bool read = false;

    // The values of one column, one per row.
    QStringList column(const QString& title) const {
        const int index = columns.indexOf(title);
        QStringList values;
        for (const QStringList& row : rows)
            values << (index >= 0 && index < row.size() ? row[index] : QString());
        return values;
    }
    QList<qulonglong> numbers(const QString& title) const {
        QList<qulonglong> values;
        for (const QString& text : column(title))
            values << text.toULongLong();
        return values;
    }
};

inline CsvLog parseCsvLog(const QByteArray& json) {
    CsvLog log;
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    if (object.isEmpty())
        return log;
    log.read = true;
    log.header = object.value("header").toString();
    for (const QJsonValue& title : object.value("columns").toArray())
        log.columns << title.toString();
    for (const QJsonValue& row : object.value("rows").toArray()) {
        QStringList fields;
        for (const QJsonValue& field : row.toArray())
            fields << field.toString();
        log.rows << fields;
    }
    log.complete = object.value("complete").toBool();
    return log;
}

// Reads a log file (or, with an empty path, `input`) through csvlog.py.
inline CsvLog readCsvLog(const QString& path, const QByteArray& input = {}) {
    QProcess python;
    QStringList arguments = {QStringLiteral(CSV_READER)};
    if (!path.isEmpty())
        arguments << path;
    python.start(QStringLiteral("python3"), arguments);
    if (!python.waitForStarted(5000))
        return {};
    python.write(input);
    python.closeWriteChannel();
    if (!python.waitForFinished(10000) || python.exitCode() != 0) {
        qWarning("csvlog.py: %s", python.readAllStandardError().constData());
        return {};
    }
    return parseCsvLog(python.readAllStandardOutput());
}

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
            configPath = m_dir.filePath("board.ini");
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
        return m_dir.filePath(name);
    }
    // Events on standard output unless the log goes there.
    void setEventsOnStandardError(bool onError) {
        m_eventsOnError = onError;
    }
    // The file size limit the tool runs under (bytes; 0: none), with
    // SIGXFSZ ignored so that a write beyond it fails instead of killing it.
    void setFileSizeLimit(rlim_t bytes) {
        m_fileSizeLimit = bytes;
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
            for (int i = m_searched; i < m_events.size(); ++i) {
                if (m_events[i].value("event").toString() == name && (!accept || accept(m_events[i]))) {
                    m_searched = i + 1;
                    return m_events[i];
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
        m_error += readAllStandardError();
        // A sanitizer's report from the tool goes where CTest looks for it.
        for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"}) {
            if (m_error.contains(marker))
                qWarning("kivratolm-capture: %s", m_error.constData());
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
        return m_events;
    }
    QStringList eventNames() {
        QStringList names;
        for (const QJsonObject& event : events())
            names << event.value("event").toString();
        return names;
    }
    // Every JSON line well formed, each with "event" and "time".
    bool eventsWellFormed() const {
        return m_malformed == 0;
    }
    QByteArray standardOutput() {
        readEvents();
        return m_output;
    }
    QString standardError() {
        readEvents();
        return QString::fromLocal8Bit(m_error);
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
        if (m_fileSizeLimit == 0)
            return;
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{m_fileSizeLimit, m_fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }

    void readEvents() {
        const QByteArray out = readAllStandardOutput();
        const QByteArray err = readAllStandardError();
        m_output += out;
        m_error += err;
        QByteArray& channel = m_eventsOnError ? m_error : m_output;
        // Whole lines only; a line is one event.
        while (true) {
            const int end = channel.indexOf('\n', m_eventScan);
            if (end < 0)
                break;
            const QByteArray line = channel.mid(m_eventScan, end - m_eventScan);
            m_eventScan = end + 1;
            if (!line.startsWith('{'))
                continue; // a message on standard error, or a log row
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(line, &error);
            const QJsonObject event = document.object();
            if (error.error != QJsonParseError::NoError || !event.value("event").isString() ||
                !event.value("time").isDouble())
                ++m_malformed;
            m_events << event;
        }
    }

    QTemporaryDir m_dir;
    QList<QJsonObject> m_events;
    QByteArray m_output;
    QByteArray m_error;
    int m_eventScan = 0;
    int m_searched = 0;
    int m_malformed = 0;
    bool m_eventsOnError = false;
    rlim_t m_fileSizeLimit = 0;
};
