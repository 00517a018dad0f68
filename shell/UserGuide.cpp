#include "UserGuide.h"

#include "PlainMessageBox.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

QString userGuideFile(const QString& programPath) {
    const QDir programs = QFileInfo(programPath).absoluteDir();
    return QDir::cleanPath(programs.filePath(QStringLiteral("../share/kivra-lite/guide/index.html")));
}

void openUserGuide(QWidget* parent, const QString& programPath) {
    const QString file = userGuideFile(programPath);
    if (!QFileInfo::exists(file)) {
        showPlainMessage(parent, QMessageBox::Critical, QCoreApplication::translate("UserGuide", "Error"),
                         QCoreApplication::translate("UserGuide", "The user guide is not installed."),
                         QDir::toNativeSeparators(file));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        showPlainMessage(parent, QMessageBox::Critical, QCoreApplication::translate("UserGuide", "Error"),
                         QCoreApplication::translate("UserGuide", "No program of the desktop opened the user guide."),
                         QDir::toNativeSeparators(file));
}

void addHelpMenu(QMainWindow& window, QAction* about, std::function<QString()> programPath) {
    QMenu* help = window.menuBar()->addMenu(QCoreApplication::translate("UserGuide", "&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    QAction* guide = help->addAction(QCoreApplication::translate("UserGuide", "User Guide"));
    guide->setObjectName(QStringLiteral("actUserGuide"));
    guide->setShortcut(QKeySequence(Qt::Key_F1));
    help->addAction(about);
    QObject::connect(guide, &QAction::triggered, &window,
                     [&window, programPath] { openUserGuide(&window, programPath()); });
}
