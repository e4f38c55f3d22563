#include "app/cli/CliRun.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return RunCli(arguments, QCoreApplication::applicationDirPath(), stdout, stderr, stdin);
}
