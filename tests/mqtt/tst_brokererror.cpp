#include "BrokerError.h"

#include <mosquitto.h>

#include <QtTest>

#include <cerrno>

class TestBrokerError : public QObject {
    Q_OBJECT

private slots:
    void saysWhatWentWrong_data() {
        QTest::addColumn<int>("rc");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("keep-alive timeout")
            << int(MOSQ_ERR_KEEPALIVE) << 0 << "the broker did not answer within the keep-alive time";
        QTest::newRow("system error") << int(MOSQ_ERR_ERRNO) << ECONNREFUSED << "Connection refused";
        QTest::newRow("libmosquitto's own text") << int(MOSQ_ERR_CONN_LOST) << 0 << "The connection was lost.";
        QTest::newRow("a code it does not know") << 99 << 0 << "libmosquitto error 99";
    }
    void saysWhatWentWrong() {
        QFETCH(int, rc);
        QFETCH(int, error);
        QFETCH(QString, text);
        errno = error;
        QCOMPARE(brokerErrorText(rc), text);
    }
};

QTEST_GUILESS_MAIN(TestBrokerError)
#include "tst_brokererror.moc"
