#include "engine/FTPOutput.h"

#include "ftp/FTPSession.h"
#include "settings/Exception.h"

TFTPOutput::TFTPOutput(TFTPSession &session) : FSession(session)
{}

TOutputFacts TFTPOutput::FileFacts(const QString &fileName, bool withAge)
{
    const QString remote = ToFTPPath(fileName);
    TOutputFacts facts;
    facts.Exists = FSession.FileExists(remote);
    if (facts.Exists && withAge) {
        facts.Age = FSession.FileAge(remote);
        facts.AgePrecision = FSession.FileAgePrecision(remote);
    }
    return facts;
}

void TFTPOutput::MakeFolder(const QString &dir)
{
    // As on the local side: an empty path names no folder, and the session would take it as
    // its current directory.
    if (dir.isEmpty())
        throw Exception(QStringLiteral("Unable to create directory"));
    FSession.ForceDirectories(ToFTPPath(dir));
}

void TFTPOutput::CopyFile(const QString &source, const QString &target)
{
    FSession.CopyFile(source, ToFTPPath(target), false);
}
