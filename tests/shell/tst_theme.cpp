#include "Theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QtTest>

class TestTheme : public QObject {
    Q_OBJECT

private:
    QPalette startPalette;
    QString startStyle;

private slots:
    void initTestCase() {
        // Nothing has been applied yet: the record is all defaults.
        QVERIFY(currentTheme().name.isEmpty());
        QVERIFY(!currentTheme().window.isValid());
        QCOMPARE(currentTheme().gridSpacing, 0);
        startPalette = QApplication::palette();
        startStyle = QApplication::style()->objectName();
    }

    void cleanup() { applyTheme(Theme::system()); }

    void themesFieldForField_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fusion");
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("disabled");
        QTest::addColumn<QColor>("disabledText");
        QTest::addColumn<QColor>("highlight");
        QTest::addColumn<QColor>("highlightedText");
        QTest::addColumn<QColor>("graphTop");
        QTest::addColumn<QColor>("graphBottom");
        QTest::addColumn<QColor>("gridColor");
        QTest::addColumn<QColor>("barColor");
        QTest::addColumn<QColor>("barHoverColor");
        QTest::addColumn<QColor>("pointColor");

        const QColor blueBar = QColor(51, 153, 255).darker(125);
        const QColor slate(0x5A, 0x7E, 0x8F);
        QTest::newRow("dark") << "dark" << true << QColor(53, 53, 53) << QColor(15, 15, 15) << QColor(255, 255, 255)
                              << QColor(128, 128, 128) << QColor(48, 48, 48) << QColor(85, 170, 70) << QColor(0, 0, 0)
                              << QColor(53, 53, 53).darker(125) << QColor(16, 16, 16) << QColor(72, 72, 72, 128)
                              << QColor(85, 170, 70) << QColor(178, 255, 0) << slate;
        QTest::newRow("light") << "light" << true << QColor(240, 240, 240) << QColor(255, 255, 255) << QColor(0, 0, 0)
                               << QColor(120, 120, 120) << QColor() << QColor(51, 153, 255) << QColor(255, 255, 255)
                               << QColor(240, 240, 240) << QColor(255, 255, 255) << QColor(184, 184, 184, 128)
                               << blueBar << QColor(51, 153, 255) << QColor(255, 0, 0);
        QTest::newRow("system") << "system" << false << QColor(240, 240, 240) << QColor(255, 255, 255)
                                << QColor(0, 0, 0) << QColor(120, 120, 120) << QColor() << QColor(51, 153, 255)
                                << QColor(255, 255, 255) << QColor(240, 240, 240) << QColor(255, 255, 255)
                                << QColor(184, 184, 184, 128) << blueBar << QColor(51, 153, 255) << QColor(255, 0, 0);
    }

    void themesFieldForField() {
        QFETCH(QString, name);
        const Theme t = Theme::fromName(name);
        QCOMPARE(t.name, name);
        QTEST(t.fusion, "fusion");
        QTEST(t.window, "window");
        QTEST(t.base, "base");
        QTEST(t.text, "text");
        QTEST(t.disabled, "disabled");
        QTEST(t.disabledText, "disabledText");
        QTEST(t.highlight, "highlight");
        QTEST(t.highlightedText, "highlightedText");
        QTEST(t.graphTop, "graphTop");
        QTEST(t.graphBottom, "graphBottom");
        QTEST(t.gridColor, "gridColor");
        QTEST(t.barColor, "barColor");
        QTEST(t.barHoverColor, "barHoverColor");
        QTEST(t.pointColor, "pointColor");
        QTEST(t.triggerLineColor, "pointColor");
        QTEST(t.triggerMarkerColor, "pointColor");

        QFETCH(QColor, barColor);
        QCOMPARE(t.barDimColor.rgba(), qRgba(barColor.red(), barColor.green(), barColor.blue(), 24));
        QCOMPARE(t.barBorder, QColor(255, 255, 255, 24));
        QCOMPARE(t.barBorderDim, QColor(255, 255, 255, 8));
        QCOMPARE(t.gridMajorWidth, 1.5);
        QCOMPARE(t.gridMinorWidth, 0.5);
        QCOMPARE(t.gridSpacing, 10);
        QCOMPARE(t.barBorderWidth, 0.5);
        QCOMPARE(t.fontFamily, QString("Serif"));
        QCOMPARE(t.fontSize, 8);
        QCOMPARE(t.pointWidth, 1.0);
    }

    void unknownNamesGiveSystem_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("system") << "system";
        QTest::newRow("case differs") << "Dark";
        QTest::newRow("unknown") << "solarized";
    }

    void unknownNamesGiveSystem() {
        QFETCH(QString, name);
        QCOMPARE(Theme::fromName(name).name, QString("system"));
        QVERIFY(!Theme::fromName(name).fusion);
    }

    void darkToolTipStyleSheet() {
        const QString expected("QToolTip { color: #ffffff; background-color: #0f0f0f; border: 1px solid #353535; }");
        QCOMPARE(toolTipStyleSheet(Theme::dark()), expected);
        applyTheme(Theme::dark());
        QCOMPARE(qApp->styleSheet(), expected);
    }

    void fusionThemePalette_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("dark") << "dark";
        QTest::newRow("light") << "light";
    }

    void fusionThemePalette() {
        QFETCH(QString, name);
        const int serial = currentThemeSerial();
        applyTheme(Theme::fromName(name));
        const Theme& t = currentTheme();
        QCOMPARE(t.name, name);
        QVERIFY(currentThemeSerial() != serial);
        // The tool-tip style sheet wraps the style; without it the style shows.
        const QString sheet = qApp->styleSheet();
        qApp->setStyleSheet(QString());
        QCOMPARE(QApplication::style()->objectName(), QString("fusion"));
        qApp->setStyleSheet(sheet);

        const QPalette p = QApplication::palette();
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            QCOMPARE(p.color(group, QPalette::Window), t.window);
            QCOMPARE(p.color(group, QPalette::AlternateBase), t.window);
            QCOMPARE(p.color(group, QPalette::Button), t.window);
            QCOMPARE(p.color(group, QPalette::Base), t.base);
            QCOMPARE(p.color(group, QPalette::Text), t.text);
            QCOMPARE(p.color(group, QPalette::WindowText), t.text);
            QCOMPARE(p.color(group, QPalette::ToolTipText), t.text);
            QCOMPARE(p.color(group, QPalette::ButtonText), t.text);
        }
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            QCOMPARE(p.color(group, QPalette::Highlight), t.highlight);
            QCOMPARE(p.color(group, QPalette::ToolTipBase), t.highlight);
            QCOMPARE(p.color(group, QPalette::HighlightedText), t.highlightedText);
            QCOMPARE(p.color(group, QPalette::BrightText), QColor(Qt::red));
        }
        QCOMPARE(p.color(QPalette::Disabled, QPalette::Text), t.disabledText);
        QCOMPARE(p.color(QPalette::Disabled, QPalette::WindowText), t.disabledText);
        QCOMPARE(p.color(QPalette::Disabled, QPalette::Base), t.disabled);
        QCOMPARE(p.color(QPalette::Disabled, QPalette::Button), t.disabled);
        QCOMPARE(p.color(QPalette::Disabled, QPalette::Mid), t.disabled);
        // The roles no theme sets come from the start-up palette, whatever
        // theme was applied before.
        QCOMPARE(p.color(QPalette::Active, QPalette::Link), startPalette.color(QPalette::Active, QPalette::Link));
        QCOMPARE(p.color(QPalette::Active, QPalette::Shadow), startPalette.color(QPalette::Active, QPalette::Shadow));
    }

    void systemRestoresStartUpLook() {
        applyTheme(Theme::dark());
        QVERIFY(QApplication::palette() != startPalette);
        applyTheme(Theme::light());
        applyTheme(Theme::system());
        QCOMPARE(currentTheme().name, QString("system"));
        QVERIFY(QApplication::palette() == startPalette);
        QVERIFY(qApp->styleSheet().isEmpty());
        // "windowsvista" exists on Windows only; elsewhere the start-up style returns.
        const QString expected =
            QStyleFactory::keys().contains("windowsvista", Qt::CaseInsensitive) ? "windowsvista" : startStyle;
        QCOMPARE(QApplication::style()->objectName(), expected);
    }
};

QTEST_MAIN(TestTheme)
#include "tst_theme.moc"
