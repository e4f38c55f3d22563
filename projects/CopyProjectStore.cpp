// The stored form of copy projects: name=value lines under a key prefix, read and written
// through the settings list's typed helpers.

#include "projects/CopyProjectUnit.h"
#include "projects/NumberedRowIndex.h"
#include "settings/NumberedKeys.h"
#include "settings/StringList.h"
#include "settings/uClasses.h"

#include <optional>

namespace {

// Up to this many pattern rows are read by walking the numbers; a larger stored count is
// answered from a row index, so hand-edited counts cost no more than the lines present.
constexpr int32_t RowWalkLimit = 64;

QString RowKey(const QString &P, const char *name, int32_t row)
{
    return P + QLatin1String(name) + QLatin1Char('[') + QString::number(row) + QLatin1Char(']');
}

QString StoredFlag(const QString &text)
{
    return IsFlagSet(text) ? FlagYes : FlagNo;
}

// Which pattern rows of one project to read: 1..count, or, for a large count, the rows that
// have a pattern line at all (the others would be dropped as empty anyway). A whole-list load
// shares one index between its projects.
class TRowSource
{
public:
    explicit TRowSource(const TStringList &lst) : FList(lst) {}

    std::vector<int32_t> Rows(const QString &P, int32_t count)
    {
        std::vector<int32_t> rows;
        if (count <= RowWalkLimit) {
            for (int32_t row = 1; row <= count; ++row)
                rows.push_back(row);
            return rows;
        }
        if (!FIndex)
            FIndex.emplace(FList);
        return FIndex->Find(P + QLatin1String("SourceFiles["), count);
    }

private:
    const TStringList &FList;
    std::optional<TNumberedRowIndex> FIndex;
};

TOverwriteFile StoredOverwrite(int32_t code, bool ReplaceNewer)
{
    switch (code) {
    case 1:
        // Files written while a global "replace newer" switch existed stored 1 for what is now
        // "older only".
        return ReplaceNewer ? ofOlder : ofAll;
    case 2:
        return ofOlder;
    default:
        return ofNone;
    }
}

bool LoadProject(TCopyProject &project, const TStringList &lst, const QString &P, bool ReplaceNewer,
                 TRowSource &rowSource)
{
    const QString name = GetStringValue(lst, P + QLatin1String("ProjectName"));
    if (name.isEmpty())
        return false;

    project.SetProjectName(name);
    project.SetGroupName(GetStringValue(lst, P + QLatin1String("GroupName")));
    project.SetSourceFolder(GetStringValue(lst, P + QLatin1String("SourceFolder")));

    const int32_t rowCount = GetIntValueDef(lst, P + QLatin1String("SourceFilesN"), 0);
    for (int32_t row : rowSource.Rows(P, rowCount)) {
        const QString pattern = GetStringValue(lst, RowKey(P, "SourceFiles", row));
        const QString subFolders = StoredFlag(
            GetStringValue(lst, RowKey(P, "SourceSubFolders", row)));
        const QString junkPath = StoredFlag(GetStringValue(lst, RowKey(P, "SourceJunkPath", row)));
        // A row without a pattern is dropped with its flags, keeping the three lists aligned.
        if (pattern.isEmpty())
            continue;
        project.GetSourceFiles().append(pattern);
        project.GetSourceSubFolders().append(subFolders);
        project.GetSourceJunkPath().append(junkPath);
    }

    project.SetExcludeFiles(GetStringValue(lst, P + QLatin1String("ExcludeFiles")));
    project.SetCopyIfExists(GetStringValue(lst, P + QLatin1String("CopyIfExists"))
                            == QLatin1String("1"));
    project.SetCopyIfExistsPath(GetStringValue(lst, P + QLatin1String("CopyIfExistsPath")));
    project.SetOutputFolder(GetStringValue(lst, P + QLatin1String("OutputFolder")));
    project.SetOverwrite(
        StoredOverwrite(GetIntValueDef(lst, P + QLatin1String("Overwrite"), -1), ReplaceNewer));
    project.SetFTPConnName(GetStringValue(lst, P + QLatin1String("FTPConnName")));
    project.SetChecked(GetStringValue(lst, P + QLatin1String("Checked")) == QLatin1String("1"));
    project.SetVisible(GetStringValue(lst, P + QLatin1String("Visible")) != QLatin1String("0"));
    return true;
}

QString ProjectPrefix(const QString &Prefix, int32_t number)
{
    return Prefix + QLatin1Char('[') + QString::number(number) + QLatin1String("].");
}

} // namespace

bool TCopyProject::LoadFromList(const TStringList &lst, const QString &P, bool ReplaceNewer)
{
    TRowSource rowSource(lst);
    return LoadProject(*this, lst, P, ReplaceNewer, rowSource);
}

void TCopyProject::SaveToList(TStringList &lst, const QString &P) const
{
    SetStringValue(lst, P + QLatin1String("ProjectName"), FProjectName);
    SetStringValue(lst, P + QLatin1String("GroupName"), FGroupName);
    SetStringValue(lst, P + QLatin1String("SourceFolder"), FSourceFolder);
    SetIntValue(lst, P + QLatin1String("SourceFilesN"), int32_t(FSourceFiles.size()));
    for (qsizetype i = 0; i < FSourceFiles.size(); ++i) {
        const int32_t row = int32_t(i + 1);
        SetStringValue(lst, RowKey(P, "SourceFiles", row), FSourceFiles.at(i));
        SetStringValue(lst, RowKey(P, "SourceSubFolders", row), FSourceSubFolders.value(i));
        SetStringValue(lst, RowKey(P, "SourceJunkPath", row), FSourceJunkPath.value(i));
    }
    SetStringValue(lst, P + QLatin1String("ExcludeFiles"), FExcludeFiles);
    SetBoolValue(lst, P + QLatin1String("CopyIfExists"), FCopyIfExists);
    SetStringValue(lst, P + QLatin1String("CopyIfExistsPath"), FCopyIfExistsPath);
    SetStringValue(lst, P + QLatin1String("OutputFolder"), FOutputFolder);
    const int32_t overwrite = FOverwrite == ofAll ? 1 : FOverwrite == ofOlder ? 2 : 0;
    SetIntValue(lst, P + QLatin1String("Overwrite"), overwrite);
    SetStringValue(lst, P + QLatin1String("FTPConnName"), FFTPConnName);
    SetBoolValue(lst, P + QLatin1String("Checked"), FChecked);
    SetBoolValue(lst, P + QLatin1String("Visible"), FVisible);
}

void TCopyProjectList::LoadFromList(const TStringList &lst, const QString &Prefix,
                                    bool ReplaceNewer)
{
    const int32_t count = GetIntValueDef(lst, Prefix + QLatin1Char('N'), 0);
    if (count <= 0)
        return;
    TRowSource rowSource(lst);
    // Only numbers with a stored name can yield a project; the others would load nothing.
    for (int32_t number : FindNumberedIndexes(lst, Prefix + QLatin1Char('['),
                                              QStringLiteral("].ProjectName"), count)) {
        auto project = std::make_unique<TCopyProject>();
        if (LoadProject(*project, lst, ProjectPrefix(Prefix, number), ReplaceNewer, rowSource))
            AddProject(std::move(project));
    }
}

void TCopyProjectList::SaveToList(TStringList &lst, const QString &Prefix) const
{
    SetIntValue(lst, Prefix + QLatin1Char('N'), Count());
    for (int k = 0; k < Count(); ++k)
        FList[size_t(k)]->SaveToList(lst, ProjectPrefix(Prefix, k + 1));
}
