#include "Theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace {

Theme current;
int serial = 0;

struct PlatformLook {
    bool remembered = false;
    QPalette palette;
    QString styleName;
};

PlatformLook& platformLook() {
    static PlatformLook look;
    return look;
}

QColor withAlpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

// The values the three themes share.
Theme common() {
    Theme t;
    t.gridMajorWidth = 1.5;
    t.gridMinorWidth = 0.5;
    t.gridSpacing = 10;
    t.barBorder = QColor(255, 255, 255, 24);
    t.barBorderDim = QColor(255, 255, 255, 8);
    t.barBorderWidth = 0.5;
    t.fontFamily = QStringLiteral("Serif");
    t.fontSize = 8;
    t.pointWidth = 1.0;
    return t;
}

Theme platformLike() {
    Theme t = common();
    t.window = QColor(240, 240, 240);
    t.base = QColor(255, 255, 255);
    t.text = QColor(0, 0, 0);
    t.disabled = QColor(120, 120, 120);
    t.highlight = QColor(51, 153, 255);
    t.highlightedText = QColor(255, 255, 255);
    t.graphTop = QColor(240, 240, 240);
    t.graphBottom = QColor(255, 255, 255);
    t.gridColor = QColor(184, 184, 184, 128);
    t.barColor = QColor(51, 153, 255).darker(125);
    t.barDimColor = withAlpha(t.barColor, 24);
    t.barHoverColor = QColor(51, 153, 255);
    t.pointColor = QColor(Qt::red);
    t.triggerLineColor = QColor(Qt::red);
    t.triggerMarkerColor = QColor(Qt::red);
    // Dark enough to read on white.
    t.traceColors = {QColor(0x1F, 0x77, 0xB4), QColor(0xD6, 0x5F, 0x00), QColor(0x2C, 0xA0, 0x2C),
                     QColor(0xC6, 0x28, 0x28), QColor(0x7B, 0x1F, 0xA2), QColor(0x8C, 0x56, 0x4B),
                     QColor(0xD8, 0x1B, 0x60), QColor(0x55, 0x55, 0x55), QColor(0x82, 0x77, 0x17),
                     QColor(0x00, 0x83, 0x8F), QColor(0x28, 0x35, 0x93), QColor(0x4E, 0x34, 0x2E)};
    return t;
}

QPalette fusionPalette(const Theme& t) {
    // Built on the start-up palette so that the roles no theme sets do not
    // depend on which theme was applied before.
    QPalette p = platformLook().palette;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Window, t.window);
        p.setColor(group, QPalette::AlternateBase, t.window);
        p.setColor(group, QPalette::Button, t.window);
        p.setColor(group, QPalette::Base, t.base);
        p.setColor(group, QPalette::Text, t.text);
        p.setColor(group, QPalette::WindowText, t.text);
        p.setColor(group, QPalette::ToolTipText, t.text);
        p.setColor(group, QPalette::ButtonText, t.text);
    }
    p.setColor(QPalette::Disabled, QPalette::Text, t.disabledText);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, t.disabledText);
    p.setColor(QPalette::Disabled, QPalette::WindowText, t.disabledText);
    p.setColor(QPalette::Disabled, QPalette::Base, t.disabled);
    p.setColor(QPalette::Disabled, QPalette::Button, t.disabled);
    p.setColor(QPalette::Disabled, QPalette::Mid, t.disabled);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Highlight, t.highlight);
        p.setColor(group, QPalette::ToolTipBase, t.highlight);
        p.setColor(group, QPalette::HighlightedText, t.highlightedText);
        p.setColor(group, QPalette::BrightText, QColor(Qt::red));
    }
    return p;
}

QString systemStyleName() {
    // The Windows platform style; elsewhere the style the program started with.
    const QString vista = QStringLiteral("windowsvista");
    if (QStyleFactory::keys().contains(vista, Qt::CaseInsensitive))
        return vista;
    return platformLook().styleName;
}

} // namespace

Theme Theme::dark() {
    Theme t = common();
    t.name = QStringLiteral("dark");
    t.fusion = true;
    t.window = QColor(53, 53, 53);
    t.base = QColor(15, 15, 15);
    t.text = QColor(255, 255, 255);
    t.disabled = QColor(128, 128, 128);
    t.disabledText = QColor(48, 48, 48);
    t.highlight = QColor(0x55, 0xAA, 0x46);
    t.highlightedText = QColor(0, 0, 0);
    t.graphTop = t.window.darker(125);
    t.graphBottom = QColor(16, 16, 16);
    t.gridColor = QColor(72, 72, 72, 128);
    t.barColor = t.highlight;
    t.barDimColor = withAlpha(t.barColor, 24);
    t.barHoverColor = QColor(0xB2, 0xFF, 0x00);
    t.pointColor = QColor(0x5A, 0x7E, 0x8F);
    t.triggerLineColor = QColor(0x5A, 0x7E, 0x8F);
    t.triggerMarkerColor = QColor(0x5A, 0x7E, 0x8F);
    // Bright on the dark background.
    t.traceColors = {QColor(0x55, 0xAA, 0x46), QColor(0xFF, 0xA5, 0x2E), QColor(0x4F, 0xC3, 0xF7),
                     QColor(0xF0, 0x62, 0x92), QColor(0xFF, 0xEE, 0x58), QColor(0xB3, 0x88, 0xFF),
                     QColor(0x4D, 0xD0, 0xE1), QColor(0xFF, 0x6E, 0x40), QColor(0xAE, 0xD5, 0x81),
                     QColor(0xE0, 0xE0, 0xE0), QColor(0x90, 0xA4, 0xAE), QColor(0xCE, 0x93, 0xD8)};
    return t;
}

Theme Theme::light() {
    Theme t = platformLike();
    t.name = QStringLiteral("light");
    t.fusion = true;
    return t;
}

Theme Theme::system() {
    Theme t = platformLike();
    t.name = QStringLiteral("system");
    return t;
}

Theme Theme::fromName(const QString& name) {
    if (name == QLatin1String("light"))
        return light();
    if (name == QLatin1String("dark"))
        return dark();
    return system();
}

const Theme& currentTheme() {
    return current;
}

int currentThemeSerial() {
    return serial;
}

void rememberPlatformLook() {
    PlatformLook& look = platformLook();
    if (look.remembered)
        return;
    look.remembered = true;
    look.palette = QApplication::palette();
    look.styleName = QApplication::style()->objectName();
}

QString toolTipStyleSheet(const Theme& theme) {
    return QStringLiteral("QToolTip { color: %1; background-color: %2; border: 1px solid %3; }")
        .arg(theme.text.name(), theme.base.name(), theme.window.name());
}

void applyTheme(const Theme& theme) {
    current = theme;
    ++serial;
    rememberPlatformLook();
    if (theme.fusion) {
        QApplication::setPalette(fusionPalette(theme));
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
        qApp->setStyleSheet(toolTipStyleSheet(theme));
    } else {
        QApplication::setPalette(platformLook().palette);
        QApplication::setStyle(QStyleFactory::create(systemStyleName()));
        qApp->setStyleSheet(QString());
    }
}
