// The fast path for the log's own number form gives exactly what
// std::from_chars gives, bit for bit, and stops where it stops.
#include "CsvFormat.h"
#include "LogNumber.h"

#include <QtTest>

#include <cstring>
#include <random>

namespace {

struct Reading {
    std::errc error;
    std::ptrdiff_t length;
    std::uint32_t bits;
};

Reading reading(const std::string& text, bool fast) {
    float value = 12345.0f; // left alone on failure by both
    const char* const begin = text.data();
    const auto result = fast ? LogNumber::parseFloat(begin, begin + text.size(), value)
                             : std::from_chars(begin, begin + text.size(), value);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return {result.ec, result.ptr - begin, bits};
}

// Fails with the text when the two readings differ.
bool sameReading(const std::string& text) {
    const Reading fast = reading(text, true);
    const Reading plain = reading(text, false);
    if (fast.error == plain.error && fast.length == plain.length && fast.bits == plain.bits)
        return true;
    qWarning("\"%s\": fast %08x after %td, from_chars %08x after %td", text.c_str(), fast.bits, fast.length,
             plain.bits, plain.length);
    return false;
}

std::string logField(float value) {
    std::string text;
    CsvFormat::appendFixed8(text, static_cast<double>(value));
    return text + ';';
}

} // namespace

class LogNumberTest : public QObject {
    Q_OBJECT

private slots:
    // Floats as the log writes them, from every range of sizes.
    void loggedFloats_data() {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("below the last decimal") << 0.0 << 1e-8;
        QTest::newRow("tiny") << 1e-8 << 1e-4;
        QTest::newRow("near the float steps of 1e-8") << 0.03 << 0.13;
        QTest::newRow("below one") << 0.0 << 1.0;
        QTest::newRow("sensor values") << 1.0 << 2000.0;
        QTest::newRow("large") << 1e4 << 1e7;
        QTest::newRow("up to the fast path's limit") << 3.3e7 << 67108864.0;
        QTest::newRow("beyond the fast path") << 67108864.0 << 1e9;
    }

    void loggedFloats() {
        QFETCH(double, low);
        QFETCH(double, high);
        std::mt19937 random(20240611);
        std::uniform_real_distribution<double> size(low, high);
        for (int i = 0; i < 200000; ++i) {
            const auto value = static_cast<float>(size(random));
            QVERIFY(sameReading(logField(value)));
            QVERIFY(sameReading(logField(-value)));
        }
    }

    // Texts halfway between two floats round to even; those a last decimal
    // above or below round away from the midpoint, where a second rounding
    // through double would land on it.
    void nearMidpoints_data() {
        QTest::addColumn<std::uint64_t>("first"); // in units of 1e-8
        QTest::addColumn<std::uint64_t>("step");
        QTest::addColumn<int>("offset");
        const std::uint64_t unit = 100000000ULL;
        for (int offset : {-1, 0, 1}) {
            const QByteArray name = offset == 0 ? "on" : offset < 0 ? "below" : "above";
            QTest::newRow(name + " midpoints from 2^16, step 2^-7") << 65536 * unit << unit / 128 << offset;
            QTest::newRow(name + " midpoints from 2^20, step 2^-3") << 1048576 * unit << unit / 8 << offset;
            QTest::newRow(name + " midpoints from 2^25, step 4") << 33554432 * unit << 4 * unit << offset;
            QTest::newRow(name + " midpoints from 2^28, step 32") << 268435456 * unit << 32 * unit << offset;
        }
    }

    void nearMidpoints() {
        QFETCH(std::uint64_t, first);
        QFETCH(std::uint64_t, step);
        QFETCH(int, offset);
        for (std::uint64_t k = 0; k < 20000; ++k) {
            const std::uint64_t value = first + step * k + step / 2 + static_cast<std::uint64_t>(std::int64_t{offset});
            char text[64];
            std::snprintf(text, sizeof text, "%llu.%08llu;", static_cast<unsigned long long>(value / 100000000ULL),
                          static_cast<unsigned long long>(value % 100000000ULL));
            QVERIFY(sameReading(text));
        }
    }

    void otherForms_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("negative zero") << QByteArray("-0.00000000;");
        QTest::newRow("eight integer digits") << QByteArray("12345678.12345678;");
        QTest::newRow("nine integer digits") << QByteArray("123456789.00000000;");
        QTest::newRow("fewer decimals") << QByteArray("1.5;");
        QTest::newRow("more decimals") << QByteArray("1.123456789;");
        QTest::newRow("no integer digit") << QByteArray(".12345678;");
        QTest::newRow("a letter among the decimals") << QByteArray("1.2345x678;");
        QTest::newRow("a letter after the decimals") << QByteArray("1.23456789x;");
        QTest::newRow("the line ends") << QByteArray("1.23456789");
        QTest::newRow("exponent") << QByteArray("1e5;");
        QTest::newRow("not a number") << QByteArray("nan;");
        QTest::newRow("minus infinity") << QByteArray("-inf;");
        QTest::newRow("a minus alone") << QByteArray("-;");
        QTest::newRow("plus sign") << QByteArray("+1.00000000;");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("a colon after the digits") << QByteArray("1.0000000:;");
    }

    void otherForms() {
        QFETCH(QByteArray, text);
        QVERIFY(sameReading(text.toStdString()));
    }
};

QTEST_GUILESS_MAIN(LogNumberTest)
#include "tst_lognumber.moc"
