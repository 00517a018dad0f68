#pragma once

#include "LastSession.h"
#include "ScreenFit.h"
#include "StartArguments.h"
#include "Translations.h"

#include <QApplication>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

// The two programs that share this start-up.
enum class Program { Daq, Cal };

// "Kivra DAQ lite" / "Kivra CAL lite": with the organisation name, this
// chooses the program's own settings store.
QString applicationName(Program program);

// "Kivra Tolm DAQ lite" / "Kivra Tolm CAL lite", as the About box shows it.
QString productName(Program program);

// Organisation, domain, application name and version. Call before the
// application object exists.
void setApplicationIdentity(Program program);

// Lets the toolkit scale windows to the desktop's resolution (Xft.dpi on X11,
// or QT_SCALE_FACTOR and the like) and take the NAME@2x.png pictures of icons
// on screens of a pixel ratio of 2 or more. The views and windows keep their
// sizes in logical pixels. Fractional factors are rounded to the nearest
// whole one under Qt 5 and Qt 6 alike, unless the user's environment
// (QT_SCALE_FACTOR_ROUNDING_POLICY) says otherwise;
// QT_ENABLE_HIGHDPI_SCALING=0 turns the scaling off. Call before the
// application object exists.
void enableHighDpiScaling();

// Asks Qt 6 to paint in the painting thread only (QT_NO_GUI_THREADPOOL=1),
// unless the user's environment sets the variable: handing a large blend
// to a thread pool and waiting for it costs a small machine more than it
// saves. Qt 6.4 does not read it; later releases do. Call before the
// application object exists.
void keepPaintingInOneThread();

// Applies the theme named by the settings key "theme"; unknown or missing
// names give the system theme.
void applySavedTheme();

// Places `window`, frame included, on the primary screen by fittedGeometry():
// centred, and shrunk to the screen's free area when its size does not fit
// (a window made for 100 % on a small screen at 200 %); does nothing without
// a screen.
void centreOnScreen(QWidget& window);

// Builds the main window from the command line, centres it (or puts it where
// the last session left it, when the user asked for that) and shows it, and
// runs the event loop. Returns 0 without running the loop when the window's
// device selection was cancelled. Window needs a constructor
// (bus, address, calibrationFile) and `bool selectionCancelled() const`.
template <typename Window> int runMainWindow(const QStringList& arguments) {
    const StartArguments start = parseStartArguments(arguments);
    Window window(start.bus, start.address, start.calibrationFile);
    if (!LastSession::restoreWindow(window))
        centreOnScreen(window);
    window.show();
    if (window.selectionCancelled())
        return 0;
    return QApplication::exec();
}

// The whole start-up of a program, for its main().
template <typename Window> int runProgram(Program program, int& argc, char** argv) {
    enableHighDpiScaling();
    keepPaintingInOneThread();
    // The windows paint with the raster engine only. Without this, Qt on X11
    // loads the OpenGL driver (Mesa's swrast without a GPU) for surfaces no
    // window uses; the driver is unloaded at exit and its allocations are
    // then reported as leaks by the sanitizer builds.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    setApplicationIdentity(program);
    QApplication application(argc, argv);
    // Before anything builds a text: the windows and their dialogs look
    // their texts up when they are made.
    installTranslations(interfaceLanguages(QProcessEnvironment::systemEnvironment()));
    applySavedTheme();
    return runMainWindow<Window>(QApplication::arguments());
}
