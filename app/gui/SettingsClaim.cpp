#include "app/gui/SettingsClaim.h"

#include "app/gui/AppVersion.h"
#include "ui/MessageBoxes.h"

#include <QDir>

QString SettingsInUseText(const QString &SettingsPath)
{
    return AppTitle() + QStringLiteral(" is already running with the settings file \"")
           + QDir::toNativeSeparators(SettingsPath)
           + QStringLiteral("\". Close that window first, or start this one with another "
                            "settings file (-settingsdir or -config).");
}

std::unique_ptr<TSettingsLock> ClaimSettingsFile(const QString &SettingsPath)
{
    auto lock = std::make_unique<TSettingsLock>(SettingsPath);
    if (lock->Held())
        return lock;
    TMessageBoxRequest request;
    request.Icon = QMessageBox::Critical;
    request.Title = AppTitle();
    request.Text = SettingsInUseText(SettingsPath);
    request.Buttons = QMessageBox::Ok;
    ShowMessageBox(request);
    return nullptr;
}
