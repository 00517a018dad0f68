// kivratolm-capture publishing to a real mosquitto broker that each test
// starts on a free loopback port, watched by a real subscriber
// (mosquitto_sub): live frames against the log, status and Last Will, an
// outage of the broker, and a broker that is absent, refuses a password or
// speaks TLS.
#include "MosquittoBroker.h"
#include "ToolFixtures.h"
#include "ToolProcess.h"

#include <QtTest>

#include <cmath>
#include <csignal>

namespace {

const QString prefix = QStringLiteral("test/bench");

QJsonObject lastStatus(const MosquittoSubscriber& sub) {
    const QList<QJsonObject> statuses = sub.objects(prefix + "/status");
    return statuses.isEmpty() ? QJsonObject() : statuses.last();
}

bool hasEvent(const MosquittoSubscriber& sub, const QString& name) {
    for (const QJsonObject& event : sub.objects(prefix + "/event"))
        if (event.value("event").toString() == name)
            return true;
    return false;
}

// The tool's --events lines with the "command" that the broker's copy adds.
QList<QJsonObject> withCommand(QList<QJsonObject> events) {
    for (QJsonObject& event : events)
        event.insert("command", QJsonValue::Null);
    return events;
}

// Runs a certificate authority and a broker certificate for 127.0.0.1 into `dir`.
bool makeCertificates(const QString& dir) {
    const auto openssl = [&](const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(dir);
        process.start("openssl", arguments);
        return process.waitForFinished(30000) && process.exitCode() == 0;
    };
    return openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.crt", "-days",
                    "2", "-subj", "/CN=Test CA"}) &&
           openssl({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "broker.key", "-out", "broker.csr", "-subj",
                    "/CN=127.0.0.1"}) &&
           openssl({"x509", "-req", "-in", "broker.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial", "-out",
                    "broker.crt", "-days", "2", "-extfile", "san.ext"});
}

// Sends one command to the served bench as another client would.
void command(quint16 port, const QByteArray& json, const QStringList& extra = {}) {
    QCOMPARE(QProcess::execute("mosquitto_pub", QStringList{"-p", QString::number(port), "-q", "1", "-t",
                                                            prefix + "/command", "-m", QString::fromUtf8(json)} +
                                                    extra),
             0);
}

QList<QJsonObject> repliesTo(const MosquittoSubscriber& sub, const QJsonValue& id,
                             const QString& topic = prefix + "/reply") {
    QList<QJsonObject> replies;
    for (const QJsonObject& reply : sub.objects(topic))
        if (reply.value("id") == id)
            replies << reply;
    return replies;
}

} // namespace

class CaptureToolMqttTest : public QObject {
    Q_OBJECT

private slots:
    // Every frame of 10 s at 1000 frames/s reaches the subscriber, numbered
    // without a gap and with the values of the log's rows; the events are the
    // tool's own; the status stays retained and says offline after the end.
    void everyFrameArrivesAsTheLogHasIt() {
        MosquittoBroker broker;
        QVERIFY(broker.start());
        MosquittoSubscriber sub(broker.port(), {prefix + "/live", prefix + "/event", prefix + "/status"});
        QVERIFY(sub.waitUntilSubscribed());

        ToolProcess tool(numberedBoard);
        const QString log = tool.path("live.csv");
        tool.run({"use=usb/-", "cfg=" + writeCalibration(tool.path("kg.tolmcal3")), "--rate", "1000", "--time", "10s",
                  "--sensors", "all", "--log", "timestamp,analog,digital,counter", "--events", "-o", log, "--mqtt",
                  QString("127.0.0.1:%1").arg(broker.port()), "--mqtt-prefix", prefix, "--mqtt-live", "all"});
        QCOMPARE(tool.finish(30000), 0);
        QTRY_VERIFY_WITH_TIMEOUT(hasEvent(sub, "done"), 10000);

        QHash<qulonglong, QJsonObject> frames; // by time stamp
        qulonglong expected = 0;
        for (const QByteArray& message : sub.messages(prefix + "/live")) {
            for (const QJsonValue& value : QJsonDocument::fromJson(message).array()) {
                const QJsonObject frame = value.toObject();
                QCOMPARE(frame.value("n").toVariant().toULongLong(), expected++);
                frames.insert(qRound64(frame.value("t").toDouble() * 1000), frame);
            }
        }
        const CsvLog csv = readCsvLog(log);
        QVERIFY(csv.complete);
        QCOMPARE(csv.rows.size(), 10000);
        const QStringList keys = {"A1", "B1", "H8", "analog0", "analog3", "digital", "counter"};
        for (const QStringList& row : csv.rows) {
            const auto frame = frames.constFind(row[0].toULongLong());
            QVERIFY2(frame != frames.constEnd(), qPrintable(row[0]));
            for (const QString& key : keys) {
                const QString column = key.size() == 2    ? QString("Sensor %1 (%2)").arg(key, key == "A1" ? "kg" : "")
                                       : key == "digital" ? QString("Digital port (bits)")
                                       : key == "counter" ? QString("Counter")
                                                          : QString("AIn%1 (V)").arg(key.back());
                QCOMPARE(frame->value(key).toDouble(), row[csv.columns.indexOf(column)].toDouble());
            }
        }
        QCOMPARE(sub.objects(prefix + "/event"), withCommand(tool.events()));
        const QJsonObject retained =
            QJsonDocument::fromJson(retainedMessage(broker.port(), prefix + "/status")).object();
        QCOMPARE(retained.value("state").toString(), QString("offline"));
        QCOMPARE(retained.value("calibration").toObject().value("unit").toString(), QString("kg"));
        QCOMPARE(retained.value("board").toObject().value("bus").toString(), QString("usb"));
        QCOMPARE(retained.value("live_dropped").toInt(), 0);
    }

    // A bench driven only over MQTT: a capture armed on a level trigger that
    // never fires, forced, sent twice, a second capture refused while it
    // runs, a status asked for with an MQTT 5 response topic, then stopped.
    void servedBench() {
        MosquittoBroker broker;
        QVERIFY(broker.start());
        MosquittoSubscriber sub(broker.port(),
                                {prefix + "/reply", prefix + "/event", prefix + "/status", "client/answers"});
        QVERIFY(sub.waitUntilSubscribed());
        ToolProcess tool(numberedBoard);
        QVERIFY(QDir().mkpath(tool.path("served")));
        writeCalibration(tool.path("served/kg.tolmcal3"));
        tool.run({"use=usb/-", "--rate", "100", "--mqtt", QString("127.0.0.1:%1").arg(broker.port()), "--mqtt-prefix",
                  prefix, "--serve", tool.path("served")});
        QTRY_COMPARE_WITH_TIMEOUT(lastStatus(sub).value("state").toString(), QString("idle"), 10000);

        const QByteArray capture = R"({"id": "c1", "command": "capture", "args": ["-o", "run.csv", "cfg=kg.tolmcal3",
            "--pre", "5", "--trigger", "level:A1>1e9", "--log", "timestamp"]})";
        command(broker.port(), capture);
        QTRY_COMPARE_WITH_TIMEOUT(repliesTo(sub, "c1").size(), 1, 10000);
        QCOMPARE(repliesTo(sub, "c1")[0], QJsonObject({{"id", "c1"}, {"ok", true}}));
        command(broker.port(), R"({"id": "f1", "command": "force"})");
        QTRY_COMPARE_WITH_TIMEOUT(lastStatus(sub).value("state").toString(), QString("recording"), 10000);
        command(broker.port(), capture); // sent again: answered again, not armed again
        command(broker.port(), R"({"id": "c2", "command": "capture", "args": ["-o", "second.csv"]})");
        command(broker.port(), R"({"id": "s1", "command": "status"})",
                {"-V", "mqttv5", "-D", "publish", "response-topic", "client/answers", "-D", "publish",
                 "correlation-data", "corr"});
        QTRY_COMPARE_WITH_TIMEOUT(repliesTo(sub, "c2").size(), 1, 10000);
        QCOMPARE(repliesTo(sub, "c2")[0].value("code").toInt(), 3);
        QVERIFY(repliesTo(sub, "c2")[0].value("message").toString().contains("a capture runs already"));
        QTRY_COMPARE_WITH_TIMEOUT(repliesTo(sub, "s1", "client/answers").size(), 1, 10000);
        QCOMPARE(repliesTo(sub, "s1")[0].value("status").toObject().value("state").toString(), QString("recording"));
        QTRY_COMPARE_WITH_TIMEOUT(repliesTo(sub, "c1").size(), 2, 10000);
        QCOMPARE(repliesTo(sub, "c1")[1], repliesTo(sub, "c1")[0]);
        command(broker.port(), R"({"id": "s2", "command": "stop"})");
        QTRY_COMPARE_WITH_TIMEOUT(repliesTo(sub, "s2").size(), 1, 10000);
        QCOMPARE(repliesTo(sub, "s2")[0], QJsonObject({{"id", "s2"}, {"ok", true}}));
        command(broker.port(), "{\"command\": \"stop\"}");
        QTRY_COMPARE_WITH_TIMEOUT(repliesTo(sub, QJsonValue::Null).size(), 1, 10000);

        QStringList names;
        QJsonObject done;
        for (const QJsonObject& event : sub.objects(prefix + "/event")) {
            if (event.value("event").toString() == "broker")
                continue;
            QCOMPARE(event.value("command").toString(), QString("c1"));
            names << event.value("event").toString();
            done = event;
        }
        QCOMPARE(names.first(), QString("armed"));
        QCOMPARE(names.count("armed"), 1);
        QCOMPARE(done.value("event").toString(), QString("done"));
        QCOMPARE(done.value("end").toString(), QString("stopped"));
        QCOMPARE(done.value("file").toString(), tool.path("served/run.csv"));
        const CsvLog csv = readCsvLog(tool.path("served/run.csv"));
        QVERIFY(csv.complete);
        QCOMPARE(csv.rows.size(), done.value("rows").toInt());
        QVERIFY(csv.rows.size() > 5);
        QVERIFY(!QFile::exists(tool.path("served/second.csv")));
        tool.signal(SIGTERM);
        QCOMPARE(tool.finish(), 0);
    }

    // A tool that vanishes leaves its Last Will: offline.
    void lastWillAfterKill() {
        MosquittoBroker broker;
        QVERIFY(broker.start());
        MosquittoSubscriber sub(broker.port(), {prefix + "/status"});
        QVERIFY(sub.waitUntilSubscribed());
        ToolProcess tool(numberedBoard);
        tool.run({"use=usb/-", "-o", tool.path("killed.csv"), "--mqtt", QString("127.0.0.1:%1").arg(broker.port()),
                  "--mqtt-prefix", prefix});
        QTRY_COMPARE_WITH_TIMEOUT(lastStatus(sub).value("state").toString(), QString("recording"), 10000);
        tool.signal(SIGKILL);
        tool.finish();
        QTRY_COMPARE_WITH_TIMEOUT(lastStatus(sub).value("state").toString(), QString("offline"), 30000);
        QCOMPARE(lastStatus(sub).value("program").toString(), QString("kivratolm-capture"));
    }

    // The broker goes away for longer than the live queue lasts and comes
    // back: the log is whole, the events arrive in order, dropped live
    // messages are counted.
    void brokerRestartDuringCapture() {
        // The subscriber's session outlives the broker's restart.
        MosquittoBroker broker("allow_anonymous true\npersistence true\npersistence_location %DIR%/\n");
        QVERIFY(broker.start());
        const QStringList durable = {"-c", "-i", "watcher"};
        auto sub = std::make_unique<MosquittoSubscriber>(broker.port(), QStringList{prefix + "/event"}, durable);
        QVERIFY(sub->waitUntilSubscribed());

        ToolProcess tool(numberedBoard);
        const QString log = tool.path("outage.csv");
        tool.run({"use=usb/-", "--rate", "100", "--time", "14s", "--log", "timestamp", "--events", "-o", log, "--mqtt",
                  QString("127.0.0.1:%1").arg(broker.port()), "--mqtt-prefix", prefix});
        QVERIFY(!tool.waitForEvent("progress").isEmpty());
        broker.stop(SIGTERM);
        const QJsonObject lost = tool.waitForEvent("broker");
        QCOMPARE(lost.value("connected").toBool(), false);
        // Over 256 ticks (the live queue) without a broker.
        QVERIFY(!tool.waitForEvent("progress", 10000,
                                   [&](const QJsonObject& e) {
                                       return e.value("time").toDouble() - lost.value("time").toDouble() >= 6000;
                                   })
                     .isEmpty());
        QVERIFY(broker.start());
        sub = std::make_unique<MosquittoSubscriber>(broker.port(), QStringList{prefix + "/event"}, durable);
        QCOMPARE(tool.finish(30000), 0);

        const CsvLog csv = readCsvLog(log);
        QCOMPARE(csv.rows.size(), 1400);
        const QList<qulonglong> times = csv.numbers("TimeStamp (ms)");
        QCOMPARE(times.last() - times.first(), qulonglong(13990));
        QCOMPARE(tool.standardError().count("MQTT broker"), 2); // lost, back
        const QJsonObject retained =
            QJsonDocument::fromJson(retainedMessage(broker.port(), prefix + "/status")).object();
        QCOMPARE(retained.value("state").toString(), QString("offline"));
        QVERIFY(retained.value("live_dropped").toInt() > 0);
        // The broker stored what it had for the subscriber; the rest came after the restart.
        QTRY_VERIFY_WITH_TIMEOUT(hasEvent(*sub, "done"), 10000);
        QList<QJsonObject> received = sub->objects(prefix + "/event");
        QList<QJsonObject> sent = withCommand(tool.events());
        QCOMPARE(received, sent.mid(sent.size() - received.size()));
    }

    void connectionRefusedOrNot_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("password"); // in the environment
        QTest::addColumn<QString>("refusal");  // empty: connected
        QTest::newRow("no broker") << QStringList{"--mqtt", "127.0.0.1:%FREE%"} << ""
                                   << "Connection refused";
        QTest::newRow("wrong password") << QStringList{"--mqtt", "127.0.0.1:%PORT%",     "--mqtt-user",
                                                       "bench",  "--mqtt-password-file", "%DIR%/wrong"}
                                        << ""
                                        << "Connection Refused: not authorised.";
        QTest::newRow("password file") << QStringList{"--mqtt", "127.0.0.1:%PORT%",     "--mqtt-user",
                                                      "bench",  "--mqtt-password-file", "%DIR%/right"}
                                       << ""
                                       << "";
        QTest::newRow("password from the environment")
            << QStringList{"--mqtt", "127.0.0.1:%PORT%", "--mqtt-user", "bench"} << "s3cret"
            << "";
        QTest::newRow("TLS") << QStringList{"--mqtt",    "127.0.0.1:%TLS%",      "--mqtt-user",
                                            "bench",     "--mqtt-password-file", "%DIR%/right",
                                            "--mqtt-ca", "%DIR%/ca.crt"}
                             << ""
                             << "";
    }
    // A capture goes on as if there were no broker when it cannot publish,
    // and says so once; one that may publish leaves its retained status and
    // description.
    void connectionRefusedOrNot() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, password);
        QFETCH(QString, refusal);

        const quint16 tlsPort = freeLoopbackPort();
        MosquittoBroker broker(QString("allow_anonymous false\npassword_file %DIR%/passwords\n"
                                       "listener %1 127.0.0.1\ncafile %DIR%/ca.crt\ncertfile %DIR%/broker.crt\n"
                                       "keyfile %DIR%/broker.key\n")
                                   .arg(tlsPort));
        for (const auto& [name, text] : {std::pair<QString, QByteArray>{"right", "s3cret\n"},
                                         {"wrong", "guess\n"},
                                         {"san.ext", "subjectAltName=IP:127.0.0.1\n"}}) {
            QFile file(broker.path(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        }
        QCOMPARE(QProcess::execute("mosquitto_passwd", {"-b", "-c", broker.path("passwords"), "bench", "s3cret"}), 0);
        QVERIFY(makeCertificates(broker.path("")));
        QVERIFY2(broker.start(), qPrintable(broker.log()));

        for (QString& argument : arguments)
            argument.replace("%PORT%", QString::number(broker.port()))
                .replace("%TLS%", QString::number(tlsPort))
                .replace("%FREE%", QString::number(freeLoopbackPort()))
                .replace("%DIR%", broker.path(""));
        ToolProcess tool(numberedBoard);
        QProcessEnvironment environment = tool.processEnvironment();
        if (!password.isEmpty())
            environment.insert("KIVRA_MQTT_PASSWORD", password);
        tool.setProcessEnvironment(environment);
        const QString log = tool.path("refused.csv");
        tool.run(QStringList{"use=usb/-", "--rate", "50", "--samples", "100", "--events", "-o", log, "--mqtt-prefix",
                             prefix} +
                 arguments);
        QCOMPARE(tool.finish(), 0);
        QCOMPARE(readCsvLog(log).rows.size(), 100);

        QList<QJsonObject> links;
        for (const QJsonObject& event : tool.events())
            if (event.value("event").toString() == "broker")
                links << event;
        QCOMPARE(links.size(), 1);
        QCOMPARE(links[0].value("connected").toBool(), refusal.isEmpty());
        QCOMPARE(links[0].value("message").toString(), refusal);
        QCOMPARE(tool.standardError().count("MQTT broker"), refusal.isEmpty() ? 0 : 1);
        if (!refusal.isEmpty())
            return;
        const QStringList login = {"-u", "bench", "-P", "s3cret"};
        const QJsonObject status =
            QJsonDocument::fromJson(retainedMessage(broker.port(), prefix + "/status", login)).object();
        QCOMPARE(status.value("state").toString(), QString("offline"));
        const QJsonObject description =
            QJsonDocument::fromJson(retainedMessage(broker.port(), prefix + "/description", login)).object();
        QCOMPARE(description.value("rows").toInt(), 100);
    }
};

QTEST_GUILESS_MAIN(CaptureToolMqttTest)
#include "tst_capturetool_mqtt.moc"
