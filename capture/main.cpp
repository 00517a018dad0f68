// kivratolm-capture: a capture of the DAQ program without its window, for
// scripts and machines without a display.
#include "CaptureTool.h"
#include "ProgramVersion.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char** argv) {
    // A reader that closed the pipe of -o - shows as a failed write, which
    // the tool reports, instead of ending the process on the spot.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane GmbH"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("orvane.com"));
    QCoreApplication::setApplicationName(QStringLiteral("kivratolm-capture"));
    QCoreApplication::setApplicationVersion(programVersion());
    QCoreApplication application(argc, argv);
    return runCaptureTool(QCoreApplication::arguments());
}
