#include "app/StoreTool.h"
#include "platform/CoreDumps.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    if (!DisableCoreDumps())
        std::fputs("tamsel-store: core dumps could not be turned off\n", stderr);
    // Past a file-size limit, a write fails with EFBIG and is reported as
    // "File too large", its temporary file removed, instead of the signal
    // ending the tool on the spot.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamsel-store"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));
    return RunStoreTool(application.arguments().mid(1));
}
