#pragma once

#include <QString>

#include <functional>

class QAction;
class QMainWindow;
class QWidget;

// The user guide as HTML, installed with the programs in
// share/kivra-lite/guide/ beside their bin/ folder (and so found in the build
// tree as well): the file for the program at `programPath`.
QString userGuideFile(const QString& programPath);

// Opens the guide of the program at `programPath` in the desktop's browser;
// says so in a box when it is not installed or cannot be opened.
void openUserGuide(QWidget* parent, const QString& programPath);

// The Help menu of both programs: the user guide (F1) of the program at the
// path `programPath` gives when it is chosen, and `about`.
void addHelpMenu(QMainWindow& window, QAction* about, std::function<QString()> programPath);
