#include "HeapInUse.h"
#include "LabelTextCache.h"
#include "OverlayCache.h"
#include "PictureCache.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtTest>

#include <functional>

namespace {

struct Scene {
    QFont font = QFont(QStringLiteral("Serif"), 8);
    qreal ratio = 1.0;
    Qt::LayoutDirection direction = Qt::LeftToRight;
};

// A background with detail, so that every antialiased glyph edge shows.
QImage render(const Scene& scene, const std::function<void(QPainter&)>& paint) {
    QImage image(QSize(170, 100) * scene.ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(scene.ratio);
    image.fill(QColor(70, 90, 110));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(200, 200, 200), 1.0));
    for (int x = 0; x < 170; x += 7)
        painter.drawLine(x, 0, x, 100);
    painter.setLayoutDirection(scene.direction);
    painter.setFont(scene.font);
    painter.setPen(QPen(QColor(240, 220, 40), 1.0));
    paint(painter);
    return image;
}

QRectF barLabel() {
    return QRectF(20, 5, 117, 14);
}

QRectF cell() {
    return QRectF(6, 6, 46, 46);
}

} // namespace

Q_DECLARE_METATYPE(Scene)

class TestLabelTextCache : public QObject {
    Q_OBJECT

private slots:
    void drawsWhatQPainterDraws_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<Scene>("scene");

        const Scene plain;
        QTest::newRow("bar label, percent") << QStringLiteral("60.00 %") << barLabel() << plain;
        QTest::newRow("bar label, unit") << QStringLiteral("-3.20 kg") << barLabel() << plain;
        QTest::newRow("grouped, narrow no-break space") << QString::fromUtf8("1\u202f234,50 N") << barLabel() << plain;
        QTest::newRow("cell, two lines") << QStringLiteral("A1\n2.50 kg") << cell() << plain;
        QTest::newRow("cell, fractional rectangle")
            << QStringLiteral("H8\n95.13 %") << QRectF(6.5, 7.25, 45.5, 45.5) << plain;
        QTest::newRow("cell, wider than the cell") << QStringLiteral("C4\n123456789.00 kg") << cell() << plain;
        QTest::newRow("three lines") << QStringLiteral("a\nbb\nccc") << cell() << plain;
        QTest::newRow("lines beyond the height")
            << QStringLiteral("A1\n2.50 kg\nmore") << QRectF(10, 40, 60, 9) << plain;
        QTest::newRow("taller than the rectangle, negative top")
            << QStringLiteral("B2\n1.00 kg") << QRectF(10, -9.3, 60, 12) << plain;
        QTest::newRow("single line above the top") << QStringLiteral("7.77 kg") << QRectF(10, -4.6, 60, 8) << plain;
        QTest::newRow("right-to-left unit") << QString::fromUtf8("2.50 كغ") << barLabel() << plain;
        QTest::newRow("hebrew unit, two lines") << QString::fromUtf8("E5\n2.50 ק״ג") << cell() << plain;
        QTest::newRow("han unit, fallback font") << QString::fromUtf8("2.50 千克") << barLabel() << plain;
        QTest::newRow("combining mark") << QString::fromUtf8("2.50 N\u0301m") << barLabel() << plain;
        QTest::newRow("outside the basic plane") << QString::fromUtf8("2.50 \U0001D4C3") << barLabel() << plain;
        // Lines taller than the row: the clip is left out only where no glyph
        // comes near the row's edges.
        QTest::newRow("descenders") << QStringLiteral("gjpqy kg") << barLabel() << plain;
        QTest::newRow("accents above capitals") << QString::fromUtf8("ÅÉÎ Ǻ g") << barLabel() << plain;
        QTest::newRow("brackets and bars") << QStringLiteral("[|]{}()") << barLabel() << plain;
        QTest::newRow("ampersand") << QStringLiteral("N&m") << barLabel() << plain;
        // Left to QPainter, and still the same picture.
        QTest::newRow("tab") << QStringLiteral("2.50\tkg") << barLabel() << plain;
        QTest::newRow("carriage return") << QStringLiteral("A1\r\n2.50 kg") << cell() << plain;
        QTest::newRow("empty last line") << QStringLiteral("A1\n") << cell() << plain;
        QTest::newRow("empty first line") << QStringLiteral("\n2.50 kg") << cell() << plain;
        QTest::newRow("many lines") << QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9") << QRectF(0, 0, 170, 100) << plain;
        QTest::newRow("length variants") << QString::fromUtf8("long text\u009cshort") << barLabel() << plain;
        QTest::newRow("unicode line separator") << QString::fromUtf8("A1\u20282.50 kg") << cell() << plain;

        Scene rightToLeft;
        rightToLeft.direction = Qt::RightToLeft;
        QTest::newRow("right-to-left painter") << QStringLiteral("2.50 kg") << barLabel() << rightToLeft;
        QTest::newRow("right-to-left painter, two lines") << QStringLiteral("A1\n2.50 kg") << cell() << rightToLeft;
        Scene doubled;
        doubled.ratio = 2.0;
        QTest::newRow("pixel ratio 2") << QStringLiteral("A1\n2.50 kg") << QRectF(6.5, 6.5, 45, 45) << doubled;
        Scene small;
        small.font = QFont(QStringLiteral("Serif"), 5);
        QTest::newRow("small font") << QStringLiteral("C4\n123456.00 kg") << cell() << small;
        Scene large;
        large.font = QFont(QStringLiteral("Sans Serif"), 20, QFont::Bold);
        QTest::newRow("large bold font") << QStringLiteral("G7\n0.01 kg") << cell() << large;
        Scene overflowing;
        overflowing.font = QFont(QStringLiteral("Serif"), 14);
        QTest::newRow("glyphs beyond the row") << QStringLiteral("Ågy 12.00 kg") << barLabel() << overflowing;
        Scene pixels;
        pixels.font.setPixelSize(11);
        QTest::newRow("pixel-sized font") << QStringLiteral("D2\n-0.40 %") << cell() << pixels;
    }

    // The first call lays the lines out, the second reuses them: both must
    // give QPainter's own picture, and the same width as its metrics.
    void drawsWhatQPainterDraws() {
        QFETCH(QString, text);
        QFETCH(QRectF, rect);
        QFETCH(Scene, scene);

        const QImage expected = render(scene, [&](QPainter& p) { p.drawText(rect, Qt::AlignCenter, text); });
        LabelTextCache cache;
        const QImage first = render(scene, [&](QPainter& p) { cache.draw(p, rect, text); });
        const QImage again = render(scene, [&](QPainter& p) { cache.draw(p, rect, text); });
        QCOMPARE(first, expected);
        QCOMPARE(again, expected);
        // Measured first, as the grid does, then drawn from the same lines.
        LabelTextCache measuredFirst;
        const QImage afterMeasure = render(scene, [&](QPainter& p) {
            measuredFirst.width(p, rect, text);
            measuredFirst.draw(p, rect, text);
        });
        QCOMPARE(afterMeasure, expected);

        qreal width = -1.0;
        qreal expectedWidth = -2.0;
        render(scene, [&](QPainter& p) {
            width = cache.width(p, rect, text);
            expectedWidth = QFontMetricsF(p.font()).boundingRect(rect, Qt::AlignCenter, text).width();
        });
        QCOMPARE(width, expectedWidth);
    }

    // One cache for views on screens of different pixel ratios (a window
    // moved between them): the lines laid out for one ratio must not be
    // drawn at another.
    void sharedAcrossPixelRatios() {
        LabelTextCache cache;
        const QString text = QStringLiteral("F6\n-12.75 kg");
        for (qreal ratio : {1.0, 2.0, 1.5, 1.0, 2.0}) {
            Scene scene;
            scene.ratio = ratio;
            const QImage expected = render(scene, [&](QPainter& p) { p.drawText(cell(), Qt::AlignCenter, text); });
            const QImage drawn = render(scene, [&](QPainter& p) { cache.draw(p, cell(), text); });
            QVERIFY2(drawn == expected, qPrintable(QStringLiteral("ratio %1").arg(ratio)));
        }
    }

    void keepsLinesNotLabels() {
        LabelTextCache cache;
        render(Scene(), [&](QPainter& p) {
            cache.draw(p, cell(), QStringLiteral("A1\n2.50 kg"));
            cache.draw(p, cell(), QStringLiteral("B3\n2.50 kg"));
            cache.draw(p, barLabel(), QStringLiteral("2.50 kg"));
        });
        QCOMPARE(cache.lineCount(), 3);

        // Texts left to QPainter keep nothing.
        render(Scene(), [&](QPainter& p) { cache.draw(p, barLabel(), QStringLiteral("x\ty")); });
        QCOMPARE(cache.lineCount(), 3);
    }

    // A full cache forgets the oldest lines and a new font starts its own
    // lines; neither may change what is drawn.
    void staysBoundedAndCorrectAcrossFonts() {
        LabelTextCache cache(0); // the smallest it takes
        const QList<int> sizes = {6, 7, 8, 9, 10, 11};
        for (int round = 0; round < 2; ++round) {
            for (int size : sizes) {
                Scene scene;
                scene.font = QFont(QStringLiteral("Serif"), size);
                for (int i = 0; i < 200; ++i) {
                    const QString text =
                        QStringLiteral("%1%2\n%3 kg").arg(QChar('A' + i % 8)).arg(i % 7).arg(i * 0.37, 0, 'f', 2);
                    const QImage expected =
                        render(scene, [&](QPainter& p) { p.drawText(cell(), Qt::AlignCenter, text); });
                    const QImage drawn = render(scene, [&](QPainter& p) { cache.draw(p, cell(), text); });
                    QVERIFY2(drawn == expected, qPrintable(QStringLiteral("size %1, %2").arg(size).arg(text)));
                }
            }
        }
        // At most four fonts, within the bytes: some lines were dropped.
        QVERIFY(cache.lineCount() > 0);
        QVERIFY(cache.lineCount() < 4 * (200 + 56));
        QVERIFY(cache.byteCost() <= cache.maxBytes());
    }

    // Labels of every length, each drawn once, as a new value each tick
    // makes them: the cache and the heap behind it stay within the bytes,
    // lines longer than a label are not kept.
    void boundedInBytes_data() {
        QTest::addColumn<int>("unitLength");
        QTest::addColumn<int>("labels");
        QTest::newRow("value labels") << 2 << 4000;
        QTest::newRow("long unit") << 200 << 4000;
        QTest::newRow("10 kB unit") << 10240 << 200;
    }

    void boundedInBytes() {
        QFETCH(int, unitLength);
        QFETCH(int, labels);
        QString unit;
        for (int i = 0; i < unitLength; ++i)
            unit += QChar('a' + i % 26);
        const std::size_t before = heapInUse();
        {
            LabelTextCache cache;
            QImage image(QSize(170, 100), QImage::Format_RGB32);
            QPainter painter(&image);
            painter.setFont(QFont(QStringLiteral("Serif"), 8));
            for (int i = 0; i < labels; ++i)
                cache.draw(painter, barLabel(), QStringLiteral("%1 %2").arg(i * 0.01, 0, 'f', 2).arg(unit));
            QVERIFY(cache.byteCost() <= cache.maxBytes());
            if (unitLength > LabelTextCache::maxLineLength)
                QCOMPARE(cache.lineCount(), 0);
            else
                QVERIFY(cache.lineCount() > 0);
            const std::size_t grown = heapInUse() - std::min(before, heapInUse());
            QVERIFY2(grown <= static_cast<std::size_t>(cache.maxBytes()),
                     qPrintable(QStringLiteral("%1 bytes kept, bound %2").arg(grown).arg(cache.maxBytes())));
        }
    }

    // The views' picture caches keep a picture only within their bytes; a
    // larger one is painted as it is, the same.
    void pictureCachesBoundedInBytes_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("kept");
        QTest::newRow("within") << QSize(100, 100) << true;  // 40 kB
        QTest::newRow("beyond") << QSize(200, 200) << false; // 160 kB
    }

    void pictureCachesBoundedInBytes() {
        QFETCH(QSize, size);
        QFETCH(bool, kept);
        const qint64 bound = 100 * 1024;
        PictureCache picture(bound);
        OverlayCache overlay(bound);
        QImage cached(size, QImage::Format_RGB32);
        QImage plain(size, QImage::Format_RGB32);
        const auto paint = [&size](QPainter& p) {
            p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
            p.fillRect(QRect(5, 5, 50, 50), Qt::red);
        };
        {
            QPainter painter(&cached);
            picture.draw(painter, size, true, paint);
            overlay.draw(painter, QRect(QPoint(0, 0), size), size, paint);
        }
        {
            QPainter painter(&plain);
            paint(painter);
        }
        QCOMPARE(picture.byteCost() > 0, kept);
        QCOMPARE(overlay.byteCost() > 0, kept);
        QVERIFY(picture.byteCost() <= bound && overlay.byteCost() <= bound);
        QCOMPARE(cached, plain);
    }

    void sharedWhileHeld() {
        std::shared_ptr<LabelTextCache> first = LabelTextCache::shared();
        std::shared_ptr<LabelTextCache> second = LabelTextCache::shared();
        QCOMPARE(first.get(), second.get());
        render(Scene(), [&](QPainter& p) { first->draw(p, barLabel(), QStringLiteral("1.00 kg")); });
        QCOMPARE(second->lineCount(), 1);
        first.reset();
        second.reset();
        QCOMPARE(LabelTextCache::shared()->lineCount(), 0);
    }
};

QTEST_MAIN(TestLabelTextCache)
#include "tst_labeltextcache.moc"
