// A real mosquitto broker for one test, on a free loopback port with its own
// configuration and folder (never the machine's broker service), and
// mosquitto_sub as a real subscriber whose lines land in a file.
#pragma once

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <unistd.h>

// A loopback port that nothing listens on at the moment.
inline quint16 freeLoopbackPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

class MosquittoBroker {
public:
    // `config`: the configuration without the listener; %DIR% stands for the
    // broker's folder. The first listener is plain, on port().
    explicit MosquittoBroker(const QString& config = QStringLiteral("allow_anonymous true\n"))
        : configText(config) {
        brokerPort = freeLoopbackPort();
    }
    ~MosquittoBroker() { stop(SIGKILL); }

    QString path(const QString& name) const { return folder.filePath(name); }
    quint16 port() const { return brokerPort; }

    // Starts, or starts again on the same port, and waits until it accepts connections.
    bool start() {
        QFile file(path("mosquitto.conf"));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        QString text = QStringLiteral("listener %1 127.0.0.1\n").arg(brokerPort) + configText;
        // As root it would become the user mosquitto, who cannot read the test's folder.
        if (::geteuid() == 0)
            text.prepend(QStringLiteral("user root\n"));
        file.write(text.replace(QStringLiteral("%DIR%"), folder.path()).toUtf8());
        file.close();
        process.setProgram(QStringLiteral("mosquitto"));
        process.setArguments({QStringLiteral("-c"), path("mosquitto.conf")});
        process.setStandardOutputFile(path("broker.log"), QIODevice::Append);
        process.setStandardErrorFile(path("broker.log"), QIODevice::Append);
        process.start();
        if (!process.waitForStarted(5000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 && process.state() == QProcess::Running) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, brokerPort);
            if (probe.waitForConnected(200))
                return true;
            QTest::qWait(50);
        }
        return false;
    }
    void stop(int signalNumber) {
        if (process.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QString log() const {
        QFile file(path("broker.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir folder;
    QString configText;
    quint16 brokerPort = 0;
    QProcess process;
};

// mosquitto_sub on `topics`, its "topic payload" lines (payloads of one line)
// in a file. Ready once its subscription holds: it then has the broker's
// retained version line.
class MosquittoSubscriber {
public:
    MosquittoSubscriber(quint16 port, const QStringList& topics, const QStringList& extraArguments = {}) {
        QStringList arguments = {"-h", "127.0.0.1", "-p", QString::number(port), "-v",
                                 "-q", "1",         "-t", "$SYS/broker/version"};
        for (const QString& topic : topics)
            arguments << "-t" << topic;
        process.setProgram(QStringLiteral("mosquitto_sub"));
        process.setArguments(arguments + extraArguments);
        process.setStandardOutputFile(folder.filePath("messages"));
        process.start();
    }
    ~MosquittoSubscriber() {
        process.kill();
        process.waitForFinished(5000);
    }

    bool waitUntilSubscribed(int timeoutMs = 5000) {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < timeoutMs && process.state() != QProcess::NotRunning) {
            if (!messages(QStringLiteral("$SYS/broker/version")).isEmpty())
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    // The payloads received on `topic`, in order.
    QList<QByteArray> messages(const QString& topic) const {
        QFile file(folder.filePath("messages"));
        QList<QByteArray> payloads;
        if (!file.open(QIODevice::ReadOnly))
            return payloads;
        const QByteArray prefix = topic.toUtf8() + ' ';
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith(prefix))
                payloads << line.mid(prefix.size());
        }
        return payloads;
    }
    QList<QJsonObject> objects(const QString& topic) const {
        QList<QJsonObject> list;
        for (const QByteArray& payload : messages(topic))
            list << QJsonDocument::fromJson(payload).object();
        return list;
    }

private:
    QTemporaryDir folder;
    QProcess process;
};

// The retained message of `topic` as a new subscriber gets it; empty after
// `timeoutSeconds` without one.
inline QByteArray retainedMessage(quint16 port, const QString& topic, const QStringList& extraArguments = {}) {
    QProcess sub;
    sub.start(QStringLiteral("mosquitto_sub"), QStringList{"-h", "127.0.0.1", "-p", QString::number(port), "-t", topic,
                                                           "-C", "1", "-W", "5", "--retained-only"} +
                                                   extraArguments);
    sub.waitForFinished(10000);
    return sub.readAllStandardOutput().trimmed();
}
