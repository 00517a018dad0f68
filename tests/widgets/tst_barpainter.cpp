#include "BarPainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QtTest>

namespace {

// A background with detail for antialiased edges to blend with.
QImage background() {
    QImage image(120, 300, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, 250);
    gradient.setColorAt(0, QColor(42, 42, 42));
    gradient.setColorAt(1, QColor(230, 230, 230));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(QColor(72, 72, 72, 128), 0.5));
    for (int y = 299; y > 0; y -= 10)
        painter.drawLine(QLineF(0, y, 120, y));
    return image;
}

int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max(
                {largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

} // namespace

Q_DECLARE_METATYPE(BarPainter::Look)

class TestBarPainter : public QObject {
    Q_OBJECT

private slots:
    void looksLikeOneRectangle_data() {
        QTest::addColumn<BarPainter::Look>("look");
        QTest::addColumn<double>("top");

        const QColor blue = QColor(51, 153, 255).darker(125);
        const BarPainter::Look plain{QBrush(blue), QPen(QColor(255, 255, 255, 24), 0.5)};
        QColor dim = blue;
        dim.setAlpha(24);
        const BarPainter::Look dimmed{QBrush(dim), QPen(QColor(255, 255, 255, 8), 0.5)};
        QLinearGradient gradient(0, 30, 0, 280);
        gradient.setColorAt(0, QColor(255, 0, 0));
        gradient.setColorAt(1, blue);
        const BarPainter::Look overRange{QBrush(gradient), QPen(QColor(255, 255, 255, 24), 0.5)};

        for (double top : {30.0, 30.4, 101.77, 200.5, 287.3, 296.2, 299.9}) {
            QTest::addRow("plain, top %g", top) << plain << top;
            QTest::addRow("dimmed, top %g", top) << dimmed << top;
            QTest::addRow("over range, top %g", top) << overRange << top;
        }
    }

    // The bar is painted in two parts: rows around its top directly, the rest
    // copied from a full-height picture. It must look like one rectangle.
    void looksLikeOneRectangle() {
        QFETCH(BarPainter::Look, look);
        QFETCH(double, top);
        const QRectF full(37.5, 30, 18.75, 270);
        const QRectF rect(full.left(), top, full.width(), full.bottom() - top);

        QImage expected = background();
        {
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(look.border);
            painter.setBrush(look.fill);
            painter.drawRect(rect);
        }
        BarPainter bars;
        for (bool cached : {true, false}) {
            bars.setCacheEnabled(cached);
            for (int repeat = 0; repeat < 2; ++repeat) {
                QImage actual = background();
                QPainter painter(&actual);
                painter.setRenderHint(QPainter::Antialiasing);
                bars.prepare(actual.size(), 1);
                bars.paint(painter, full, rect, look);
                painter.end();
                // Rounding of the two ways of blending may differ by a step.
                QVERIFY2(largestDifference(actual, expected) <= 2,
                         qPrintable(QString::number(largestDifference(actual, expected))));
            }
        }
    }

    void picturesFollowTheLook() {
        // A changed look or size must not reuse a picture of the old one.
        const QRectF full(10, 30, 20, 270);
        const QRectF rect(10, 100, 20, 200);
        const BarPainter::Look red{QBrush(Qt::red), QPen(Qt::NoPen)};
        const BarPainter::Look green{QBrush(Qt::green), QPen(Qt::NoPen)};
        BarPainter bars;
        QImage image = background();
        QPainter painter(&image);
        bars.prepare(image.size(), 1);
        bars.paint(painter, full, rect, red);
        QCOMPARE(image.pixel(20, 250), qRgb(255, 0, 0));
        bars.paint(painter, full, rect, green);
        QCOMPARE(image.pixel(20, 250), qRgb(0, 255, 0));
        bars.paint(painter, full.adjusted(40, 0, 40, 0), rect.adjusted(40, 0, 40, 0), red);
        QCOMPARE(image.pixel(60, 250), qRgb(255, 0, 0));
    }
};

QTEST_MAIN(TestBarPainter)
#include "tst_barpainter.moc"
