#include "ValueText.h"

#include <QLocale>
#include <QtTest>

class TestValueText : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void format_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("expected");

        QTest::newRow("percent") << "C" << 37.5 << "%"
                                 << "37.50 %";
        QTest::newRow("unit") << "C" << 3.2 << "kg"
                              << "3.20 kg";
        QTest::newRow("no unit, no blank") << "C" << 3.2 << ""
                                           << "3.20";
        QTest::newRow("negative") << "C" << -0.5 << "N"
                                  << "-0.50 N";
        QTest::newRow("rounds to 2 decimals") << "C" << 2.0 / 3.0 << ""
                                              << "0.67";
        QTest::newRow("grouping en_US") << "en_US" << 1234567.891 << "Pa"
                                        << "1,234,567.89 Pa";
        QTest::newRow("decimal comma de_DE") << "de_DE" << 1234.5 << "kg"
                                             << "1.234,50 kg";
        QTest::newRow("decimal comma, no unit") << "de_DE" << 0.25 << ""
                                                << "0,25";
    }

    void format() {
        QFETCH(QString, locale);
        QFETCH(double, value);
        QFETCH(QString, unit);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(valueText(value, unit), expected);
    }
};

QTEST_GUILESS_MAIN(TestValueText)
#include "tst_valuetext.moc"
