#include "app/StoreTool.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamsel-store"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));
    return RunStoreTool(application.arguments().mid(1));
}
