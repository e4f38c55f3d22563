#include "engine/ProgramSettings.h"

#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "settings/Exception.h"
#include "settings/StoredKeys.h"
#include "settings/uAppSettings.h"

#include <QFileInfo>

TProgramSettings LoadProgramSettings(const QString &path, TCopyProjectList &projects,
                                     TFTPConnList &connections)
{
    TProgramSettings result;
    if (!QFileInfo::exists(path))
        return result;
    result.Found = true;
    try {
        TAppSettings settings;
        settings.LoadFromFile(path);
        const TStringList &list = settings.Strings();
        projects.LoadFromList(list, ProjectsPrefix,
                              list.Values(ReplaceNewerKey) == QLatin1String("1"));
        result.GroupFilter = list.Values(GroupFilterKey);
        result.OutDir = list.Values(OutDirKey);
        connections.LoadFromList(list, ConnectionsPrefix);
    } catch (const Exception &error) {
        result.Error = error.Message();
    }
    return result;
}
