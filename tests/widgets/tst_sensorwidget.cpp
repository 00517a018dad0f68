#include "BackingStoreImage.h"
#include "SensorWidget.h"
#include "Theme.h"

#include <QFontMetrics>
#include <QLocale>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>

// A 190 x 530 bar graph: eight bars of 20 pixels from x 20, bar area 400
// high from y 130, text line k at y 5 + 14 k.
namespace {
const QSize graphSize(190, 530);

QImage shot(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

bool neutral(QRgb c) {
    return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
}

bool reddish(QRgb c) {
    return qRed(c) - qGreen(c) > 60 && qRed(c) - qBlue(c) > 60;
}

bool bluish(QRgb c) {
    return qBlue(c) - qRed(c) > 40;
}

// Bounding box of the pixels of `region` that satisfy `match`.
QRect matchingBox(const QImage& image, const QRect& region, const std::function<bool(QRgb)>& match) {
    QRect box;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            if (match(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

void moveMouse(QWidget& widget, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent event(QEvent::MouseMove, pos, widget.mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

// Two calibrated bars whose last points (0.5, 10) give the scale 24, so the
// trigger line rests at y 330 and a click at y 325 lies in the marker band.
void calibrateTwoBars(SensorWidget& widget) {
    widget.updateCalibrationPoints(0, {{0.5, 10}});
    widget.updateCalibrationPoints(1, {{0.5, 10}});
    widget.setTriggerLevelVisible(true);
}

// The colour at a pixel, comparable with a theme colour however that colour was made (RGB, HSV, named).
QColor colourAt(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// Adds up the area of the paint events a widget receives.
class PaintedArea : public QObject {
public:
    qint64 area = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            for (const QRect& rect : static_cast<QPaintEvent*>(event)->region())
                area += qint64(rect.width()) * rect.height();
        }
        return false;
    }
};

QColor rgb(const QColor& colour) {
    return QColor(colour.rgba());
}
} // namespace

class TestSensorWidget : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SensorWidget> widget;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        applyTheme(Theme::system());
        // The comparison of partial and whole paints runs again at a pixel
        // ratio of 2 (tests/widgets/CMakeLists.txt).
        QCOMPARE(qApp->devicePixelRatio(), qEnvironmentVariable("KIVRA_TEST_PIXEL_RATIO", "1").toDouble());
    }

    void init() {
        widget = std::make_unique<SensorWidget>();
        widget->resize(graphSize);
    }

    void cleanup() {
        widget.reset();
        applyTheme(Theme::system());
    }

    void freshWidgetPaintsBackgroundGridAndFrameOnly_data() {
        QTest::addColumn<QString>("theme");
        QTest::newRow("system") << "system";
        QTest::newRow("dark") << "dark";
        QTest::newRow("light") << "light";
    }

    void freshWidgetPaintsBackgroundGridAndFrameOnly() {
        QFETCH(QString, theme);
        applyTheme(Theme::fromName(theme));
        // Values alone show nothing until a mode is set.
        widget->updateSensor(0, 0.6, 0.6);
        const QImage image = shot(*widget);
        // Background, grid and frame are all shades of grey; bars and text are not.
        QCOMPARE(matchingBox(image, image.rect(), [](QRgb c) { return !neutral(c); }), QRect());
        QCOMPARE(colourAt(image, 95, 404), rgb(currentTheme().graphBottom));
        QVERIFY(qAbs(colourAt(image, 95, 3).red() - currentTheme().graphTop.red()) <= 1);
        QVERIFY(image.pixel(95, 409) != image.pixel(95, 404));                   // grid line from the bottom edge
        QVERIFY(image.pixel(91, 404) != image.pixel(95, 404));                   // grid line from x 1
        QVERIFY(qRed(image.pixel(0, 404)) < qRed(image.pixel(95, 404)) * 3 / 4); // black frame
    }

    // The background is kept between paints; a new theme or size paints it anew.
    void backgroundFollowsThemeAndSize() {
        applyTheme(Theme::fromName("light"));
        QCOMPARE(colourAt(shot(*widget), 95, 404), rgb(currentTheme().graphBottom));
        applyTheme(Theme::fromName("dark"));
        QCOMPARE(colourAt(shot(*widget), 95, 404), rgb(currentTheme().graphBottom));
        widget->resize(graphSize + QSize(0, 37));
        SensorWidget fresh;
        fresh.resize(widget->size());
        QCOMPARE(shot(*widget), shot(fresh));
    }

    void barWithoutPoints_data() {
        QTest::addColumn<double>("intensity");
        QTest::addColumn<int>("top");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("overRange");
        QTest::newRow("0.6 is half") << 0.6 << 330 << "60.00 %" << false;
        QTest::newRow("0.3 is a quarter") << 0.3 << 430 << "30.00 %" << false;
        QTest::newRow("1.05 still plain") << 1.05 << 180 << "105.00 %" << false;
        QTest::newRow("1.5 full, red top") << 1.5 << 130 << "150.00 %" << true;
    }

    void barWithoutPoints() {
        QFETCH(double, intensity);
        QFETCH(int, top);
        QFETCH(QString, text);
        QFETCH(bool, overRange);
        widget->setSingleMode(false, 0);
        widget->updateSensor(2, intensity, intensity);
        const QImage image = shot(*widget);
        const QColor bar = rgb(currentTheme().barColor);

        if (top > 135)
            QVERIFY(neutral(image.pixel(70, top - 3)));
        if (overRange) {
            const QColor nearTop = colourAt(image, 70, 133);
            QVERIFY(nearTop.red() > 200 && nearTop.blue() < 60);
            QCOMPARE(colourAt(image, 70, 385), bar);
            QVERIFY(colourAt(image, 70, 255).red() > bar.red() && colourAt(image, 70, 255).red() < 200);
        } else {
            QCOMPARE(colourAt(image, 70, top + 3), bar);
            QCOMPARE(colourAt(image, 70, 520), bar);
        }
        QVERIFY(neutral(image.pixel(50, 520))); // the neighbours stay empty
        QVERIFY(neutral(image.pixel(90, 520)));

        // The value text, centred in the third text line, in the bar colour.
        const QRect textBox = matchingBox(image, QRect(20, 33, 160, 14), bluish);
        const int width = QFontMetrics(QFont("Serif", 8)).horizontalAdvance(text);
        QVERIFY2(qAbs(textBox.width() - width) <= 3, qPrintable(QString::number(textBox.width())));
        QVERIFY(qAbs(textBox.center().x() - 100) <= 2);
        const int zeroWidth = QFontMetrics(QFont("Serif", 8)).horizontalAdvance("0.00 %");
        QVERIFY(qAbs(matchingBox(image, QRect(20, 5, 160, 13), bluish).width() - zeroWidth) <= 3); // bar 0
    }

    // A bar whose sensor has no value: no bar, "not logged" in grey.
    void notLoggedBarShowsNoBar() {
        widget->setSingleMode(false, 0);
        widget->updateSensor(2, 0.6, 0.6);
        widget->setBarNotLogged(2, true);
        QCOMPARE(widget->shownText(2), QString("not logged"));
        const QImage image = shot(*widget);
        QVERIFY(neutral(image.pixel(70, 520)));
        const QRect text = matchingBox(image, QRect(20, 33, 160, 14), [](QRgb c) { return qGray(c) < 160; });
        const int width = QFontMetrics(QFont("Serif", 8)).horizontalAdvance("not logged");
        QVERIFY2(qAbs(text.width() - width) <= 3, qPrintable(QString::number(text.width())));
        QCOMPARE(matchingBox(image, QRect(20, 33, 160, 14), [](QRgb c) { return !neutral(c); }), QRect());
        widget->setBarNotLogged(2, false);
        QCOMPARE(colourAt(shot(*widget), 70, 520), rgb(currentTheme().barColor));
    }

    void scaleFromLastPoints_data() {
        QTest::addColumn<SensorPoints>("points");
        QTest::addColumn<SensorPoints>("otherPoints");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("top");
        const SensorPoints twoPoints{{0.25, 5}, {0.5, 10}};
        QTest::newRow("12 of 24 is half") << twoPoints << SensorPoints() << 12.0 << 330;
        QTest::newRow("6 of 24 is a quarter") << twoPoints << SensorPoints() << 6.0 << 430;
        QTest::newRow("above the scale stops at the top") << twoPoints << SensorPoints() << 30.0 << 130;
        QTest::newRow("other bar's larger scale") << twoPoints << SensorPoints{{0.5, 20}} << 12.0 << 430;
        QTest::newRow("near-zero last point: full") << SensorPoints{{0.000005, 1}} << SensorPoints() << 0.1 << 130;
    }

    void scaleFromLastPoints() {
        QFETCH(SensorPoints, points);
        QFETCH(SensorPoints, otherPoints);
        QFETCH(double, value);
        QFETCH(int, top);
        widget->setSingleMode(false, 0);
        widget->updateCalibrationPoints(1, points);
        widget->updateCalibrationPoints(5, otherPoints);
        widget->updateSensor(1, 0.1, value);
        const QImage image = shot(*widget);
        QCOMPARE(colourAt(image, 50, top + 3), rgb(currentTheme().barColor));
        if (top > 135)
            QVERIFY(neutral(image.pixel(50, top - 3)));
    }

    void singleModeUsesFullWidthAndFirstLine() {
        widget->setSingleMode(true, 3);
        QCOMPARE(widget->shownBarIndices(), QVector<int>{3});
        widget->updateSensor(3, 0.6, 0.6);
        widget->updateSensor(0, 0.9, 0.9);
        widget->updateCalibrationPoints(3, {{0.5, 10}});
        widget->setTriggerLevelVisible(true);
        widget->updateSensor(3, 0.6, 12);

        QImage image = shot(*widget);
        const QColor bar = rgb(currentTheme().barColor);
        QCOMPARE(colourAt(image, 25, 340), bar);
        QCOMPARE(colourAt(image, 175, 340), bar);
        QVERIFY(neutral(image.pixel(25, 320))); // bar 0 (0.9 would reach y 230) is not drawn
        QVERIFY(!matchingBox(image, QRect(20, 5, 160, 14), bluish).isEmpty());
        QCOMPARE(matchingBox(image, QRect(20, 19, 160, 100), bluish), QRect());
        QVERIFY(!reddish(image.pixel(100, 325))); // marker hollow

        QTest::mouseClick(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 325));
        QVERIFY(widget->isTriggerSelected(3));
        image = shot(*widget);
        QVERIFY(reddish(image.pixel(100, 325))); // marker in the middle of the full width, filled
    }

    void calibrationPointLines_data() {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("enabled") << true;
        QTest::newRow("disabled") << false;
    }

    void calibrationPointLines() {
        QFETCH(bool, enabled);
        widget->setSingleMode(false, 0);
        widget->updateCalibrationPoints(0, {{0.3, 6}, {0.6, 12}}); // scale 24: lines at 430 and 330
        widget->enableCalibrationPoints(enabled);
        const QImage image = shot(*widget);
        const QRect lines = matchingBox(image, image.rect(), reddish);
        if (enabled) {
            QVERIFY(reddish(image.pixel(30, 429)) && reddish(image.pixel(30, 430)));
            QVERIFY(reddish(image.pixel(30, 329)) && reddish(image.pixel(30, 330)));
            QVERIFY(!reddish(image.pixel(30, 380)));
            QCOMPARE(lines, QRect(QPoint(20, 329), QPoint(39, 430)));
        } else {
            QCOMPARE(lines, QRect());
        }
    }

    void pointHoverText_data() {
        QTest::addColumn<int>("above");
        QTest::addColumn<bool>("pointsEnabled");
        QTest::addColumn<int>("mouseX");
        QTest::addColumn<bool>("visible");
        QTest::newRow("2 px above the point") << 2 << true << 30 << true;
        QTest::newRow("5 px above: out of reach") << 5 << true << 30 << false;
        QTest::newRow("points not enabled") << 2 << false << 30 << false;
        QTest::newRow("another bar's column") << 2 << true << 50 << false;
    }

    void pointHoverText() {
        QFETCH(int, above);
        QFETCH(bool, pointsEnabled);
        QFETCH(int, mouseX);
        QFETCH(bool, visible);
        widget->setSingleMode(false, 0);
        widget->setUnit("kg");
        widget->updateCalibrationPoints(0, {{0.257, 3.2}});
        widget->enableCalibrationPoints(pointsEnabled);
        const double scale = (1.2 / 0.257) * 3.2;
        const int mouseY = int(SensorGeometry(graphSize, 8).valueY(3.2, scale)) - above;
        moveMouse(*widget, QPoint(mouseX, mouseY));

        QCOMPARE(widget->isHoverTextVisible(), visible);
        if (!visible)
            return;
        QCOMPARE(widget->currentHoverText(), QString("25% = 3.20 kg"));
        QCOMPARE(widget->currentHoverTextY(), mouseY - 3);
        const QImage image = shot(*widget);
        const QRect box(0, mouseY - 3 - 16, 190, 16);
        QCOMPARE(colourAt(image, 3, box.center().y()), rgb(currentTheme().base));
        const QRect text = matchingBox(image, box.adjusted(1, 1, -1, -1), [](QRgb c) { return qGray(c) < 100; });
        const int width = QFontMetrics(QFont("Serif", 8)).horizontalAdvance("25% = 3.20 kg");
        QVERIFY(qAbs(text.width() - width) <= 3);
        QVERIFY(qAbs(text.center().x() - 95) <= 2);
    }

    // A unit that fits its line on its own is drawn as before; a longer one
    // (10 kB from a calibration file) is cut: the line shows the value and
    // as much of the unit as fits, and so does the hover box.
    void longUnitIsCut_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<bool>("cut");
        QTest::newRow("kg") << "kg" << false;
        QTest::newRow("a long name") << "Newton-metre per square metre per second" << true;
        QTest::newRow("10 kB") << QString("Newton").repeated(1707) << true;
    }

    void longUnitIsCut() {
        QFETCH(QString, unit);
        QFETCH(bool, cut);
        widget->setSingleMode(false, 0);
        widget->setUnit(unit);
        widget->updateCalibrationPoints(0, {{0.257, 3.2}});
        widget->updateSensor(0, 0.25, 3.2);
        widget->enableCalibrationPoints(true);
        const QFontMetricsF metrics(QFont("Serif", 8));
        const QString text = widget->shownText(0);
        const QString hover = [&] {
            const double scale = (1.2 / 0.257) * 3.2;
            moveMouse(*widget, QPoint(30, int(SensorGeometry(graphSize, 8).valueY(3.2, scale)) - 2));
            return widget->currentHoverText();
        }();
        if (!cut) {
            QCOMPARE(text, "3.20 " + unit);
            QCOMPARE(hover, "25% = 3.20 " + unit);
            return;
        }
        QVERIFY2(text.startsWith("3.20 Newton") && text.endsWith(QChar(0x2026)), qPrintable(text));
        QVERIFY(metrics.horizontalAdvance(text) <= graphSize.width() - 30);
        QVERIFY2(hover.startsWith("25% = 3.20 Newton") && hover.endsWith(QChar(0x2026)), qPrintable(hover));
        QVERIFY(metrics.horizontalAdvance(hover) <= graphSize.width());
    }

    void hoverHighlightsBarUntilLeave() {
        widget->setSingleMode(false, 0);
        widget->updateSensor(0, 0.6, 0.6);
        widget->updateSensor(1, 0.6, 0.6);
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget.get()));

        // A move without a button reaches the widget through the window system.
        QTest::mouseMove(widget.get(), QPoint(30, 400));
        QTRY_COMPARE(widget->bar(0).state, 2);
        QCOMPARE(widget->bar(1).state, 1);
        QCOMPARE(colourAt(shot(*widget), 30, 340), rgb(currentTheme().barHoverColor));

        moveMouse(*widget, QPoint(100, 10)); // bar 0's text line
        QCOMPARE(widget->bar(0).state, 2);
        moveMouse(*widget, QPoint(50, 400));
        QCOMPARE(widget->bar(0).state, 1);
        QCOMPARE(widget->bar(1).state, 2);

        widget->enableSensor(1, false);
        moveMouse(*widget, QPoint(51, 400));
        QCOMPARE(widget->bar(1).state, 0);
        QImage image = shot(*widget);
        QCOMPARE(colourAt(image, 30, 340), rgb(currentTheme().barColor));
        QVERIFY(colourAt(image, 50, 340) != rgb(currentTheme().barColor)); // dim, nearly transparent

        widget->enableSensor(1, true);
        moveMouse(*widget, QPoint(51, 400));
        QCOMPARE(widget->bar(1).state, 2);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(widget.get(), &leave);
        QCOMPARE(widget->bar(1).state, 1);
    }

    void handleHoverShowsLevelOnLine() {
        widget->setSingleMode(false, 0);
        widget->setUnit("kg");
        calibrateTwoBars(*widget);
        moveMouse(*widget, QPoint(7, 331));
        QVERIFY(widget->isHoverTextVisible());
        QCOMPARE(widget->currentHoverText(), QString("12.00 kg"));
        QCOMPARE(widget->currentHoverTextY(), 321);
        QVERIFY(!widget->isTriggerLevelSet());
        moveMouse(*widget, QPoint(7, 300));
        QVERIFY(!widget->isHoverTextVisible());
    }

    void markerClickTogglesSelection() {
        widget->setSingleMode(false, 0);
        calibrateTwoBars(*widget);
        QTest::mouseClick(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 325));
        QVERIFY(widget->isTriggerSelected(0));
        QVERIFY(!widget->isTriggerSelected(1));
        QVERIFY(widget->isTriggerLevelSet());
        QCOMPARE(widget->currentTriggerLevel(), 12.0f);
        QImage image = shot(*widget);
        QVERIFY(reddish(image.pixel(30, 325)));
        QVERIFY(!reddish(image.pixel(50, 325)));
        QVERIFY(reddish(image.pixel(50, 322))); // the outline of the unselected marker

        QTest::mouseClick(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 325));
        QVERIFY(!widget->isTriggerSelected(0));
        QVERIFY(widget->isTriggerLevelSet());
        QCOMPARE(widget->currentTriggerLevel(), 12.0f);

        QTest::mouseClick(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 330));
        QVERIFY(widget->isTriggerSelected(1));
        widget->resetTriggerState();
        QVERIFY(!widget->isTriggerSelected(1));
        QVERIFY(!widget->isTriggerLevelSet());
        QCOMPARE(widget->currentTriggerLevel(), 0.0f);
    }

    void clicksThatDoNothing_data() {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("setup");
        QTest::newRow("below the line") << QPoint(30, 331) << int(Qt::LeftButton) << "";
        QTest::newRow("above the band") << QPoint(30, 321) << int(Qt::LeftButton) << "";
        QTest::newRow("right button") << QPoint(30, 325) << int(Qt::RightButton) << "";
        QTest::newRow("level disabled") << QPoint(30, 325) << int(Qt::LeftButton) << "disabled";
        QTest::newRow("level hidden") << QPoint(30, 325) << int(Qt::LeftButton) << "hidden";
        QTest::newRow("sensor not enabled, no marker") << QPoint(30, 325) << int(Qt::LeftButton) << "sensor off";
        QTest::newRow("bar without points") << QPoint(70, 325) << int(Qt::LeftButton) << "";
    }

    void clicksThatDoNothing() {
        QFETCH(QPoint, pos);
        QFETCH(int, button);
        QFETCH(QString, setup);
        widget->setSingleMode(false, 0);
        calibrateTwoBars(*widget);
        widget->setTriggerLevelDisabled(setup == "disabled");
        widget->setTriggerLevelVisible(setup != "hidden");
        widget->enableSensor(0, setup != "sensor off");
        QTest::mouseClick(widget.get(), Qt::MouseButton(button), Qt::NoModifier, pos);
        for (int i = 0; i < 8; ++i)
            QVERIFY(!widget->isTriggerSelected(i));
        QVERIFY(!widget->isTriggerLevelSet());
        QVERIFY(!widget->isDragging());
    }

    void draggingStopsAtTheLimits() {
        widget->setSingleMode(false, 0);
        widget->setUnit("kg");
        calibrateTwoBars(*widget);
        QTest::mousePress(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(7, 330));
        QVERIFY(widget->isDragging());

        moveMouse(*widget, QPoint(7, 2000), Qt::LeftButton);
        QCOMPARE(widget->currentTriggerLevel(), float(2.0 / 400 * 24));
        QCOMPARE(widget->currentHoverText(), QString("0.12 kg"));
        QCOMPARE(widget->currentHoverTextY(), 518);
        QImage image = shot(*widget);
        QVERIFY(reddish(image.pixel(100, 528)));

        moveMouse(*widget, QPoint(7, -40), Qt::LeftButton);
        QCOMPARE(widget->currentTriggerLevel(), 24.0f);
        QCOMPARE(widget->currentHoverText(), QString("24.00 kg"));
        QCOMPARE(widget->currentHoverTextY(), 120);

        moveMouse(*widget, QPoint(7, 230), Qt::LeftButton);
        QCOMPARE(widget->currentTriggerLevel(), 18.0f);
        QTest::mouseRelease(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(7, 230));
        QVERIFY(!widget->isDragging());
        QVERIFY(!widget->isHoverTextVisible());
        moveMouse(*widget, QPoint(7, 400));
        QCOMPARE(widget->currentTriggerLevel(), 18.0f);
        image = shot(*widget);
        QVERIFY(reddish(image.pixel(100, 230)));
        QVERIFY(!reddish(image.pixel(100, 330)));
    }

    void disabledTriggerColours_data() {
        QTest::addColumn<bool>("disabled");
        QTest::newRow("enabled") << false;
        QTest::newRow("disabled") << true;
    }

    void disabledTriggerColours() {
        QFETCH(bool, disabled);
        widget->setSingleMode(false, 0);
        calibrateTwoBars(*widget);
        QTest::mouseClick(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 325));
        widget->setTriggerLevelDisabled(disabled);
        const QImage image = shot(*widget);
        const QColor expected = rgb(disabled ? currentTheme().disabled : currentTheme().triggerLineColor);
        const QRgb line = image.pixel(100, 330);
        const QRgb marker = image.pixel(30, 325);
        QCOMPARE(neutral(line), disabled);
        QCOMPARE(neutral(marker), disabled);
        QCOMPARE(colourAt(image, 30, 325), expected); // inside the filled marker
        // The handle: a Dense4 pattern mixes line colour and background.
        const QRect handle(6, 328, 3, 4);
        QVERIFY(!matchingBox(image, handle, [&](QRgb c) { return QColor(c) == expected; }).isEmpty());
        QVERIFY(!matchingBox(image, handle, [](QRgb c) { return qGray(c) > 200; }).isEmpty());
    }

    // animate() repaints only what changed; the window must then hold what a
    // whole paint gives, over frames of random values (some over range, on
    // bars with and without points, some bars disabled or not logged).
    void partialRepaintsMatchWholePaint_data() {
        QTest::addColumn<QString>("theme");
        QTest::newRow("system") << "system";
        QTest::newRow("dark") << "dark";
    }

    void partialRepaintsMatchWholePaint() {
        QFETCH(QString, theme);
        applyTheme(Theme::fromName(theme));
        QWidget window;
        window.resize(graphSize + QSize(20, 10));
        auto* view = new SensorWidget(&window);
        view->setGeometry(QRect(QPoint(13, 5), graphSize));
        view->setSingleMode(false, 0);
        view->setUnit("kg");
        view->setTriggerLevelVisible(true);
        view->enableCalibrationPoints(true);
        for (int i : {1, 4, 5})
            view->updateCalibrationPoints(i, {{0.2, 2.0}, {0.5, 5.5}, {0.9, 10.0}});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PaintedArea painted;
        view->installEventFilter(&painted);

        QRandomGenerator random(20261208);
        for (int frame = 0; frame < 30; ++frame) {
            for (int i = 0; i < 8; ++i) {
                if (random.bounded(3) == 0)
                    continue;
                const double intensity = random.generateDouble() * 1.5;
                view->updateSensor(i, intensity, intensity * 11.0);
            }
            const int bar = random.bounded(8);
            if (frame % 5 == 2)
                view->enableSensor(bar, view->bar(bar).state == 0);
            if (frame % 7 == 3)
                view->setBarNotLogged(bar, !view->bar(bar).notLogged);
            view->animate();
            const QImage shown = backingStoreImage(*view);
            QVERIFY(!shown.isNull());
            const int difference = largestChannelDifference(shown, wholePaint(*view));
            QVERIFY2(difference >= 0 && difference <= 2,
                     qPrintable(QString("frame %1: %2").arg(frame).arg(difference)));
        }

        // One bar's small change: a repaint of far less than the widget.
        view->updateSensor(2, view->bar(2).intensity + 0.01, 0);
        view->animate();
        painted.area = 0;
        view->updateSensor(2, view->bar(2).intensity + 0.01, 0);
        view->animate();
        QVERIFY2(painted.area > 0 && painted.area < graphSize.width() * graphSize.height() / 10,
                 qPrintable(QString::number(painted.area)));
        QVERIFY(largestChannelDifference(backingStoreImage(*view), wholePaint(*view)) <= 2);
    }

    void tinySizesPaintQuietly_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("empty") << QSize(0, 0);
        QTest::newRow("narrower than the margins") << QSize(25, 300);
        QTest::newRow("lower than the text lines") << QSize(190, 100);
        QTest::newRow("bar area of one row") << QSize(190, 131);
    }

    // Sizes without room for bars happen while a window is laid out: the
    // widget must paint without crashing or complaining.
    void tinySizesPaintQuietly() {
        QFETCH(QSize, size);
        static QStringList messages;
        messages.clear();
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) { messages << text; });
        widget->resize(size);
        widget->setSingleMode(false, 0);
        calibrateTwoBars(*widget);
        widget->enableCalibrationPoints(true);
        widget->updateSensor(0, 0.8, 8);
        widget->updateSensor(4, 1.5, 1.5);
        moveMouse(*widget, QPoint(size.width() / 2, size.height() / 2));
        const QImage image = shot(*widget);
        qInstallMessageHandler(previous);
        QCOMPARE(image.size(), size.expandedTo(QSize(0, 0)));
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    }

    void outOfRangeIndicesAreIgnored() {
        widget->setSingleMode(true, 2);
        widget->setSingleMode(true, 8);
        widget->setSingleMode(true, -1);
        QCOMPARE(widget->shownBarIndices(), QVector<int>{2});
        widget->updateSensor(8, 1, 1);
        widget->updateSensor(-1, 1, 1);
        widget->updateCalibrationPoints(8, {{0.5, 1}});
        widget->enableSensor(-1, false);
        QVERIFY(!widget->isTriggerSelected(8));
        QVERIFY(!widget->isTriggerSelected(-1));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(widget->bar(i).intensity, 0.0);
            QVERIFY(widget->bar(i).points.isEmpty());
            QCOMPARE(widget->bar(i).state, 1);
        }
    }
};

QTEST_MAIN(TestSensorWidget)
#include "tst_sensorwidget.moc"
