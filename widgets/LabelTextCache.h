#pragma once

#include <QCache>
#include <QFont>
#include <QPointF>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QRectF;

// Draws short labels centred in a rectangle, pixel for pixel as
// QPainter::drawText(rect, Qt::AlignCenter, text) does, but keeps the laid-out
// lines of recent texts. Laying a line out (itemizing and shaping it) costs as
// much as drawing its glyphs, and the views draw the same value texts again
// and again: the same digits in every bar and cell, tick after tick.
//
// Lines are kept per text line, not per label, so that "A1\n2.50 kg" and
// "B3\n2.50 kg" share the value line, and per font, so that views with
// different fonts can share one cache. What is kept is bounded in bytes (an
// estimate of the layouts' heap that errs on the high side); lines too long
// for a label are left to QPainter and not kept.
class LabelTextCache {
public:
    // One cache for all views of the GUI thread, alive while a view holds it.
    static std::shared_ptr<LabelTextCache> shared();

    // Some 2000 lines of a value label per font.
    static constexpr qint64 defaultMaxBytes = 12 * 1024 * 1024;
    // Longer lines are not kept; a line of a label is far shorter.
    static constexpr int maxLineLength = 256;

    explicit LabelTextCache(qint64 maxBytes = defaultMaxBytes);
    ~LabelTextCache();

    // Draws `text` with the painter's font and pen.
    void draw(QPainter& painter, const QRectF& rect, const QString& text);

    // The width of the widest line of `text` in the painter's font, as
    // QFontMetricsF::boundingRect(rect, Qt::AlignCenter, text) measures it.
    qreal width(const QPainter& painter, const QRectF& rect, const QString& text);

    // Laid-out lines kept, over all fonts, and the bytes they are counted at.
    int lineCount() const;
    qint64 byteCost() const;
    qint64 maxBytes() const;
    // What a kept line of `length` characters is counted at.
    static qint64 lineBytes(int length);

private:
    struct Line;
    struct FontLines;
    struct Placed {
        Line* line = nullptr;
        qreal top = 0.0;    // below the top of the text
        qreal bottom = 0.0; // the text's height up to this line's end
        QPointF origin;     // where drawing puts the line
    };

    // The lines of `text` laid out and placed as QPainter places them, up to
    // the first line that reaches `maxHeight`. False for texts that QPainter
    // treats specially (tabs, carriage returns, length variants, empty lines,
    // many lines, bidirectional text over several lines): those are left to QPainter.
    bool place(FontLines& font, const QString& text, qreal maxHeight, qreal& width, qreal& height);
    FontLines& linesFor(const QPainter& painter);
    // Whether the glyphs of the placed lines stay clear of the edges of `rect`.
    bool inkInside(const QRectF& rect);

    const qint64 bytesPerFont;
    std::vector<std::unique_ptr<FontLines>> fonts; // the most recently used last
    // The last placement; when it holds every line of its text, a draw of
    // the text just measured reuses it.
    std::vector<Placed> placed;
    QString placedText;
    const FontLines* placedFont = nullptr;
    qreal placedWidth = 0.0;
};
