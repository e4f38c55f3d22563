#include "engine/OutputFolder.h"

#include "engine/DateTags.h"
#include "engine/PathText.h"
#include "projects/CopyProjectUnit.h"

QString ExpandOutputFolder(const TCopyProject &Project, const QString &OutDir)
{
    QString folder = WithLocalSeparators(Project.OutputFolder());
    ReplaceTag(folder, QStringLiteral("{OutDir}"), OutDir);
    ReplaceTag(folder, QStringLiteral("{ProjectName}"), Project.ProjectName());
    ReplaceDateTags(folder);
    return folder;
}
