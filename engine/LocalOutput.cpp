#include "engine/LocalOutput.h"

#include "engine/FileCopy.h"
#include "engine/LocalFiles.h"
#include "runlog/RunLog.h"

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
    TFileCopyOptions options;
    options.StopRequested = FStopRequested;
    switch (CopyFileWithOptions(source, target, options, &reason)) {
    case TFileCopyResult::Copied:
        return;
    case TFileCopyResult::Stopped:
        throw ECopyStopped(source);
    case TFileCopyResult::Failed:
        break;
    }
    const QString why = reason.isEmpty() ? QString()
                                         : QStringLiteral(" (") + reason + QLatin1Char(')');
    throw EOutputError(QStringLiteral("Unable to copy file ") + target + why);
}
