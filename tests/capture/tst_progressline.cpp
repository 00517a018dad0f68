// The progress line of kivratolm-capture while it records.
#include "ProgressLine.h"

#include <QtTest>

class ProgressLineTest : public QObject {
    Q_OBJECT

private slots:
    void recordingText_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("total");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("text");
        QTest::newRow("no length") << 120 << 0 << 50.0 << "Recording: 120 rows";
        QTest::newRow("seconds, rounded up") << 120 << 5050 << 1000.0 << "Recording: 120 of 5050 rows, 5 s left";
        QTest::newRow("minutes") << 0 << 3250 << 50.0 << "Recording: 0 of 3250 rows, 1:05 min left";
        QTest::newRow("hours") << 10 << 360010 << 50.0 << "Recording: 10 of 360010 rows, 2:00:00 h left";
        QTest::newRow("one frame every 2 s") << 1 << 3 << 0.5 << "Recording: 1 of 3 rows, 4 s left";
        QTest::newRow("every row there") << 70 << 70 << 1000.0 << "Recording: 70 of 70 rows, 0 s left";
    }

    void recordingText() {
        QFETCH(int, rows);
        QFETCH(int, total);
        QFETCH(double, rate);
        QFETCH(QString, text);
        QCOMPARE(ProgressLine::recordingText(rows, total, rate), text);
    }
};

QTEST_GUILESS_MAIN(ProgressLineTest)
#include "tst_progressline.moc"
