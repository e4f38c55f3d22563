#pragma once

#include "ftp/FTPSession.h"
#include "projects/CopyProjectUnit.h"
#include "support/TestLogs.h"

#include <QString>
#include <QStringList>

#include <map>

class TExcludeList;

// The arguments of one CopySourceFiles call, with the defaults of a plain local pattern.
struct ScanCall
{
    QString ProjectName = QStringLiteral("Site");
    QString OutDir;
    QString Mask;
    QString BaseFolder;
    bool SubFolders = false;
    bool JunkPath = false;
    const TExcludeList *Excludes = nullptr;
    bool CopyIfExists = false;
    QString CopyIfExistsPath;
    TOverwriteFile Overwrite = ofNone;
    // The FTP session the files go to; the local file system when null.
    TFTPSession *Session = nullptr;

    int Copied = 0;
    int Skipped = 0;
    int Existed = 0;
    int Failed = 0;
    RecordingLog Log;

    // Runs CopySourceFiles on a new output side and returns the lines it logged.
    QStringList Run();
};

// An upload session over a map of remote files, recording each call as "Op path".
class FakeSession : public TFTPSession
{
public:
    void Connect() override;
    bool FileExists(const QString &fileName) override;
    double FileAge(const QString &fileName) override;
    int FileAgePrecision(const QString &fileName) override;
    void ForceDirectories(const QString &dir) override;
    void CopyFile(const QString &existingFileName, const QString &newFileName,
                  bool failIfExists) override;

    QStringList Calls;
    // Remote path -> modification time (a UTC day count).
    std::map<QString, double> Files;
    // How exact the listed times are, in seconds, for every remote file.
    int Precision = 1;
    QString ConnectError;
    QString CopyError;
    // Remote path -> the error raised by a call for it (ForceDirectories: the folder,
    // CopyFile: the target), as a server's refusal would be.
    std::map<QString, QString> Refusals;
};
