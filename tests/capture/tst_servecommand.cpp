// The commands of a served bench as they come off the broker: what a command
// becomes, and the refusal (code and message) for everything else, files
// leaving the served folder through links included.
#include "CaptureOptions.h"
#include "ServeCommand.h"

#include <QtTest>

class ServeCommandTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir top;
    QString served; // top/served
    CaptureOptions options;

    QString inTop(const QString& name) const { return top.filePath(name); }

private slots:
    void initTestCase() {
        // served/ with a folder and links that stay inside, beside outside/.
        QVERIFY(QDir(top.path()).mkpath("served/sub"));
        QVERIFY(QDir(top.path()).mkpath("outside/deeper"));
        served = QFileInfo(inTop("served")).canonicalFilePath();
        QVERIFY(QFile::link(inTop("outside/deeper"), inTop("served/out")));
        QVERIFY(QFile::link(inTop("outside/x.csv"), inTop("served/file-link.csv")));
        QVERIFY(QFile::link(inTop("served/sub"), inTop("served/in-link")));
        QVERIFY(QFile::link(inTop("nowhere/x.csv"), inTop("served/dangling.csv")));
        const CaptureOptionsResult parsed = parseCaptureOptions(
            {"kivratolm-capture", "use=usb/-", "--rate", "100", "--mqtt", "h", "--serve", inTop("served")});
        QCOMPARE(parsed.error, QString());
        options = parsed.options;
        QCOMPARE(options.serveDir, served);
    }

    void commands_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("id");   // as JSON
        QTest::addColumn<QString>("refusal"); // a piece of the message; empty: it runs
        QTest::addColumn<QString>("output");  // the log it writes, in the served folder
        const auto capture = [](const QByteArray& args) {
            return QByteArray("{\"id\": \"c\", \"command\": \"capture\", \"args\": ") + args + "}";
        };
        QTest::newRow("status") << QByteArray("{\"id\": 7, \"command\": \"status\"}") << QByteArray("7") << ""
                                << "";
        QTest::newRow("stop") << QByteArray("{\"id\": \"s\", \"command\": \"stop\"}") << QByteArray("\"s\"") << ""
                              << "";
        QTest::newRow("capture") << capture("[\"-o\", \"run.csv\", \"--pre\", \"10\", \"--trigger\", \"level:A1>5\"]")
                                 << QByteArray("\"c\"") << ""
                                 << "run.csv";
        QTest::newRow("a series") << capture("[\"-o\", \"run-{n}.csv\"]") << QByteArray("\"c\"") << ""
                                  << "run-{n}.csv";
        QTest::newRow("a link that stays inside")
            << capture("[\"-o\", \"in-link/run.csv\", \"--samples=5\"]") << QByteArray("\"c\"") << ""
            << "sub/run.csv";

        QTest::newRow("not JSON") << QByteArray("capture now") << QByteArray("null")
                                  << "a command is a JSON object such as"
                                  << "";
        QTest::newRow("an array") << QByteArray("[{\"id\": 1}]") << QByteArray("null")
                                  << "a command is a JSON object such as"
                                  << "";
        QTest::newRow("too large") << QByteArray("{\"id\": 1, \"x\": \"") + QByteArray(20000, 'x') + "\"}"
                                   << QByteArray("null") << "a command has at most 16384 bytes"
                                   << "";
        QTest::newRow("no id") << QByteArray("{\"command\": \"status\"}") << QByteArray("null")
                               << "a command needs an \"id\""
                               << "";
        QTest::newRow("id an object") << QByteArray("{\"id\": {}, \"command\": \"status\"}") << QByteArray("null")
                                      << "a command needs an \"id\""
                                      << "";
        QTest::newRow("id too long") << QByteArray("{\"id\": \"") + QByteArray(257, 'i') + "\", \"command\": \"stop\"}"
                                     << QByteArray("null") << "a number or a string of 1 to 256 bytes"
                                     << "";
        QTest::newRow("unknown command") << QByteArray("{\"id\": 2, \"command\": \"launch\"}") << QByteArray("2")
                                         << "unknown command 'launch': the commands are capture, force, stop and status"
                                         << "";
        QTest::newRow("command not a string") << QByteArray("{\"id\": 3, \"command\": [\"stop\"]}") << QByteArray("3")
                                              << "\"command\" is missing or not a string"
                                              << "";
        QTest::newRow("args not a list") << capture("\"-o run.csv\"") << QByteArray("\"c\"")
                                         << "\"args\" is a list of at most 64 strings"
                                         << "";
        QTest::newRow("a number among the args")
            << capture("[\"--pre\", 5]") << QByteArray("\"c\"") << "\"args\" is a list of at most 64 strings"
            << "";
        QTest::newRow("args of a status") << QByteArray("{\"id\": 4, \"command\": \"status\", \"args\": []}")
                                          << QByteArray("4") << "only capture takes \"args\""
                                          << "";
        QTest::newRow("a bad value") << capture("[\"-o\", \"run.csv\", \"--pre\", \"-1\"]") << QByteArray("\"c\"")
                                     << "--pre takes a number of frames from 0 to 100000, not '-1'"
                                     << "";
        QTest::newRow("an unknown option")
            << capture("[\"-o\", \"run.csv\", \"--frames\", \"3\"]") << QByteArray("\"c\"") << "Unknown option 'frames'"
            << "";
        QTest::newRow("no output") << capture("[]") << QByteArray("\"c\"") << "no output given: add -o FILE"
                                   << "";
        QTest::newRow("the bench's rate") << capture("[\"--rate\", \"5\", \"-o\", \"run.csv\"]") << QByteArray("\"c\"")
                                          << "'--rate' is not for a served capture: a served capture takes --pre"
                                          << "";
        QTest::newRow("another board") << capture("[\"use=net/h:1\", \"-o\", \"run.csv\"]") << QByteArray("\"c\"")
                                       << "'use=net/h:1' is not for a served capture"
                                       << "";
        QTest::newRow("-o -") << capture("[\"-o\", \"-\"]") << QByteArray("\"c\"") << "-o - is not for a served capture"
                              << "";
        QTest::newRow("-o- in one") << capture("[\"-o-\"]") << QByteArray("\"c\"") << "-o - is not for a served capture"
                                    << "";
        QTest::newRow("absolute, outside") << capture("[\"-o\", \"/tmp/run.csv\"]") << QByteArray("\"c\"")
                                           << "-o /tmp/run.csv leads out of the served folder"
                                           << "";
        QTest::newRow("up and out") << capture("[\"-o\", \"sub/../../run.csv\"]") << QByteArray("\"c\"")
                                    << "leads out of the served folder"
                                    << "";
        QTest::newRow("a folder link out") << capture("[\"-o\", \"out/run.csv\"]") << QByteArray("\"c\"")
                                           << "-o out/run.csv leads out of the served folder"
                                           << "";
        QTest::newRow("up from a link") << capture("[\"-o\", \"out/../run.csv\"]") << QByteArray("\"c\"")
                                        << "leads out of the served folder"
                                        << "";
        QTest::newRow("a file link out") << capture("[\"-o\", \"file-link.csv\"]") << QByteArray("\"c\"")
                                         << "leads out of the served folder"
                                         << "";
        QTest::newRow("a link to nowhere")
            << capture("[\"-o\", \"dangling.csv\"]") << QByteArray("\"c\"") << "leads out of the served folder"
            << "";
        QTest::newRow("a placeholder in the folder")
            << capture("[\"-o\", \"{date}/run.csv\"]") << QByteArray("\"c\"")
            << "-o {date}/run.csv: a served capture takes placeholders in the file's name only"
            << "";
        QTest::newRow("the folder itself")
            << capture("[\"-o\", \".\"]") << QByteArray("\"c\"") << "leads out of the served folder"
            << "";
        QTest::newRow("calibration outside")
            << capture("[\"-o\", \"run.csv\", \"cfg=out/a.tolmcal3\"]") << QByteArray("\"c\"")
            << "cfg=out/a.tolmcal3 leads out of the served folder"
            << "";
    }

    void commands() {
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, id);
        QFETCH(QString, refusal);
        QFETCH(QString, output);
        const ServeCommand command = parseServeCommand(payload, options);
        QCOMPARE(command.id, QJsonDocument::fromJson("[" + id + "]").array().at(0));
        QVERIFY2(command.error.contains(refusal), qPrintable(command.error));
        QCOMPARE(command.isRefused(), !refusal.isEmpty());
        QCOMPARE(command.code, refusal.isEmpty() ? 0 : 2);
        // The reply carries all of it.
        const QJsonObject reply = QJsonDocument::fromJson(serveReply(command.id, command.code, command.error)).object();
        QCOMPARE(reply.value("id"), command.id);
        QCOMPARE(reply.value("ok").toBool(), refusal.isEmpty());
        QCOMPARE(reply.contains("code"), !refusal.isEmpty());
        QCOMPARE(reply.value("message").toString(), command.error);
        if (output.isEmpty())
            return;
        QCOMPARE(command.options.output, served + "/" + output);
        QCOMPARE(command.options.rate, 100.0); // the bench's
        QCOMPARE(command.options.mqtt.host, QString("h"));
    }
};

QTEST_GUILESS_MAIN(ServeCommandTest)
#include "tst_servecommand.moc"
