#include "engine/PreviewOutput.h"

#include "ftp/FTPErrors.h"

TOutputFacts TPreviewOutput::FileFacts(const QString &fileName, bool withAge)
{
    try {
        return FOutput->FileFacts(fileName, withAge);
    } catch (const ERemoteFolderMissing &) {
        // The server has no such folder: the run would make it, so nothing is in it yet. Any
        // other refusal is an error, as it is in the run.
        return TOutputFacts{};
    }
}

void TPreviewOutput::MakeFolder(const QString &dir)
{
    if (dir.isEmpty())
        throw Exception(QStringLiteral("Unable to create directory"));
}

void TPreviewOutput::CopyFile(const QString &source, const QString &target)
{
    (void)source;
    (void)target;
}
