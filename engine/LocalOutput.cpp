#include "engine/LocalOutput.h"

#include "engine/FileCopy.h"
#include "engine/LocalFiles.h"

TOutputFacts TLocalOutput::FileFacts(const QString &fileName, bool withAge)
{
    // The time comes with the same look at the file, asked for or not.
    (void)withAge;
    TOutputFacts facts;
    facts.Exists = LocalFileFacts(fileName, facts.Age);
    return facts;
}

void TLocalOutput::MakeFolder(const QString &dir)
{
    if (FLastFolder == dir)
        return;
    if (!LocalForceDirectories(dir))
        throw EOutputError(QStringLiteral("Unable to create directory ") + dir);
    FLastFolder = dir;
}

void TLocalOutput::CopyFile(const QString &source, const QString &target)
{
    QString reason;
    if (CopyFileKeepingTime(source, target, false, &reason))
        return;
    const QString why = reason.isEmpty() ? QString()
                                         : QStringLiteral(" (") + reason + QLatin1Char(')');
    throw EOutputError(QStringLiteral("Unable to copy file ") + target + why);
}
