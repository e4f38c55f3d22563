#pragma once

#include "engine/OutputSide.h"

class TFTPSession;

// One FTP server as output side, through a connected session that outlives it. Paths go to
// the session through ToFTPPath; the session's errors pass through unchanged.
class TFTPOutput : public TOutputSide
{
public:
    explicit TFTPOutput(TFTPSession &session);

    TOutputFacts FileFacts(const QString &fileName, bool withAge) override;
    // Every call reaches the server: making the folder also makes it the remote current
    // directory, which the look-ups and the upload of the file then work in. An empty path
    // raises Exception "Unable to create directory", as on the local side.
    void MakeFolder(const QString &dir) override;
    void CopyFile(const QString &source, const QString &target) override;
    // The paths are the server's, however much they look like local ones.
    bool IsLocal() const override { return false; }

private:
    TFTPSession &FSession;
};
