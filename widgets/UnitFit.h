#pragma once

#include <QFont>
#include <QString>

// A unit as a label of a given width can show it. The unit comes from the
// calibration file and may be any text, 10 kB of it: laid out and drawn at
// every paint, and kept in the label caches for every value it came with, it
// would cost the views more than all else. A unit that fits the label on its
// own is used as it is, so ordinary labels stay as they were; a longer one
// is cut to what the width can show, and the label built with it is elided
// ("…") to the width, keeping the number. The last unit measured is kept:
// a long unit is measured once, not at every paint.
class UnitFit {
public:
    // `unit` itself, or the part of it the width shows.
    const QString& unit(const QString& unit, const QFont& font, qreal width);
    // Whether the last unit() was cut.
    bool isCut() const { return cut; }
    // `label` (built with the unit from unit()) elided to the width when
    // the unit was cut, else unchanged.
    QString label(const QString& label) const;

private:
    QString full;
    QFont measuredFont;
    qreal measuredWidth = -1.0;
    QString fitted;
    bool cut = false;
};
