#include "SensorList.h"
#include "SensorPosition.h"

#include <QtTest>

#include <set>

class TestSensorPosition : public QObject {
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void everySensorRoundTrips();
    void notASensorName_data();
    void notASensorName();
    void listsRunColumnByColumn();
};

void TestSensorPosition::names_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::newRow("first") << 0 << 0 << "A1" << 0;
    QTest::newRow("last") << 7 << 7 << "H8" << 63;
    QTest::newRow("C4") << 2 << 3 << "C4" << 26;
    QTest::newRow("A8") << 0 << 7 << "A8" << 56;
    QTest::newRow("H1") << 7 << 0 << "H1" << 7;
}

void TestSensorPosition::names() {
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QString, name);
    QFETCH(int, index);
    const SensorPosition sensor{column, row};
    QCOMPARE(QString::fromStdString(sensor.name()), name);
    QCOMPARE(sensor.index(), index);
    QVERIFY(SensorPosition::fromIndex(index) == sensor);
    QVERIFY(SensorPosition::fromName(name.toStdString()) == sensor);
    QVERIFY(SensorPosition::fromName(name.toLower().toStdString()) == sensor);
}

void TestSensorPosition::everySensorRoundTrips() {
    std::set<std::string> names;
    for (int index = 0; index < 64; ++index) {
        const SensorPosition sensor = SensorPosition::fromIndex(index);
        QCOMPARE(sensor.index(), index);
        names.insert(sensor.name());
        QVERIFY(SensorPosition::fromName(sensor.name()) == sensor);
    }
    QCOMPARE(names.size(), std::size_t(64));
}

void TestSensorPosition::notASensorName_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "";
    QTest::newRow("letter only") << "A";
    QTest::newRow("column beyond H") << "I1";
    QTest::newRow("row 0") << "A0";
    QTest::newRow("row 9") << "A9";
    QTest::newRow("two digits") << "A10";
    QTest::newRow("number first") << "1A";
    QTest::newRow("blank") << " A1";
}

void TestSensorPosition::notASensorName() {
    QFETCH(QString, name);
    QVERIFY(!SensorPosition::fromName(name.toStdString()).has_value());
}

void TestSensorPosition::listsRunColumnByColumn() {
    SensorMask mask = {};
    mask[SensorPosition{2, 3}.index()] = true;
    mask[SensorPosition{0, 7}.index()] = true;
    mask[SensorPosition{0, 1}.index()] = true;
    const std::vector<SensorPosition> listed = sensorsWhere(mask, true);
    QCOMPARE(listed.size(), std::size_t(3));
    QCOMPARE(QString::fromStdString(listed[0].name()), QStringLiteral("A2"));
    QCOMPARE(QString::fromStdString(listed[1].name()), QStringLiteral("A8"));
    QCOMPARE(QString::fromStdString(listed[2].name()), QStringLiteral("C4"));
    QCOMPARE(sensorsWhere(mask, false).size(), std::size_t(61));
}

QTEST_APPLESS_MAIN(TestSensorPosition)
#include "tst_sensorposition.moc"
