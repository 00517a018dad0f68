// The soak run's verdict rests on this check: it must notice every kind of
// damage a capture log can show, or a broken run would pass.
#include "CaptureLogCheck.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

class TestCaptureLogCheck : public QObject {
    Q_OBJECT

private slots:
    void rows_data();
    void rows();
    void missingFile();
};

void TestCaptureLogCheck::rows_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("lost");
    QTest::addColumn<int>("doubled");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("malformed");
    QTest::addColumn<bool>("clean");

    // timestamp; sensor; counter (the board's frame number);
    QTest::newRow("contiguous") << "100;0.5;10;\n104;0.5;11;\n108;0.5;12;\n" << 3 << 0 << 0 << 0 << 0 << true;
    QTest::newRow("one frame lost") << "100;0.5;10;\n108;0.5;12;\n112;0.5;13;\n" << 3 << 1 << 0 << 1 << 0 << false;
    QTest::newRow("one row twice") << "100;0.5;10;\n104;0.5;11;\n104;0.5;11;\n" << 3 << 0 << 1 << 1 << 0 << false;
    QTest::newRow("timestamp jump only") << "100;0.5;10;\n105;0.5;11;\n" << 2 << 0 << 0 << 1 << 0 << false;
    QTest::newRow("cut row") << "100;0.5;10;\n104;0.5\n" << 1 << 0 << 0 << 0 << 1 << false;
    QTest::newRow("text in a number") << "100;0.5;10;\n104;0.5;1x;\n" << 1 << 0 << 0 << 0 << 1 << false;
    QTest::newRow("no rows") << "" << 0 << 0 << 0 << 0 << 0 << false;
}

void TestCaptureLogCheck::rows() {
    QFETCH(QString, rows);
    QFETCH(int, count);
    QFETCH(int, lost);
    QFETCH(int, doubled);
    QFETCH(int, steps);
    QFETCH(int, malformed);
    QFETCH(bool, clean);

    QTemporaryDir dir;
    const std::string fileName = dir.filePath("log.csv").toStdString();
    std::ofstream(fileName) << "# Sample rate: 250.00000000 Hz\nTimeStamp (ms);Sensor A1 (%);Counter;\n"
                            << rows.toStdString();
    const CaptureLogCheck check = CaptureLogCheck::read(fileName, 4);
    QCOMPARE(check.rows, std::uint64_t(count));
    QCOMPARE(check.lostFrames, std::uint64_t(lost));
    QCOMPARE(check.doubledRows, std::uint64_t(doubled));
    QCOMPARE(check.timestampSteps, std::uint64_t(steps));
    QCOMPARE(check.malformedRows, std::uint64_t(malformed));
    QCOMPARE(check.clean(), clean);
    QVERIFY(check.error.empty());
}

void TestCaptureLogCheck::missingFile() {
    QTemporaryDir dir;
    const CaptureLogCheck check = CaptureLogCheck::read(dir.filePath("none.csv").toStdString(), 4);
    QVERIFY(!check.error.empty());
    QVERIFY(!check.clean());
}

QTEST_APPLESS_MAIN(TestCaptureLogCheck)
#include "tst_capturelogcheck.moc"
