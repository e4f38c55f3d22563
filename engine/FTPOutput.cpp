#include "engine/FTPOutput.h"

#include "ftp/FTPSession.h"

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
    FSession.ForceDirectories(ToFTPPath(dir));
}

void TFTPOutput::CopyFile(const QString &source, const QString &target)
{
    FSession.CopyFile(source, ToFTPPath(target), false);
}
