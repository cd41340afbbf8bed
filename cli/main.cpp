// velstrom-cli: Velstrom's profiles, checks and server control from a shell, for machines without a desktop.
#include "cli/CommandLine.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velstrom-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELSTROM_VERSION));
    return cli::run(QCoreApplication::arguments());
}
