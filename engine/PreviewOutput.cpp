#include "engine/PreviewOutput.h"

#include "ftp/FTPErrors.h"

TOutputFacts TPreviewOutput::FileFacts(const QString &fileName, bool withAge)
{
    try {
        return FOutput->FileFacts(fileName, withAge);
    } catch (const EIdReplyRFCError &) {
        // The server refused to enter the file's folder: not made yet.
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
