#pragma once

#include <QByteArray>

// Sets (or, with no value, unsets) an environment variable for the lifetime of the object and
// puts back what was there before.
class ScopedEnvVar
{
public:
    ScopedEnvVar(const char *name, const QByteArray &value);
    explicit ScopedEnvVar(const char *name);
    ~ScopedEnvVar();
    ScopedEnvVar(const ScopedEnvVar &) = delete;
    ScopedEnvVar &operator=(const ScopedEnvVar &) = delete;

private:
    const char *FName;
    bool FHad;
    QByteArray FOld;
};
