// kivratolm-capture on a network board served by kivratolm-board-emulator:
// a capture over the network, a board another program already uses, and a
// server that is killed and started again under --reconnect.
#include "BoardServerProcess.h"
#include "ToolProcess.h"

#include <QtTest>

#include <csignal>

namespace {

// The counter is the board's frame number at 1000 frames/s.
const QString numberedBoard = "[board0]\npattern = ramp\npulsePeriodMs = 1\n";

QString use(const BoardServerProcess& server) {
    return "use=net/" + server.address();
}

} // namespace

class CaptureToolNetworkTest : public QObject {
    Q_OBJECT

private slots:
    void captureFromANetworkBoard() {
        BoardServerProcess server(numberedBoard);
        QVERIFY(server.start());
        ToolProcess tool;
        const QString log = tool.path("net.csv");
        tool.run({use(server), "--rate", "1000", "--pre", "10", "--samples", "200", "--log", "timestamp,counter",
                  "--sensors", "A1", "--events", "-o", log});
        QCOMPARE(tool.finish(), 0);
        const CsvLog csv = readCsvLog(log);
        QCOMPARE(csv.rows.size(), 210);
        QVERIFY(consecutive(csv.numbers("Counter")));
        QCOMPARE(tool.events().last().value("rows").toInt(), 210);
        // The board's details come with its Open answer; it tells no identifier.
        QFile description(log + ".json");
        QVERIFY(description.open(QIODevice::ReadOnly));
        const QJsonObject board = QJsonDocument::fromJson(description.readAll()).object().value("board").toObject();
        QCOMPARE(board.value("address").toString(), server.address());
        QCOMPARE(board.value("details").toString(), QString("KivraTolm emulated board"));
        QVERIFY(board.value("identifier").isNull());
    }

    // The DAQ window or another capture holds the board: the server's own
    // message, exit code 3.
    void busyBoard() {
        BoardServerProcess server(numberedBoard);
        QVERIFY(server.start());
        ToolProcess first;
        first.run({use(server), "--rate", "1000", "--log", "counter", "--events", "-o", first.path("first.csv")});
        QVERIFY(!first.waitForEvent("triggered").isEmpty());

        ToolProcess second;
        second.run({use(server), "--events", "-o", second.path("second.csv")});
        QCOMPARE(second.finish(), 3);
        QVERIFY2(
            second.standardError().contains(QRegularExpression("kivratolm-capture: board net/127\\.0\\.0\\.1:\\d+: "
                                                               ".* is busy")),
            qPrintable(second.standardError()));
        QCOMPARE(second.events().last().value("end").toString(), QString("error"));
        QVERIFY(!QFile::exists(second.path("second.csv")));

        first.signal(SIGINT);
        QCOMPARE(first.finish(), 0);
        QVERIFY(readCsvLog(first.path("first.csv")).rows.size() > 0);
    }

    void serverLostWithoutReconnect() {
        BoardServerProcess server(numberedBoard);
        QVERIFY(server.start());
        ToolProcess tool;
        const QString log = tool.path("lost.csv");
        tool.run({use(server), "--rate", "1000", "--log", "counter", "--sensors", "none", "--events", "-o", log});
        QVERIFY(!tool.waitForEvent("progress", 10000, [](const QJsonObject& e) { return e["rows"].toInt() > 0; })
                     .isEmpty());
        server.kill();
        QCOMPARE(tool.finish(), 3);
        QVERIFY2(tool.standardError().contains("Lost the connection to the network board at " + server.address()),
                 qPrintable(tool.standardError()));
        // What arrived before stays, whole rows.
        const CsvLog csv = readCsvLog(log);
        QVERIFY(csv.complete);
        QCOMPARE(csv.rows.size(), tool.events().last().value("rows").toInt());
        QVERIFY(consecutive(csv.numbers("Counter")));
    }

    // The server dies and comes back on the same port: the same capture goes
    // on in the same file.
    void reconnectAfterTheServerCameBack() {
        BoardServerProcess server(numberedBoard);
        QVERIFY(server.start());
        const quint16 port = server.port();
        ToolProcess tool;
        const QString log = tool.path("reconnect.csv");
        tool.run({use(server), "--rate", "1000", "--log", "counter", "--sensors", "none", "--reconnect", "20",
                  "--events", "-o", log});
        const QJsonObject before =
            tool.waitForEvent("progress", 10000, [](const QJsonObject& e) { return e["rows"].toInt() > 0; });
        QVERIFY(!before.isEmpty());

        server.kill();
        const QJsonObject reconnect = tool.waitForEvent("reconnect");
        QCOMPARE(reconnect.value("attempt").toInt(), 1);
        QVERIFY2(reconnect.value("message").toString().contains(server.address()),
                 qPrintable(reconnect.value("message").toString()));
        // The message on standard error may come after the event on standard output.
        QTRY_VERIFY_WITH_TIMEOUT(tool.standardError().contains("starting again in 1 s (attempt 1 of 20)"), 5000);
        const int rowsAtLoss = tool.waitForEvent("progress").value("rows").toInt();

        QVERIFY(server.start(port));
        // Rows keep coming after the restart.
        QVERIFY(!tool.waitForEvent("progress", 15000,
                                   [&](const QJsonObject& e) { return e["rows"].toInt() > rowsAtLoss + 500; })
                     .isEmpty());
        tool.signal(SIGINT);
        QCOMPARE(tool.finish(), 0);
        QCOMPARE(tool.events().last().value("end").toString(), QString("stopped"));
        QCOMPARE(tool.events().last().value("gaps").toInt(), 1);
        QList<QJsonObject> gapEvents;
        for (const QJsonObject& event : tool.events())
            if (event.value("event") == "gap")
                gapEvents << event;
        QCOMPARE(gapEvents.size(), 1);
        const QJsonObject gap = gapEvents.first();
        QVERIFY(gap.value("first_after").toDouble() > gap.value("last_before").toDouble());
        QVERIFY(gap.value("missing_ms").toDouble() > 0);

        // One capture, one file: the board's frames before the loss, then
        // those of the restarted board, whose count starts again.
        const CsvLog csv = readCsvLog(log);
        QVERIFY(csv.complete);
        QCOMPARE(csv.rows.size(), tool.events().last().value("rows").toInt());
        const QList<qulonglong> counters = csv.numbers("Counter");
        int restarts = 0;
        for (int i = 1; i < counters.size(); ++i) {
            if (counters[i] != counters[i - 1] + 1) {
                ++restarts;
                QVERIFY(counters[i] < counters[i - 1]);
            }
        }
        QCOMPARE(restarts, 1);
        QFile description(log + ".json");
        QVERIFY(description.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(description.readAll()).object().value("gaps").toArray().size(), 1);
    }

    // Lost before the trigger: armed anew with the restarted board, whose
    // counter the external trigger then compares with.
    void reconnectBeforeTheTriggerArmsAgain() {
        BoardServerProcess server("[board0]\npulsePeriodMs = 0\n");
        QVERIFY(server.start());
        const quint16 port = server.port();
        ToolProcess tool;
        const QString log = tool.path("armed.csv");
        tool.run({use(server), "--rate", "1000", "--trigger", "external", "--reconnect", "20", "--events", "-o", log});
        QVERIFY(!tool.waitForEvent("armed").isEmpty());
        server.kill();
        QVERIFY(!tool.waitForEvent("reconnect").isEmpty());
        QVERIFY(server.start(port));
        QVERIFY(!tool.waitForEvent("armed").isEmpty());
        tool.signal(SIGTERM);
        QCOMPARE(tool.finish(), 130);
        QVERIFY(!tool.eventNames().contains("triggered"));
        QVERIFY(!QFile::exists(log));
    }
};

QTEST_GUILESS_MAIN(CaptureToolNetworkTest)
#include "tst_capturetool_network.moc"
