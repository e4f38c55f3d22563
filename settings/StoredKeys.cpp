#include "settings/StoredKeys.h"

#include "settings/SettingsLocation.h"

QString ProgramSettingsPath(bool ForReading)
{
    const QString folder = GetAppDataDir(SettingsSubFolder,
                                         ForReading ? SettingsFileName : QString());
    return GetAppConfigPath(SettingsFileName, folder);
}
