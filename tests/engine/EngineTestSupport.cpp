#include "EngineTestSupport.h"

#include "engine/CopySourceFiles.h"
#include "engine/FTPOutput.h"
#include "engine/LocalFiles.h"
#include "engine/LocalOutput.h"
#include "settings/Exception.h"

#include <QFileInfo>

#include <memory>

namespace {

void refuseWhenTold(const std::map<QString, QString> &refusals, const QString &path)
{
    const auto it = refusals.find(path);
    if (it != refusals.end())
        throw Exception(it->second);
}

} // namespace

QStringList ScanCall::Run()
{
    Log.Lines.clear();
    std::unique_ptr<TOutputSide> output;
    if (Session)
        output = std::make_unique<TFTPOutput>(*Session);
    else
        output = std::make_unique<TLocalOutput>();
    CopySourceFiles(ProjectName, OutDir, Mask, BaseFolder, SubFolders, JunkPath, Excludes,
                    CopyIfExists, CopyIfExistsPath, Overwrite, *output, Copied, Skipped, Existed,
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

void FakeSession::ForceDirectories(const QString &dir)
{
    Calls.append(QStringLiteral("ForceDirectories ") + dir);
    refuseWhenTold(Refusals, dir);
}

void FakeSession::CopyFile(const QString &existingFileName, const QString &newFileName, bool)
{
    Calls.append(QStringLiteral("CopyFile ") + existingFileName + QStringLiteral(" -> ")
                 + newFileName);
    if (!CopyError.isEmpty())
        throw Exception(CopyError);
    refuseWhenTold(Refusals, newFileName);
    Files[newFileName] = LocalFileAge(existingFileName, true);
}
