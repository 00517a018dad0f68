#include "LabelTextCache.h"

#include "PictureCache.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Fonts kept at once: the views use one or two.
const size_t maxFonts = 4;
// A laid-out line measured about 700 bytes and 40 per character (the text,
// its glyphs, advances, offsets and attributes); the key and the cache's
// node come on top.
const qint64 bytesPerLine = 1024;
const qint64 bytesPerCharacter = 48;
// Texts with more lines are left to QPainter; it also keeps the lines of one
// text from pushing each other out of a cache.
const int maxLines = 8;
// Pixels around the glyph boxes that antialiasing and rounding to pixels may
// still touch.
const qreal inkMargin = 2.0;
// The line width QPainter lays unwrapped text out with.
const qreal unwrappedWidth = 0x01000000;

// Characters QPainter replaces or treats as markers before laying out.
bool hasSpecialCharacters(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c == QLatin1Char('\r') || c == QLatin1Char('\t') || c == QChar(ushort(0x9c));
    });
}

// Characters that make the bidirectional algorithm reorder across lines.
bool hasRightToLeft(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        switch (c.direction()) {
        case QChar::DirL:
        case QChar::DirEN:
        case QChar::DirES:
        case QChar::DirET:
        case QChar::DirCS:
        case QChar::DirWS:
        case QChar::DirON:
        case QChar::DirNSM:
        case QChar::DirBN:
        case QChar::DirB:
        case QChar::DirS:
            return false;
        default:
            return true;
        }
    });
}

} // namespace

// One laid-out line of text, and where its glyphs leave ink.
struct LabelTextCache::Line {
    explicit Line(const QString& text, const QFont& font)
        : layout(text, font) {}

    // The union of the glyphs' boxes, relative to the top left of the line;
    // found once, when a text first overflows its rectangle.
    QRectF ink() {
        if (!inkKnown) {
            for (const QGlyphRun& run : layout.glyphRuns()) {
                const QRawFont font = run.rawFont();
                const QVector<quint32> glyphs = run.glyphIndexes();
                const QVector<QPointF> positions = run.positions();
                for (int i = 0; i < glyphs.size() && i < positions.size(); ++i)
                    inkRect |= font.boundingRect(glyphs[i]).translated(positions[i]);
            }
            inkKnown = true;
        }
        return inkRect;
    }

    QTextLayout layout;
    QRectF inkRect;
    bool inkKnown = false;
};

struct LabelTextCache::FontLines {
    FontLines(const QFont& font, int dpi, Qt::LayoutDirection direction, qint64 capacity)
        : font(font)
        , dpi(dpi)
        , direction(direction)
        , leading(QFontMetricsF(font).leading())
        , lines(static_cast<int>(capacity)) {}

    // The single laid-out line of `text`, or null when it lays out otherwise
    // or is too long to keep.
    Line* line(const QString& text) {
        if (Line* cached = lines.object(text))
            return cached;
        if (text.size() > LabelTextCache::maxLineLength)
            return nullptr;
        auto line = std::make_unique<Line>(text, font);
        QTextLayout& layout = line->layout;
        QTextOption option;
        option.setTextDirection(direction);
        option.setAlignment(Qt::AlignLeft);
        layout.setTextOption(option);
        // Without the cache the layout drops its glyphs when laid out.
        layout.setCacheEnabled(true);
        layout.beginLayout();
        QTextLine first = layout.createLine();
        if (first.isValid()) {
            first.setLineWidth(unwrappedWidth);
            first.setPosition(QPointF(0.0, 0.0));
        }
        const bool single = first.isValid() && !layout.createLine().isValid();
        layout.endLayout();
        if (!single)
            return nullptr;
        Line* result = line.get();
        // The lines of one text (at most maxLines, none longer than
        // maxLineLength) always fit: keeping this one never drops another
        // line of the text being placed, used more recently.
        lines.insert(text, line.release(), static_cast<int>(LabelTextCache::lineBytes(text.size())));
        return result;
    }

    const QFont font;
    const int dpi;
    const Qt::LayoutDirection direction;
    const qreal leading;
    QCache<QString, Line> lines;
};

std::shared_ptr<LabelTextCache> LabelTextCache::shared() {
    // Weak, so that the cache (and the fonts it holds) goes with the last
    // view, before the application does.
    static std::weak_ptr<LabelTextCache> current;
    std::shared_ptr<LabelTextCache> cache = current.lock();
    if (!cache) {
        cache = std::make_shared<LabelTextCache>();
        current = cache;
    }
    return cache;
}

LabelTextCache::LabelTextCache(qint64 maxBytes)
    : bytesPerFont(
          std::max<qint64>(maxBytes / static_cast<qint64>(maxFonts), 2 * maxLines * lineBytes(maxLineLength))) {}

qint64 LabelTextCache::lineBytes(int length) {
    return bytesPerLine + bytesPerCharacter * length;
}

qint64 LabelTextCache::maxBytes() const {
    return bytesPerFont * static_cast<qint64>(maxFonts);
}

qint64 LabelTextCache::byteCost() const {
    qint64 bytes = 0;
    for (const auto& font : fonts)
        bytes += font->lines.totalCost();
    return bytes;
}

LabelTextCache::~LabelTextCache() = default;

int LabelTextCache::lineCount() const {
    int count = 0;
    for (const auto& font : fonts)
        count += font->lines.size();
    return count;
}

LabelTextCache::FontLines& LabelTextCache::linesFor(const QPainter& painter) {
    // The painter's font is already resolved against its device.
    const QFont& font = painter.font();
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 0;
    const Qt::LayoutDirection direction = painter.layoutDirection();
    auto found = std::find_if(fonts.begin(), fonts.end(), [&](const std::unique_ptr<FontLines>& f) {
        return f->font == font && f->dpi == dpi && f->direction == direction;
    });
    if (found == fonts.end()) {
        if (fonts.size() >= maxFonts) {
            if (placedFont == fonts.front().get())
                placedFont = nullptr;
            fonts.erase(fonts.begin());
        }
        fonts.push_back(std::make_unique<FontLines>(font, dpi, direction, bytesPerFont));
        return *fonts.back();
    }
    std::rotate(found, found + 1, fonts.end());
    return *fonts.back();
}

bool LabelTextCache::place(FontLines& font, const QString& text, qreal maxHeight, qreal& width, qreal& height) {
    // The grid measures a cell's text, then draws it: the lines placed for
    // the measure serve the draw, unless the draw stops at an earlier line.
    // (Only a placement of every line is kept.)
    if (&font == placedFont && text == placedText) {
        const auto stop =
            std::find_if(placed.begin(), placed.end(), [maxHeight](const Placed& p) { return p.bottom >= maxHeight; });
        if (stop == placed.end() || stop + 1 == placed.end()) {
            width = placedWidth;
            height = placed.back().bottom;
            return true;
        }
    }
    placed.clear();
    placedFont = nullptr;
    const int breaks = text.count(QLatin1Char('\n'));
    if (breaks >= maxLines || hasSpecialCharacters(text))
        return false;
    // Bidirectional text is ordered over all its lines at once: a line laid
    // out alone may come out in another order.
    if (breaks > 0 && (font.direction == Qt::RightToLeft || hasRightToLeft(text)))
        return false;
    // Line by line as QPainter goes: each line on a whole pixel, the font's
    // leading between lines, no further line once the height is reached.
    width = 0.0;
    height = -font.leading;
    int start = 0;
    while (true) {
        const int end = text.indexOf(QLatin1Char('\n'), start);
        const QString part = (start == 0 && end < 0) ? text : text.mid(start, end < 0 ? -1 : end - start);
        if (part.isEmpty())
            return false;
        Line* cached = font.line(part);
        if (!cached)
            return false;
        const QTextLine line = cached->layout.lineAt(0);
        height += font.leading;
        height = std::ceil(height);
        const qreal top = height;
        height += line.ascent() + line.descent();
        placed.push_back({cached, top, height, QPointF()});
        width = std::max(width, line.naturalTextWidth());
        if (end < 0)
            break;
        if (height >= maxHeight)
            return true;
        start = end + 1;
    }
    placedText = text;
    placedFont = &font;
    placedWidth = width;
    return true;
}

void LabelTextCache::draw(QPainter& painter, const QRectF& rect, const QString& text) {
    if (text.isEmpty() || painter.pen().style() == Qt::NoPen)
        return;
    // At a fractional pixel ratio QPainter places lines otherwise.
    if (painter.device() && !isWholePixelRatio(painter.device()->devicePixelRatioF())) {
        painter.drawText(rect, Qt::AlignCenter, text);
        return;
    }
    FontLines& font = linesFor(painter);
    qreal width = 0.0;
    qreal height = 0.0;
    if (!place(font, text, rect.height(), width, height)) {
        painter.drawText(rect, Qt::AlignCenter, text);
        return;
    }
    const qreal top = rect.y() + (rect.height() - height) / 2;
    // Positions become 1/64 pixels by truncation: a line placed below a
    // negative top would round differently than QPainter rounds it.
    if (top < 0 && placed.size() > 1) {
        painter.drawText(rect, Qt::AlignCenter, text);
        return;
    }
    for (Placed& p : placed)
        p.origin = QPointF(rect.x() + (rect.width() - p.line->layout.lineAt(0).horizontalAdvance()) / 2, top + p.top);
    const QRectF bounds(rect.x() + (rect.width() - width) / 2, top, width, height);
    const bool clip = !rect.contains(bounds) && !inkInside(rect);
    if (clip) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    for (const Placed& p : placed)
        p.line->layout.lineAt(0).draw(&painter, p.origin);
    if (clip)
        painter.restore();
}

bool LabelTextCache::inkInside(const QRectF& rect) {
    // Lines taller than their rectangle are common (a label row of 14 pixels
    // in an 8 point font) while their glyphs stay well inside it; a clip then
    // changes no pixel, but costs as much as the drawing.
    QRectF ink;
    for (const Placed& p : placed)
        ink |= p.line->ink().translated(p.origin);
    return rect.contains(ink.adjusted(-inkMargin, -inkMargin, inkMargin, inkMargin));
}

qreal LabelTextCache::width(const QPainter& painter, const QRectF& rect, const QString& text) {
    if (text.isEmpty())
        return 0.0;
    qreal width = 0.0;
    qreal height = 0.0;
    if (!place(linesFor(painter), text, std::numeric_limits<qreal>::infinity(), width, height))
        return QFontMetricsF(painter.font()).boundingRect(rect, Qt::AlignCenter, text).width();
    return width;
}
