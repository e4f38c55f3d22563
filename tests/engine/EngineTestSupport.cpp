#include "EngineTestSupport.h"

#include "engine/CopySourceFiles.h"
#include "engine/LocalFiles.h"
#include "settings/Exception.h"

#include <QFileInfo>

QStringList ScanCall::Run()
{
    Log.Lines.clear();
    CopySourceFiles(ProjectName, OutDir, Mask, BaseFolder, SubFolders, JunkPath, Excludes,
                    CopyIfExists, CopyIfExistsPath, Overwrite, Session, Copied, Skipped, Existed,
                    Failed, Log);
    return Log.Lines;
}

void FakeSession::Connect()
{
    Calls.append(QStringLiteral("Connect"));
    if (!ConnectError.isEmpty())
        throw Exception(ConnectError);
}

bool FakeSession::FileExists(const QString &fileName)
{
    Calls.append(QStringLiteral("FileExists ") + fileName);
    return Files.count(fileName) != 0;
}

double FakeSession::FileAge(const QString &fileName)
{
    Calls.append(QStringLiteral("FileAge ") + fileName);
    const auto it = Files.find(fileName);
    if (it == Files.end())
        throw Exception(QStringLiteral("File not found: ") + fileName);
    return it->second;
}

int FakeSession::FileAgePrecision(const QString &)
{
    return Precision;
}

bool FakeSession::ForceDirectories(const QString &dir)
{
    Calls.append(QStringLiteral("ForceDirectories ") + dir);
    return true;
}

bool FakeSession::CopyFile(const QString &existingFileName, const QString &newFileName, bool)
{
    Calls.append(QStringLiteral("CopyFile ") + existingFileName + QStringLiteral(" -> ")
                 + newFileName);
    if (!CopyError.isEmpty())
        throw Exception(CopyError);
    Files[newFileName] = LocalFileAge(existingFileName, true);
    return true;
}
