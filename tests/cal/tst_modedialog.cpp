#include "CalibrationData.h"
#include "ModeDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

SensorMask maskOf(std::initializer_list<std::pair<int, int>> sensors) {
    SensorMask mask = {};
    for (const auto& [c, r] : sensors)
        mask[r * 8 + c] = true;
    return mask;
}

} // namespace

class TestModeDialog : public QObject {
    Q_OBJECT

private slots:
    void shownState_data();
    void shownState();
    void customTickSetsEntry();
    void switchingModesKeepsCustomTicks();
    void cancelChangesNothing();
    void okAlwaysMarksModified();
};

void TestModeDialog::shownState_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("radio");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QVector<int>>("ticked"); // flat indices row * 8 + column

    QVector<int> diagonal;
    for (int i = 0; i < 8; ++i)
        diagonal << i * 8 + i;
    QVector<int> all;
    for (int i = 0; i < 64; ++i)
        all << i;
    QTest::newRow("eight sensors") << 0 << "rdoDiagonalLine" << false << diagonal;
    QTest::newRow("all sensors") << 1 << "rdoAllSensors" << false << all;
    // The stored selection is (column 1, row 2) and (column 7, row 0).
    QTest::newRow("custom") << 2 << "rdoCustom" << true << QVector<int>{7, 17};
}

void TestModeDialog::shownState() {
    QFETCH(int, mode);
    QFETCH(QString, radio);
    QFETCH(bool, enabled);
    QFETCH(QVector<int>, ticked);

    CalibrationData calibration;
    calibration.setMode(CalibrationData::checkMode(mode), maskOf({{1, 2}, {7, 0}}));
    ModeDialog dialog(nullptr, calibration);

    QVERIFY(dialog.findChild<QRadioButton*>(radio)->isChecked());
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            QCheckBox* box = dialog.sensorBox(c, r);
            QCOMPARE(box->isEnabled(), enabled);
            QCOMPARE(box->isChecked(), ticked.contains(r * 8 + c));
        }
    }
}

void TestModeDialog::customTickSetsEntry() {
    CalibrationData calibration;
    ModeDialog dialog(nullptr, calibration);
    dialog.show();
    dialog.findChild<QRadioButton*>("rdoCustom")->click();
    // Custom starts from the stored selection, which is empty here.
    for (int i = 0; i < 64; ++i)
        QVERIFY(!dialog.sensorBox(i % 8, i / 8)->isChecked());

    // B3: column B, row 3 of the matrix under the letters and beside the numbers.
    auto* grid = dialog.findChild<QGridLayout*>("gridSensors");
    QCOMPARE(qobject_cast<QLabel*>(grid->itemAtPosition(0, 2)->widget())->text(), QStringLiteral("B"));
    QCOMPARE(qobject_cast<QLabel*>(grid->itemAtPosition(3, 0)->widget())->text(), QStringLiteral("3"));
    qobject_cast<QCheckBox*>(grid->itemAtPosition(3, 2)->widget())->click();
    dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(calibration.enableMode(), SensorMode::Custom);
    QCOMPARE(calibration.customSelected(), maskOf({{1, 2}}));
    QVERIFY(calibration.customSelected()[17]);
}

void TestModeDialog::switchingModesKeepsCustomTicks() {
    CalibrationData calibration;
    calibration.setMode(SensorMode::Custom, maskOf({{0, 0}}));
    ModeDialog dialog(nullptr, calibration);
    dialog.show();

    dialog.sensorBox(4, 5)->click();
    dialog.sensorBox(0, 0)->click(); // untick the stored one
    dialog.findChild<QRadioButton*>("rdoAllSensors")->click();
    QVERIFY(dialog.sensorBox(0, 0)->isChecked());
    dialog.findChild<QRadioButton*>("rdoDiagonalLine")->click();
    QVERIFY(!dialog.sensorBox(4, 5)->isChecked());
    dialog.findChild<QRadioButton*>("rdoCustom")->click();

    QVERIFY(dialog.sensorBox(4, 5)->isChecked());
    QVERIFY(!dialog.sensorBox(0, 0)->isChecked());
    QVERIFY(dialog.sensorBox(4, 5)->isEnabled());

    // The custom set is stored whatever mode is chosen.
    dialog.findChild<QRadioButton*>("rdoAllSensors")->click();
    dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(calibration.enableMode(), SensorMode::All);
    QCOMPARE(calibration.customSelected(), maskOf({{4, 5}}));
}

void TestModeDialog::cancelChangesNothing() {
    CalibrationData calibration;
    calibration.setMode(SensorMode::Custom, maskOf({{3, 3}}));
    calibration.setModified(false);
    const CalibrationData before = calibration;

    ModeDialog dialog(nullptr, calibration);
    dialog.show();
    dialog.sensorBox(2, 6)->click();
    dialog.findChild<QRadioButton*>("rdoAllSensors")->click();
    dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Cancel)->click();

    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(calibration == before);
    QVERIFY(!calibration.isModified());
}

void TestModeDialog::okAlwaysMarksModified() {
    CalibrationData calibration;
    QVERIFY(!calibration.isModified());
    ModeDialog dialog(nullptr, calibration);
    dialog.show();
    dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    QVERIFY(calibration.isModified());
    QCOMPARE(calibration.enableMode(), SensorMode::EightSensor);
}

QTEST_MAIN(TestModeDialog)
#include "tst_modedialog.moc"
