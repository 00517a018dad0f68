// The bounded queues in front of the broker: what an outage costs and how
// it is told.
#include "BenchTopics.h"
#include "OutgoingQueue.h"

#include <QtTest>

namespace {

using Kind = OutgoingMessage::Kind;

OutgoingMessage message(Kind kind, const std::string& payload) {
    return {kind, "t", payload, std::nullopt};
}

OutgoingQueue smallQueue() {
    return OutgoingQueue(
        2, 3, [](std::uint64_t dropped) { return message(Kind::Event, "dropped " + std::to_string(dropped)); });
}

QStringList drain(OutgoingQueue& queue) {
    QStringList payloads;
    while (const std::optional<OutgoingMessage> next = queue.take())
        payloads << QString::fromStdString(next->payload);
    return payloads;
}

} // namespace

class OutgoingQueueTest : public QObject {
    Q_OBJECT

private slots:
    void fullQueuesDropAndCount_data() {
        QTest::addColumn<QStringList>("pushed"); // kind letter (l live, e event, p progress) and payload
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("liveDropped");
        QTest::addColumn<int>("eventsDropped");
        QTest::newRow("within bounds") << QStringList{"l1", "e1", "p1"} << QStringList{"e1", "p1", "l1"} << 0 << 0;
        QTest::newRow("live keeps the newest")
            << QStringList{"l1", "l2", "l3", "l4"} << QStringList{"l3", "l4"} << 2 << 0;
        QTest::newRow("progress goes first, and a note says so")
            << QStringList{"e1", "p1", "p2", "e2", "e3"} << QStringList{"dropped 2", "e1", "e2", "e3"} << 0 << 2;
        QTest::newRow("without progress the oldest event goes")
            << QStringList{"e1", "e2", "e3", "e4"} << QStringList{"dropped 1", "e2", "e3", "e4"} << 0 << 1;
    }
    void fullQueuesDropAndCount() {
        QFETCH(QStringList, pushed);
        QFETCH(QStringList, sent);
        QFETCH(int, liveDropped);
        QFETCH(int, eventsDropped);
        OutgoingQueue queue = smallQueue();
        for (const QString& item : pushed) {
            const Kind kind = item[0] == 'l' ? Kind::Live : item[0] == 'p' ? Kind::Progress : Kind::Event;
            queue.push(message(kind, item.toStdString()));
        }
        QCOMPARE(drain(queue), sent);
        QVERIFY(queue.isEmpty());
        QCOMPARE(queue.liveDropped(), std::uint64_t(liveDropped));
        QCOMPARE(queue.eventsDropped(), std::uint64_t(eventsDropped));
    }

    void defaultPrefixesDifferPerBoard_data() {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("usb") << "usb"
                             << "-"
                             << "kivratolm/lab_1/usb";
        QTest::newRow("net") << "net"
                             << "10.0.0.7:5025"
                             << "kivratolm/lab_1/10.0.0.7_5025";
        QTest::newRow("wildcards") << "net"
                                   << "a+b#/c:1"
                                   << "kivratolm/lab_1/a_b__c_1";
    }
    void defaultPrefixesDifferPerBoard() {
        QFETCH(QString, bus);
        QFETCH(QString, address);
        QFETCH(QString, prefix);
        QCOMPARE(defaultBenchPrefix("lab 1", bus, address), prefix);
    }
};

QTEST_GUILESS_MAIN(OutgoingQueueTest)
#include "tst_outgoingqueue.moc"
