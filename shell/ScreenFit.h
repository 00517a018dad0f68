#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// Where a window or dialog goes on a screen that may be too small for it.

// The window geometry that centres a window whose frame has the size `frame`
// on a screen of size `screen`. The position may be negative when the window
// is larger than the screen.
QRect centredGeometry(const QSize& frame, const QSize& screen);

// The first geometry of a window whose frame wants the size `wanted` and
// needs at least `minimum`, on a screen with the geometry `screen` of which
// `available` is free (without the desktop's panels): no larger than the
// free area (but never below `minimum`), centred on the screen, then moved
// into the free area. A window larger than the free area keeps its top left
// corner in it: title bar, tool bar and the controls beneath stay reachable.
QRect fittedGeometry(const QRect& screen, const QRect& available, const QSize& wanted, const QSize& minimum);

// `wanted` (a window's frame where it was) kept in the free area `available`:
// no larger than it (but never below `minimum`), moved in as far as needed,
// the top left corner winning when it does not fit.
QRect keptInside(const QRect& available, const QRect& wanted, const QSize& minimum);

// Shrinks a dialog that does not fit the free area of its parent's screen
// (or the primary screen) to it, never below its minimum size; the toolkit
// then places it on the screen as usual.
void limitToScreen(QWidget& dialog);
