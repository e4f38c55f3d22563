#include "support/ScopedEnvVar.h"

#include <QtGlobal>

ScopedEnvVar::ScopedEnvVar(const char *name, const QByteArray &value)
    : FName(name), FHad(qEnvironmentVariableIsSet(name)), FOld(qgetenv(name))
{
    qputenv(name, value);
}

ScopedEnvVar::ScopedEnvVar(const char *name)
    : FName(name), FHad(qEnvironmentVariableIsSet(name)), FOld(qgetenv(name))
{
    qunsetenv(name);
}

ScopedEnvVar::~ScopedEnvVar()
{
    if (FHad)
        qputenv(FName, FOld);
    else
        qunsetenv(FName);
}
